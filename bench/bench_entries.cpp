// Viewing, adding and changing one entry through the store functions that the document uses, deleting
// and re-keying through the document.
// Adding must not depend on the diary's size; deleting rebuilds the file and is measured against
// copying it with cp and flushing it to disk.
#include "benchdiary.h"

#include "document/diarydocument.h"
#include "store/diaryedit.h"
#include "store/entrycodec.h"
#include "store/recordfile.h"
#include "store/scramble.h"
#include "store/stamp.h"
#include "windows/passwordwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace
{

constexpr int AddRuns = 20;
constexpr int DeleteRuns = 3;
constexpr int ViewRuns = 2000;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One added entry, then the file cut back to what it was, so that every run adds to the same diary.
double addOnce(RecordFile& diary, const QByteArray& text)
{
    const qint64 size = diary.count() * RecordSize;
    DiaryRecord buffer;
    const double ms =
        millisecondsOf([&] { appendEntry(diary, text, ScrambledText(FixedKey), currentStamp(), buffer); });
    QFile::resize(diary.path(), size);
    return ms;
}

// One entry changed through the journal, alternating between two texts.
double changeOnce(RecordFile& diary, const QByteArray& text)
{
    const qint64 middle = diary.count() / 2;
    DiaryRecord buffer;
    diary.read(middle, buffer);
    const QString key = stampText(buffer.stamp());
    return millisecondsOf([&] { rewriteEntry(diary, middle, key, text, ScrambledText(FixedKey), buffer); });
}

double viewMicroseconds(const RecordFile& diary)
{
    DiaryRecord buffer;
    qsizetype characters = 0;
    const qint64 middle = diary.count() / 2;
    const double ms = millisecondsOf([&] {
        for (int i = 0; i < ViewRuns; ++i)
            characters += readEntryText(diary, middle + i % 7, ScrambledText(FixedKey), buffer).size();
    });
    if (characters == 0)
        std::printf("(no text read)\n");
    return ms * 1000.0 / ViewRuns;
}

void compareAdding(RecordFile& small, RecordFile& large)
{
    const QByteArray text(MaxEntryChars, 'q');
    std::vector<double> smallMs, largeMs, smallChangeMs, largeChangeMs;
    for (int i = 0; i < AddRuns; ++i) {
        smallMs.push_back(addOnce(small, text));
        largeMs.push_back(addOnce(large, text));
        smallChangeMs.push_back(changeOnce(small, text.left(100 + i)));
        largeChangeMs.push_back(changeOnce(large, text.left(100 + i)));
    }
    const double smallMedian = median(smallMs);
    const double largeMedian = median(largeMs);
    std::printf("add one entry to %6lld entries (median):    %8.3f ms\n", small.count() - 1, smallMedian);
    std::printf("add one entry to %6lld entries (median):    %8.3f ms\n", large.count() - 1, largeMedian);
    std::printf("%-44s %8.3f  (expected about 1)\n", "large / small:", largeMedian / smallMedian);
    const double smallChange = median(smallChangeMs);
    const double largeChange = median(largeChangeMs);
    std::printf("change one entry of %6lld entries (median): %8.3f ms\n", small.count() - 1, smallChange);
    std::printf("change one entry of %6lld entries (median): %8.3f ms\n", large.count() - 1, largeChange);
    std::printf("%-44s %8.3f  (expected about 1)\n", "large / small:", largeChange / smallChange);
}

// The entry is viewed first, as a person does, outside the time taken.
void compareDeleting(const QString& path, const QString& copy)
{
    DiaryDocument document;
    document.open(path, {});
    const QString command = QStringLiteral("cp '%1' '%2' && sync").arg(path, copy);
    double deleteMs = 1e300;
    double copyMs = 1e300;
    for (int i = 0; i < DeleteRuns; ++i) {
        document.viewEntry(int(document.view().entryCount() / 2));
        readFileSequentially(path);
        deleteMs = std::min(deleteMs, millisecondsOf([&] { document.deleteViewedEntry(); }));

        readFileSequentially(path);
        copyMs = std::min(copyMs, millisecondsOf([&] { shell(command); }));
        QFile::remove(copy);
    }
    std::printf("delete the middle entry (best of %d):         %8.1f ms\n", DeleteRuns, deleteMs);
    std::printf("cp diary copy && sync (best of %d):           %8.1f ms\n", DeleteRuns, copyMs);
    printRatio("delete / (cp && sync):", deleteMs, copyMs, 1.5);
}

// As a person does: a new password window, the fields typed, "OK" clicked; it sets a password on a
// diary without one and removes it from one with.
double rekeyAtWindow(DiaryDocument& document, QWidget& mainWindow)
{
    auto* window = new PasswordWindow(document, &mainWindow);
    window->show();
    named<QLineEdit>(window, "passIn1")->setText(QStringLiteral("secret"));
    if (document.view().hasPassword())
        named<QCheckBox>(window, "CBnone")->setChecked(true);
    else
        named<QLineEdit>(window, "passIn2")->setText(QStringLiteral("secret"));
    return clickToMessage(named<QPushButton>(window, "BitBtn1"));
}

// Setting a password rewrites every entry under the new key in one rebuild of the diary: through the
// document, and at the password window from the click on "OK" until it has closed.
void compareRekeying(const QString& path, const QString& copy)
{
    DiaryDocument document;
    document.open(path, {});
    QWidget mainWindow;
    const QString command = QStringLiteral("cp '%1' '%2' && sync").arg(path, copy);
    double rekeyMs = 1e300;
    double windowMs = 1e300;
    double copyMs = 1e300;
    for (int i = 0; i < DeleteRuns; ++i) {
        readFileSequentially(path);
        rekeyMs = std::min(
            rekeyMs, millisecondsOf([&] { document.rekey(document.view().hasPassword() ? QByteArray() : "secret"); }));
        readFileSequentially(path);
        windowMs = std::min(windowMs, rekeyAtWindow(document, mainWindow));
        readFileSequentially(path);
        copyMs = std::min(copyMs, millisecondsOf([&] { shell(command); }));
        QFile::remove(copy);
    }
    std::printf("cp diary copy && sync (best of %d):           %8.1f ms\n", DeleteRuns, copyMs);
    std::printf("set or remove the password (best of %d):      %8.1f ms\n", DeleteRuns, rekeyMs);
    printRatio("rekey / (cp && sync):", rekeyMs, copyMs, 1.5);
    std::printf("at the password window (best of %d):         %8.1f ms\n", DeleteRuns, windowMs);
    printRatio("window rekey / (cp && sync):", windowMs, copyMs, 1.5);
}

} // namespace

int main(int argc, char** argv)
{
    useOffscreenWindows();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString smallPath = dir.filePath("small.qnb");
    const QString largePath = dir.filePath("large.qnb");
    std::printf("Writing diaries of 10 and %d entries of %d characters...\n", MaxEntries - 1, MaxEntryChars);
    writeBenchDiary(smallPath, 10);
    writeBenchDiary(largePath, MaxEntries - 1);
    readFileSequentially(largePath);

    RecordFile small;
    small.open(smallPath);
    RecordFile large;
    large.open(largePath);
    std::printf("view one entry (read, join, decode):         %8.2f us\n\n", viewMicroseconds(large));
    compareAdding(small, large);

    DiaryRecord buffer;
    appendEntry(large, QByteArray(MaxEntryChars, 'z'), ScrambledText(FixedKey), currentStamp(), buffer);
    std::printf("\ndiary of %lld entries, %lld bytes\n", large.count() - 1, large.count() * RecordSize);
    large.close();
    compareDeleting(largePath, dir.filePath("copy.qnb"));
    compareRekeying(largePath, dir.filePath("copy.qnb"));
    return 0;
}
