#include "import/olddiary.h"
#include "import/oldfiles.h"
#include "testfiles.h"

#include <QTemporaryDir>

#include <sys/stat.h>

using namespace oldfiles;
using namespace testfiles;
using Outcome = OldDiarySource::Outcome;

Q_DECLARE_METATYPE(Outcome)

class TestOldDiary : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    static QByteArray recordBytes(const DiaryRecord& record) { return QByteArray(record.data(), RecordSize); }
    // A text that takes two of an entry's lines.
    static inline const QString LongText = QString(300, u'ж') + u"хвост"_qs;

private slots:
    void recognises_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("entries"); // one: LongText in the layout named
        const QByteArray middle = oldDiary(Layout::Middle, {stampOf(1), stampOf(2), stampOf(3)}, {"a", "b", "c"});
        QTest::newRow("825,608 bytes are early records first")
            << QByteArray(825608, '\1') << Outcome::Recognised << "1.0.0 - 1.1.4" << 641;
        QTest::newRow("15,484 bytes: the part of a record ignored")
            << middle + QByteArray(100, 'x') << Outcome::Recognised << "1.2.0 - 1.3.1" << 3;
        QTest::newRow("a current diary: its header an entry")
            << fileBytes(writeDiary(path("cur.qnb"), {})) << Outcome::Recognised << "1.2.0 - 1.3.1" << 2;
        QTest::newRow("empty") << QByteArray() << Outcome::Empty << "" << 0;
        const QByteArray password = toCp1251(u"Пароль");
        QTest::newRow("early") << oldDiary(Layout::Early, {stampOf(7, 3)}, {LongText}) << Outcome::Recognised
                               << "1.0.0 - 1.1.4" << 1;
        QTest::newRow("middle") << oldDiary(Layout::Middle, {stampOf(7, 3)}, {LongText}) << Outcome::Recognised
                                << "1.2.0 - 1.3.1" << 1;
        QTest::newRow("late, protected") << oldDiary(Layout::Late, {stampOf(7, 3)}, {LongText}, password)
                                         << Outcome::Recognised << "1.4.0 - 2.0.0" << 1;
    }
    // A single entry, in each layout, becomes today's: same stamp, the same lines, the bytes behind them zeros;
    // rescrambled under another key it reads the same. A source opened next starts locked again.
    void recognises()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Outcome, outcome);
        QFETCH(QString, kind);
        QFETCH(int, entries);
        const QString name = path("source.drb"), next = path("next.drb");
        writeFileBytes(name, bytes);
        QVERIFY(::chmod(qPrintable(name), 0444) == 0); // read-only sources import
        OldDiarySource source;
        QCOMPARE(source.recognise(name), outcome);
        QCOMPARE(std::tuple(source.kind(), source.isOpen(), source.entryCount()),
                 std::tuple(kind, outcome == Outcome::Recognised, entries));
        if (entries != 1)
            return;
        QVERIFY(!source.isProtected() || (!source.checkPassword(u"пароль"_qs) && source.checkPassword(u"Пароль"_qs)));
        const auto expected = [&](const QByteArray& key) {
            const QByteArray bytes = toCp1251(LongText);
            return recordBytes(
                DiaryEntry{stampOf(7, 3), {scrambleText(bytes.left(255), key), scrambleText(bytes.mid(255), key)}}
                    .toRecord());
        };
        QCOMPARE(recordBytes(source.readEntry(0)), expected(source.key()));
        QCOMPARE(recordBytes(source.recoded(source.readEntry(0), ScrambledText("другой"))), expected("другой"));
        writeFileBytes(next, oldDiary(Layout::Late, {stampOf(1)}, {"x"}, "p"));
        QCOMPARE(source.recognise(next), Outcome::Recognised);
        QCOMPARE(source.key(), FixedKey);
    }
};

QTEST_GUILESS_MAIN(TestOldDiary)
#include "tst_olddiary.moc"
