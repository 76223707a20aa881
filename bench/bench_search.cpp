// Searching a diary of 65,535 full entries: by word against grep over the same clear text, letter case counting or
// not, and by date against reading the diary file once (all files in the page cache). Then the days with entries
// that the date picker's calendar marks: asked of the document, and at the real window from the key that
// opens the calendar to its marks, both the first time after opening the diary and later.
#include "benchdiary.h"

#include "document/diarydocument.h"
#include "settings/settingsfile.h"
#include "store/entrycodec.h"
#include "store/recordfile.h"
#include "store/scramble.h"
#include "store/search.h"
#include "store/stamp.h"
#include "windows/mainwindow.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextCharFormat>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

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

constexpr int MarkRuns = 5;

// Six weeks that take in the month of `day`, as many days as a calendar page shows.
std::pair<QDate, QDate> monthGrid(const QDate& day)
{
    const QDate first(day.year(), day.month(), 1);
    return {first.addDays(-7), first.addDays(-7 + 41)};
}

// The best of MarkRuns queries for the written days of the month of `day`: the first after opening `path` each
// time (cold), and later ones (warm).
std::pair<double, double> documentMarks(const QString& path, const QDate& day, size_t* found)
{
    DiaryDocument document;
    const auto [first, last] = monthGrid(day);
    double coldMs = 1e300;
    for (int i = 0; i < MarkRuns; ++i) {
        document.close();
        document.open(path, {});
        coldMs = std::min(coldMs, millisecondsOf([&] { *found = document.writtenDays(first, last).size(); }));
    }
    const double warmMs = bestMilliseconds(MarkRuns, [&] { document.writtenDays(first, last); });
    return {coldMs, warmMs};
}

// At the main window, offscreen, with the diary at `path` open: F4 in the date picker until the calendar is
// shown with its marks, the first time after each opening of the diary (cold) and later (warm).
std::pair<double, double> windowMarks(const QString& path, const QString& dataDir, const QDate& day)
{
    QFile settings(settingsFilePath(dataDir));
    if (!settings.open(QIODevice::WriteOnly))
        std::abort();
    settings.write("[Options]\nOpenLast=1\n[Directory]\nLastDiary=" + path.toUtf8() + "\n");
    settings.close();
    MainWindow window(dataDir);
    window.show();
    auto* picker = named<QDateEdit>(&window, QStringLiteral("DTPicker"));
    // Shut before the diary is opened again: an open calendar would mark the new diary at once.
    const auto shutCalendar = [&] {
        if (auto* calendar = picker->findChild<QCalendarWidget*>())
            calendar->window()->hide();
    };
    const auto openCalendar = [&] {
        picker->setDate(day);
        QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
        return millisecondsOf([&] { QCoreApplication::sendEvent(picker, &f4); });
    };
    double coldMs = 1e300;
    for (int i = 0; i < MarkRuns; ++i) {
        shutCalendar();
        if (i > 0) {
            window.document().close();
            window.openDiary(path);
        }
        coldMs = std::min(coldMs, openCalendar());
    }
    double warmMs = 1e300;
    for (int i = 0; i < MarkRuns; ++i) {
        shutCalendar();
        warmMs = std::min(warmMs, openCalendar());
    }
    if (!window.document().isOpen() || picker->calendarWidget()->dateTextFormat().isEmpty())
        std::printf("the calendar did not show its marks\n");
    return {coldMs, warmMs};
}

} // namespace

int main(int argc, char** argv)
{
    useOffscreenWindows();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString diary = dir.filePath("bench.qnb");
    const QString clear = dir.filePath("clear.txt");
    std::printf("Writing a diary of %d entries of %d characters and its clear text...\n", MaxEntries, MaxEntryChars);
    writeBenchDiary(diary, MaxEntries);
    writeClearText(clear, MaxEntries);
    readFileSequentially(diary);
    readFileSequentially(clear);

    // Not to /dev/null: GNU grep then stops at the first match. In the C locale grep -i folds letter case byte by
    // byte, as the folded search does, instead of decoding UTF-8 (the clear text is ASCII either way).
    const auto grepMilliseconds = [&](const QByteArray& command) {
        const QByteArray grep =
            command + " '" + QFile::encodeName(clear) + "' >'" + QFile::encodeName(dir.filePath("count")) + "'";
        return bestMilliseconds(5, [&] {
            if (std::system(grep.constData()) != 0)
                std::abort();
        });
    };
    const double grepMs = grepMilliseconds("grep -c -F quillnest");
    const double grepFoldedMs = grepMilliseconds("LC_ALL=C grep -c -F -i QuillNest");

    RecordFile file;
    file.open(diary);
    size_t byWord = 0;
    const double wordMs =
        bestMilliseconds(5, [&] { byWord = findEntriesContaining(file, "quillnest", ScrambledText(FixedKey)).size(); });
    size_t folded = 0;
    const double foldedMs = bestMilliseconds(
        5, [&] { folded = findEntriesContaining(file, "QuillNest", ScrambledText(FixedKey), true).size(); });

    const QDate day = stampDate(46000.0 + 30000 / 1440.0);
    size_t byDate = 0;
    const double dateMs = bestMilliseconds(5, [&] { byDate = findEntriesOfDay(file, day).size(); });
    const double readMs = bestMilliseconds(5, [&] { readFileSequentially(diary); });

    std::printf("entries found by word / folded / by date:    %8zu / %zu / %zu\n", byWord, folded, byDate);
    std::printf("grep -c -F over the clear text:              %8.1f ms\n", grepMs);
    std::printf("word search through the diary:               %8.1f ms\n", wordMs);
    printRatio("word search / grep:", wordMs, grepMs, 1.5);
    std::printf("LC_ALL=C grep -c -F -i over the clear text:  %8.1f ms\n", grepFoldedMs);
    std::printf("folded word search through the diary:        %8.1f ms\n", foldedMs);
    printRatio("folded word search / grep -i:", foldedMs, grepFoldedMs, 1.5);
    std::printf("sequential read of the diary:                %8.1f ms\n", readMs);
    std::printf("date search through the diary:               %8.1f ms\n", dateMs);
    printRatio("date search / sequential read:", dateMs, readMs, 0.5);

    size_t markedDays = 0;
    const auto [coldMs, warmMs] = documentMarks(diary, day, &markedDays);
    const auto [windowColdMs, windowWarmMs] = windowMarks(diary, dir.path(), day);
    std::printf("\ndays marked in the calendar of that month:   %8zu\n", markedDays);
    std::printf("written days, first query after opening:    %8.2f ms\n", coldMs);
    printRatio("first query / 100 ms:", coldMs, 100.0, 1.0);
    std::printf("written days, later queries:                 %8.2f us\n", warmMs * 1000);
    printRatio("later query / 1 ms:", warmMs, 1.0, 1.0);
    std::printf("F4 to the calendar marked, first time:       %8.2f ms\n", windowColdMs);
    printRatio("first showing / 100 ms:", windowColdMs, 100.0, 1.0);
    std::printf("F4 to the calendar marked, later:            %8.2f ms\n", windowWarmMs);
    printRatio("later showing / 100 ms:", windowWarmMs, 100.0, 1.0);
    return 0;
}
