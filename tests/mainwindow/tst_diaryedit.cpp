#include "diarymaker.h"

#include "mainwindow/diarystate.h"
#include "store/diaryedit.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace diarymaker;

class TestDiaryEdit : public QObject
{
    Q_OBJECT

private slots:
    void mappingFollowsDeletionInEveryListMode();
    void fullDiaryTakesNoMoreEntries();
};

void TestDiaryEdit::mappingFollowsDeletionInEveryListMode()
{
    DiaryState all;
    all.FirstListRecord = 1;
    QCOMPARE(forgetDeletedRecord(all, 3, 5), 2);
    QCOMPARE(recordOfListItem(all, 2), 3); // the item after it now stands for the record that moved up

    // One day's entries: records 4 to 6.
    DiaryState day;
    day.FirstListRecord = 4;
    QCOMPARE(forgetDeletedRecord(day, 9, 3), -1);
    QCOMPARE(day.FirstListRecord, 4);
    QCOMPARE(forgetDeletedRecord(day, 2, 3), -1);
    QCOMPARE(day.FirstListRecord, 3);
    QCOMPARE(forgetDeletedRecord(day, 4, 3), 1);
    QCOMPARE(recordOfListItem(day, 1), 4);

    // A word search found records 2, 5 and 9; the last element is left over from sizing.
    DiaryState word;
    word.WordFilterOn = true;
    word.FirstListRecord = 1;
    word.FoundRecords = {2, 5, 9, 3};
    QCOMPARE(forgetDeletedRecord(word, 5, 3), 1);
    QCOMPARE(word.FoundRecords, std::vector<std::uint16_t>({2, 8, 3}));
    QCOMPARE(forgetDeletedRecord(word, 3, 2), -1); // only the list's items count, not the leftover
    QCOMPARE(word.FoundRecords, std::vector<std::uint16_t>({2, 7, 3}));
    QCOMPARE(recordOfListItem(word, 1), 7);
    QCOMPARE(recordOfListItem(word, 5), 0);
}

// A diary holds at most 65,535 entries; the file is sparse, so it costs no disk space.
void TestDiaryEdit::fullDiaryTakesNoMoreEntries()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.qnb"));
    writeDiary(path, Diary{});
    const qint64 fullSize = qint64(MaxEntries + 1) * RecordSize;
    QVERIFY(QFile::resize(path, fullSize - RecordSize));

    RecordFile file;
    file.open(path);
    DiaryRecord buffer;
    QCOMPARE(appendEntry(file, "last", FixedKey, stampOf(2026, 6, 1, 12), buffer), qint64(MaxEntries));
    QCOMPARE(QFileInfo(path).size(), fullSize);
    try {
        appendEntry(file, "one too many", FixedKey, stampOf(2026, 6, 1, 13), buffer);
        QFAIL("a full diary took another entry");
    } catch (const QuillnestError& error) {
        QCOMPARE(error.text(), QStringLiteral("Дневник заполнен: в нём 65535 записей"));
    }
    QCOMPARE(QFileInfo(path).size(), fullSize);
}

QTEST_MAIN(TestDiaryEdit)
#include "tst_diaryedit.moc"
