#include "import/importentries.h"
#include "import/olddiary.h"
#include "oldfiles.h"
#include "store/diarydocument.h"
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

    QString written(const QString& name, const QByteArray& bytes) const
    {
        writeFileBytes(path(name), bytes);
        return path(name);
    }

    static QByteArray recordBytes(const DiaryRecord& record) { return QByteArray(record.data(), RecordSize); }

private slots:
    void recognises_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("entries");
        const QByteArray middle = oldDiary(Layout::Middle, {stampOf(1), stampOf(2), stampOf(3)}, {"a", "b", "c"});
        QTest::newRow("825,608 bytes are early records first")
            << QByteArray(825608, '\1') << Outcome::Recognised << "1.0.0 - 1.1.4" << 641;
        QTest::newRow("a header alone") << oldDiary(Layout::Late, {}, {}) << Outcome::Empty << "" << 0;
        QTest::newRow("a header and one entry")
            << oldDiary(Layout::Late, {stampOf(1)}, {"a"}) << Outcome::Recognised << "1.4.0 - 2.0.0" << 1;
        QTest::newRow("15,484 bytes: the part of a record ignored")
            << middle + QByteArray(100, 'x') << Outcome::Recognised << "1.2.0 - 1.3.1" << 3;
        QTest::newRow("a current diary: its header an entry")
            << fileBytes(writeDiary(path("cur.qnb"), {})) << Outcome::Recognised << "1.2.0 - 1.3.1" << 2;
        QTest::newRow("empty") << QByteArray() << Outcome::Empty << "" << 0;
        QTest::newRow("missing") << QByteArray("missing") << Outcome::NotFound << "" << 0;
        QTest::newRow("no layout fits") << QByteArray(100, 'x') << Outcome::Empty << "Read beyond end of file" << 0;
    }
    void recognises()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Outcome, outcome);
        QFETCH(QString, kind);
        QFETCH(int, entries);
        const QString name = bytes == "missing" ? path("missing.drb") : written("source.drb", bytes);
        QVERIFY(bytes == "missing" || ::chmod(qPrintable(name), 0444) == 0); // read-only sources import
        OldDiarySource source;
        const QString error = errorText([&] { QCOMPARE(source.recognise(name), outcome); });
        QCOMPARE(error == "no error" ? source.kind() : error, kind);
        QCOMPARE(std::pair(source.isOpen(), source.entryCount()), std::pair(outcome == Outcome::Recognised, entries));
    }

    // Each layout's entry becomes today's: same stamp, the same lines, the bytes behind them zeros;
    // rescrambled under another key it reads the same.
    void convertsEntries_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::newRow("early") << Layout::Early;
        QTest::newRow("middle") << Layout::Middle;
        QTest::newRow("late, protected") << Layout::Late;
    }
    void convertsEntries()
    {
        QFETCH(Layout, layout);
        const QString text = QString(300, u'ж') + u"хвост"_qs;
        const QString password = layout == Layout::Late ? u"Пароль"_qs : QString();
        OldDiarySource source;
        QCOMPARE(source.recognise(written("c.drb", oldDiary(layout, {stampOf(7, 3)}, {text}, toCp1251(password)))),
                 Outcome::Recognised);
        QVERIFY(layout != Layout::Late || (!source.checkPassword(u"пароль"_qs) && source.checkPassword(u"Пароль"_qs)));
        const auto expected = [&](const QByteArray& key) {
            const QByteArray bytes = toCp1251(text);
            return recordBytes(
                DiaryEntry{stampOf(7, 3), {ScrambleText(bytes.left(255), key), ScrambleText(bytes.mid(255), key)}}
                    .toRecord());
        };
        QCOMPARE(recordBytes(source.readEntry(0)), expected(source.key()));
        QCOMPARE(recordBytes(source.rescrambled(source.readEntry(0), "другой")), expected("другой"));
        // A source opened next starts locked again.
        QCOMPARE(source.recognise(written("c2.drb", oldDiary(Layout::Late, {stampOf(1)}, {"x"}, "p"))),
                 Outcome::Recognised);
        QCOMPARE(source.key(), FixedKey);
    }

    // A new diary from a protected source keeps its password and its lines as they were; what an import
    // killed on the way left beside it goes; an existing file is never replaced.
    void importsIntoANewDiary()
    {
        OldDiarySource source;
        QCOMPARE(source.recognise(written(
                     "n.drb", oldDiary(Layout::Late, {stampOf(1), stampOf(2)}, {"один", "два"}, toCp1251(u"ключ")))),
                 Outcome::Recognised);
        written("new.qnb.Ab1Cd2.buf", "left by an import that was killed"); // goes with the next one
        importIntoNewDiary(source, {ImportChoice::Picked, {false, true}}, path("new.qnb"), "Title", "Owner");
        QVERIFY(!QFile::exists(path("new.qnb.Ab1Cd2.buf")));
        DiaryDocument document;
        QVERIFY(document.open(path("new.qnb"),
                              [](const QString&, const RecordFile&) { return std::optional(toCp1251(u"ключ")); }));
        QCOMPARE(entryTexts(path("new.qnb"), toCp1251(u"ключ")), QStringList{"два"});
        QCOMPARE(std::pair(document.view().title(), document.view().owner()), std::pair(u"Title"_qs, u"Owner"_qs));
        const QString exists = errorText([&] { importIntoNewDiary(source, {}, path("new.qnb"), "", ""); });
        QCOMPARE(exists, FileError::textFor(FileError::codeForErrno(EEXIST)));
    }
};

QTEST_GUILESS_MAIN(TestOldDiary)
#include "tst_olddiary.moc"
