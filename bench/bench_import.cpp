// Importing from an old diary: merging 32,767 old entries into a diary of 32,767 entries, through the
// document and at the import window from the click on "OK" to its closing message, against copying the
// merged diary with cp and flushing it with sync (the merge flushes its file too); and opening and
// listing an old diary of 65,535 entries, against reading that file once from start to end. Every file
// is in the page cache before each timing, and nothing else is left to flush.
#include "benchdiary.h"

#include "document/diarydocument.h"
#include "import/importentries.h"
#include "import/olddiary.h"
#include "store/entrytext.h"
#include "store/scramble.h"
#include "windows/importwindow.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace
{

constexpr int HalfFull = 32767;
constexpr int MergeRuns = 5;
constexpr int ListRuns = 15;
constexpr double HalfMinute = 30.0 / 86400;

// An old diary of the "1.2.0 - 1.3.1" layout (entries only, no header) of full entries. Every tenth
// entry has the stamp of the diary's entry of the same number, the others lie half a minute after it.
void writeOldDiary(const QString& path, int entries)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::printf("(cannot write %s)\n", qPrintable(path));
        return;
    }
    DiaryRecord record;
    for (int k = 0; k < entries; ++k) {
        // The diary's entries are stamped so, one minute apart (see writeBenchDiary).
        const double diaryStamp = 46000.0 + k / 1440.0;
        record.setStamp(k % 10 == 0 ? diaryStamp : diaryStamp + HalfMinute);
        cutTextIntoLines(record, benchEntryText(k + 1000), FixedKey);
        file.write(record.data(), RecordSize);
    }
}

// The diary as it was, open in `document`, the files in the page cache and nothing left to flush.
void startFrom(DiaryDocument& document, const QString& original, const QString& diary, const QString& source)
{
    document.close();
    QFile::remove(diary);
    QFile::copy(original, diary);
    document.open(diary, {});
    shell(QStringLiteral("sync"));
    readFileSequentially(diary);
    readFileSequentially(source);
}

// As a person does: the window shown over the open diary, the old diary opened, "OK" clicked.
double importAtWindow(ImportWindow& window, const QString& source)
{
    window.show();
    named<QLineEdit>(&window, "EInF")->setText(source);
    named<QPushButton>(&window, "Open")->click();
    named<QRadioButton>(&window, "RBAll")->setChecked(true);
    named<QRadioButton>(&window, "RBThis")->setChecked(true);
    QString message;
    const double ms = clickToMessage(named<QPushButton>(&window, "BbGo"), &message);
    if (message != QStringLiteral("Импорт записей завершен"))
        std::printf("(the window said: %s)\n", qPrintable(message));
    return ms;
}

void compareMerging(const QString& dir)
{
    const QString original = dir + QStringLiteral("/original.qnb");
    const QString diary = dir + QStringLiteral("/diary.qnb");
    const QString sourcePath = dir + QStringLiteral("/half.drb");
    const QString copy = dir + QStringLiteral("/copy.qnb");
    std::printf("Writing a diary and an old diary of %d entries of %d characters...\n", HalfFull, MaxEntryChars);
    writeBenchDiary(original, HalfFull);
    writeOldDiary(sourcePath, HalfFull);

    DiaryDocument document;
    QWidget mainWindow;
    auto* window = new ImportWindow(document, dir, &mainWindow);
    double mergeMs = 1e300;
    double windowMs = 1e300;
    double copyMs = 1e300;
    qint64 merged = 0;
    for (int run = 0; run < MergeRuns; ++run) {
        startFrom(document, original, diary, sourcePath);
        OldDiarySource source;
        source.recognise(sourcePath);
        mergeMs = std::min(mergeMs, millisecondsOf([&] { document.importEntries(source, {}); }));
        merged = document.view().entryCount();

        startFrom(document, original, diary, sourcePath);
        windowMs = std::min(windowMs, importAtWindow(*window, sourcePath));
        if (document.view().entryCount() != merged)
            std::printf("(the window merged %lld entries)\n", document.view().entryCount());
        document.close();

        shell(QStringLiteral("sync"));
        readFileSequentially(diary);
        const QString command = QStringLiteral("cp '%1' '%2' && sync").arg(diary, copy);
        copyMs = std::min(copyMs, millisecondsOf([&] { shell(command); }));
        QFile::remove(copy);
    }
    std::printf("merged diary: %lld entries, %lld bytes\n", merged, (merged + 1) * RecordSize);
    std::printf("cp merged diary && sync (best of %d):        %8.1f ms\n", MergeRuns, copyMs);
    std::printf("import %d entries into %d (best of %d):   %8.1f ms\n", HalfFull, HalfFull, MergeRuns, mergeMs);
    printRatio("import / (cp && sync):", mergeMs, copyMs, 1.5);
    std::printf("at the import window (best of %d):           %8.1f ms\n", MergeRuns, windowMs);
    printRatio("window import / (cp && sync):", windowMs, copyMs, 1.5);
    QFile::remove(original);
    QFile::remove(diary);
    QFile::remove(sourcePath);
}

// Runs alternate between the contenders, so that a busy moment of the machine does not favour one.
void compareListing(const QString& dir)
{
    const QString sourcePath = dir + QStringLiteral("/full.drb");
    std::printf("\nWriting an old diary of %d entries...\n", MaxEntries);
    writeOldDiary(sourcePath, MaxEntries);
    shell(QStringLiteral("sync"));
    readFileSequentially(sourcePath);

    OldDiarySource source;
    double listMs = 1e300;
    double readMs = 1e300;
    qint64 bytes = 0;
    for (int run = 0; run < ListRuns; ++run) {
        listMs = std::min(listMs, millisecondsOf([&] { source.recognise(sourcePath); }));
        readMs = std::min(readMs, millisecondsOf([&] { bytes = readFileSequentially(sourcePath); }));
    }
    std::printf("old diary: %d entries listed, %lld bytes\n", source.entryCount(), bytes);
    std::printf("open and list it (best of %d):               %8.1f ms\n", ListRuns, listMs);
    std::printf("read it sequentially (best of %d):           %8.1f ms\n", ListRuns, readMs);
    printRatio("list / read:", listMs, readMs, 1.0);
}

} // namespace

int main(int argc, char** argv)
{
    useOffscreenWindows();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    compareMerging(dir.path());
    compareListing(dir.path());
    return 0;
}
