// Searching a diary of 65,535 full entries: by word against grep over the same clear text, and by
// date against reading the diary file once (all files in the page cache).
#include "benchdiary.h"

#include "store/recordfile.h"
#include "store/scramble.h"
#include "store/search.h"
#include "store/stamp.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace
{

void writeClearText(const QString& path, int entries)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        std::abort();
    for (int i = 0; i < entries; ++i)
        file.write(benchEntryText(i) + '\n');
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString diary = dir.filePath("bench.qnb");
    const QString clear = dir.filePath("clear.txt");
    std::printf("Writing a diary of %d entries of %d characters and its clear text...\n", MaxEntries, MaxEntryChars);
    writeBenchDiary(diary, MaxEntries);
    writeClearText(clear, MaxEntries);
    readFileSequentially(diary);
    readFileSequentially(clear);

    // Not to /dev/null: GNU grep then stops at the first match.
    const QByteArray grep =
        "grep -c -F quillnest '" + QFile::encodeName(clear) + "' >'" + QFile::encodeName(dir.filePath("count")) + "'";
    const double grepMs = bestMilliseconds(5, [&] {
        if (std::system(grep.constData()) != 0)
            std::abort();
    });

    RecordFile file;
    file.open(diary);
    size_t byWord = 0;
    const double wordMs =
        bestMilliseconds(5, [&] { byWord = findEntriesContaining(file, "quillnest", FixedKey).size(); });

    const QDate day = stampDate(46000.0 + 30000 / 1440.0);
    size_t byDate = 0;
    const double dateMs = bestMilliseconds(5, [&] { byDate = findEntriesOfDay(file, day).size(); });
    const double readMs = bestMilliseconds(5, [&] { readFileSequentially(diary); });

    std::printf("entries found by word / by date:             %8zu / %zu\n", byWord, byDate);
    std::printf("grep -c -F over the clear text:              %8.1f ms\n", grepMs);
    std::printf("word search through the diary:               %8.1f ms\n", wordMs);
    printRatio("word search / grep:", wordMs, grepMs, 1.5);
    std::printf("sequential read of the diary:                %8.1f ms\n", readMs);
    std::printf("date search through the diary:               %8.1f ms\n", dateMs);
    printRatio("date search / sequential read:", dateMs, readMs, 0.5);
    return 0;
}
