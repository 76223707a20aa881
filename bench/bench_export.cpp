// Exporting every entry of a full diary to a text file and to an HTML file, against copying the diary
// file with cp (no sync on either side: an export to a new file is not flushed to disk either): through
// the core writers, and at the export window from the click on "OK" to its closing message. Replacing
// an existing HTML file flushes the new one first, so that is compared with cp followed by sync.
#include "benchdiary.h"

#include "document/diarydocument.h"
#include "export/entryexport.h"
#include "export/exportnames.h"
#include "store/entrycodec.h"
#include "store/recordfile.h"
#include "store/scramble.h"
#include "windows/exportwindow.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace
{

// Runs alternate between the contenders, so that a busy moment of the machine does not favour one.
constexpr int Runs = 7;

// The best time of a contender, and the most the heap grew while it ran.
struct Best {
    double ms = 1e300;
    qint64 heapGrowth = 0;
};

// Each run starts from the same files, the diary in the page cache, set up outside the time taken.
class Contest
{
public:
    explicit Contest(const RecordFile& diary) : m_diary(diary) {}

    void copy(Best& best, const QString& target, bool sync)
    {
        prepare(target, false);
        const QString command = QStringLiteral("cp '%1' '%2'%3").arg(m_diary.path(), target, sync ? " && sync" : "");
        best.ms = std::min(best.ms, millisecondsOf([&] { shell(command); }));
    }

    void exportAll(Best& best, const QString& target, bool replacing)
    {
        prepare(target, replacing);
        const qint64 heapBefore = heapInUse();
        qint64 heapMost = heapBefore;
        const double took = millisecondsOf([&] {
            writeExport(m_diary, ScrambledText(FixedKey), {true, {}}, target,
                        writesTextLayout(target) ? ExportLayout::Text : ExportLayout::Html,
                        [&](qint64, qint64) { heapMost = std::max(heapMost, heapInUse()); });
        });
        best.ms = std::min(best.ms, took);
        best.heapGrowth = std::max(best.heapGrowth, heapMost - heapBefore);
    }

    // As a person does: the window shown afresh, the name typed, "OK" clicked.
    void exportAtWindow(Best& best, ExportWindow& window, const QString& target)
    {
        prepare(target, false);
        window.show();
        named<QLineEdit>(&window, "InName")->setText(target);
        QString message;
        best.ms = std::min(best.ms, clickToMessage(named<QPushButton>(&window, "BbOK"), &message));
        if (message != QStringLiteral("Экспортирование записей успещно завершено"))
            std::printf("(the window said: %s)\n", qPrintable(message));
    }

private:
    void prepare(const QString& target, bool existing)
    {
        QFile::remove(target);
        if (existing)
            shell(QStringLiteral("echo old > '%1'").arg(target));
        shell(QStringLiteral("sync"));
        readFileSequentially(m_diary.path());
    }

    const RecordFile& m_diary;
};

void report(const char* what, const Best& best, double copyMs, const char* ratio)
{
    std::printf("%-44s %8.1f ms  (heap grew %lld KiB at most)\n", what, best.ms, best.heapGrowth / 1024);
    printRatio(ratio, best.ms, copyMs, 1.5);
}

} // namespace

int main(int argc, char** argv)
{
    useOffscreenWindows();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.qnb"));
    std::printf("Writing a diary of %d entries of %d characters...\n", MaxEntries, MaxEntryChars);
    writeBenchDiary(path, MaxEntries);
    RecordFile diary;
    diary.open(path);
    std::printf("diary of %lld entries, %lld bytes; best of %d runs\n\n", diary.count() - 1, diary.count() * RecordSize,
                Runs);

    const QString copy = dir.filePath(QStringLiteral("copy.qnb"));
    const QString text = dir.filePath(QStringLiteral("all.txt"));
    const QString html = dir.filePath(QStringLiteral("all.html"));
    DiaryDocument document;
    document.open(path, {});
    QWidget mainWindow;
    auto* window = new ExportWindow(document, &mainWindow);
    Contest contest(diary);
    Best copied, textExport, htmlExport, syncedCopy, replacingExport, textAtWindow, htmlAtWindow;
    for (int i = 0; i < Runs; ++i) {
        contest.copy(copied, copy, false);
        contest.exportAll(textExport, text, false);
        contest.exportAll(htmlExport, html, false);
        contest.exportAtWindow(textAtWindow, *window, text);
        contest.exportAtWindow(htmlAtWindow, *window, html);
        contest.copy(syncedCopy, copy, true);
        contest.exportAll(replacingExport, html, true);
    }
    std::printf("%-44s %8.1f ms\n", "cp diary copy:", copied.ms);
    report("export all to a new .txt:", textExport, copied.ms, "export .txt / cp:");
    report("export all to a new .html:", htmlExport, copied.ms, "export .html / cp:");
    std::printf("%-44s %8.1f ms\n", "at the window, to a new .txt:", textAtWindow.ms);
    printRatio("window .txt / cp:", textAtWindow.ms, copied.ms, 1.5);
    std::printf("%-44s %8.1f ms\n", "at the window, to a new .html:", htmlAtWindow.ms);
    printRatio("window .html / cp:", htmlAtWindow.ms, copied.ms, 1.5);
    std::printf("\n%-44s %8.1f ms\n", "cp diary copy && sync:", syncedCopy.ms);
    report("export all over an existing .html:", replacingExport, syncedCopy.ms, "export over .html / (cp && sync):");
    return 0;
}
