#include "diarymaker.h"

#include "store/datelist.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace diarymaker;

class TestDateList : public QObject
{
    Q_OBJECT

private slots:
    void listsEveryEntryInFileOrder();
    void listsNothingForHeaderOnly();
    void listsNoMoreThanADiaryCanHold();

private:
    QTemporaryDir m_dir;
};

void TestDateList::listsEveryEntryInFileOrder()
{
    // Stamps out of date order, at midnight, with milliseconds, and two alike.
    Diary diary;
    QStringList expected;
    for (int i = 0; i < 300; ++i) {
        const QDate day = QDate(2026, 1, 1).addDays((i * 37) % 200);
        const QTime time = i % 10 == 0 ? QTime(0, 0) : QTime((i * 7) % 24, (i * 13) % 60, (i * 17) % 60, i % 1000);
        diary.stamps << dateTimeToStamp(QDateTime(day, time));
        expected << shortDateText(day) + (i % 10 == 0 ? QString() : QLatin1Char(' ') + longTimeText(time));
    }
    diary.stamps << diary.stamps.last();
    expected << expected.last();
    const QString path = m_dir.filePath(QStringLiteral("many.qnb"));
    writeDiary(path, diary);
    // A record cut short at the end of the file is no entry.
    QFile tail(path);
    QVERIFY(tail.open(QIODevice::Append));
    QCOMPARE(tail.write(QByteArray(100, '\x7f')), 100);
    tail.close();

    RecordFile file;
    file.open(path);
    QCOMPARE(dateListItems(file), expected);
    QCOMPARE(expected.at(0), QStringLiteral("01.01.2026"));
}

void TestDateList::listsNothingForHeaderOnly()
{
    const QString path = m_dir.filePath(QStringLiteral("empty.qnb"));
    writeDiary(path, Diary{});
    RecordFile file;
    file.open(path);
    QVERIFY(dateListItems(file).isEmpty());
}

// The lists count entries in 16 bits: a file with one entry too many still lists 65,535, not none.
void TestDateList::listsNoMoreThanADiaryCanHold()
{
    const QString path = m_dir.filePath(QStringLiteral("huge.qnb"));
    writeDiary(path, Diary{});
    QFile sparse(path);
    QVERIFY(sparse.resize(qint64(MaxEntries + 2) * RecordSize));

    RecordFile file;
    file.open(path);
    DiaryRecord record;
    record.setStamp(stampOf(2026, 5, 1, 8, 30));
    file.write(MaxEntries, record);
    record.setStamp(stampOf(2026, 5, 2, 9, 45));
    file.write(MaxEntries + 1, record);

    const QStringList items = dateListItems(file);
    QCOMPARE(items.size(), MaxEntries);
    QCOMPARE(items.first(), QStringLiteral("30.12.1899"));
    QCOMPARE(items.last(), QStringLiteral("01.05.2026 08:30:00"));
}

QTEST_GUILESS_MAIN(TestDateList)
#include "tst_datelist.moc"
