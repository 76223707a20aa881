#include "import/importentries.h"
#include "import/olddiary.h"
#include "oldfiles.h"
#include "store/datelistmodel.h"
#include "store/rebuild.h"
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

    // A current diary at d.qnb holding `texts`, stamped on the given days, open in `document`.
    void openDiary(DiaryDocument& document, const QList<double>& stamps, const QStringList& texts)
    {
        writeDiary(path("d.qnb"), {.stamps = stamps, .texts = texts});
        QVERIFY(document.open(path("d.qnb"), {}));
    }

    static QByteArray recordBytes(const DiaryRecord& record) { return QByteArray(record.data(), RecordSize); }
    static QStringList texts(const DiaryDocument& document)
    {
        QStringList all;
        for (qint64 n = 1; n <= document.entryCount(); ++n)
            all << document.readEntry(n).text;
        return all;
    }

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

    void mergesInStampOrder_data()
    {
        using Stamps = QList<double>; // only their order counts
        QTest::addColumn<Stamps>("diary");
        QTest::addColumn<Stamps>("source");
        QTest::addColumn<QList<bool>>("taken");
        QTest::addColumn<QList<int>>("order"); // diary records as n, source entries as -1 - k
        QTest::newRow("interleaved") << Stamps{2, 4} << Stamps{3, 1, 5} << QList{true, true, true}
                                     << QList{-2, 1, -1, 2, -3};
        QTest::newRow("a diary entry of the same second comes first, the source's is left out")
            << Stamps{2} << Stamps{2 + 0.2 / 86400} << QList{true} << QList{1};
        QTest::newRow("equal source entries: the first only")
            << Stamps{} << Stamps{3, 3, 1} << QList{true, true, true} << QList{-3, -1};
        QTest::newRow("left out by choice") << Stamps{2} << Stamps{1, 3} << QList{false, true} << QList{1, -2};
        QTest::newRow("diary out of order: sorted, its own equal ones in file order")
            << Stamps{5, 1, 5} << Stamps{} << QList<bool>{} << QList{2, 1, 3};
    }
    void mergesInStampOrder()
    {
        QFETCH(QList<double>, diary);
        QFETCH(QList<double>, source);
        QFETCH(QList<bool>, taken);
        QFETCH(QList<int>, order);
        QList<int> merged;
        const auto stamps = [](const QList<double>& list) { return std::vector<double>(list.begin(), list.end()); };
        for (const MergedEntry& e :
             mergeOrder(stamps(diary), stamps(source), std::vector<bool>(taken.begin(), taken.end())))
            merged << (e.own ? e.index : -1 - e.index);
        QCOMPARE(merged, order);
    }

    // Into the open diary after a word search: every own entry kept, the list full, the entry on view
    // still on view; a rebuild that fails and too many entries change nothing.
    void importsIntoTheOpenDiary()
    {
        DiaryDocument document;
        openDiary(document, {stampOf(2), stampOf(4)}, {"два", "четыре"});
        OldDiarySource source;
        QCOMPARE(source.recognise(written("s.drb", oldDiary(Layout::Late, {stampOf(3), stampOf(1), stampOf(4)},
                                                            {"три", "", "4 again"}, toCp1251(u"ключ")))),
                 Outcome::Recognised);
        QVERIFY(source.checkPassword(u"ключ"_qs));
        QCOMPARE(document.findWord(u"четыре"_qs), 1);
        QCOMPARE(document.view(0), u"четыре"_qs);
        const std::vector<bool> taken = takenEntries(source, ImportChoice::NonEmpty, {});
        QCOMPARE(taken, std::vector<bool>({true, false, true}));

        const QByteArray before = fileBytes(path("d.qnb"));
        setRebuildFaultHook([](RebuildStep at) {
            if (at == RebuildStep::Rename)
                throw FileError(FileError::DiskFull);
        });
        QCOMPARE(errorText([&] { importIntoDiary(document, source, taken); }), u"Disk full"_qs);
        setRebuildFaultHook({});
        QVERIFY(fileBytes(path("d.qnb")) == before && document.isOpen());

        QList<qint64> progress;
        importIntoDiary(document, source, taken, [&](qint64 done, qint64 total) { progress << done * 10 + total; });
        QCOMPARE(texts(document), QStringList({"два", "три", "четыре"}));
        QCOMPARE(progress, QList<qint64>({13, 23, 33}));
        QCOMPARE(document.listModel()->rowCount(), 3);
        QCOMPARE(std::pair(document.state().ViewedRecord, document.state().ListComplete), std::pair(3, true));
        QVERIFY(QFile::resize(path("d.qnb"), qint64(MaxEntries + 1) * RecordSize)); // full, sparse
        const QString tooMany = errorText([&] { importIntoDiary(document, source, {true, true, true}); });
        QCOMPARE(tooMany,
                 u"Импорт не выполнен: в дневнике может быть не больше 65535 записей, а после импорта их стало бы "
                 u"65536. Можно добавить ещё 0."_qs);
    }

    // A new diary from a protected source keeps its password and its lines as they were; an existing
    // file is never replaced.
    void importsIntoANewDiary()
    {
        OldDiarySource source;
        QCOMPARE(source.recognise(written(
                     "n.drb", oldDiary(Layout::Late, {stampOf(1), stampOf(2)}, {"один", "два"}, toCp1251(u"ключ")))),
                 Outcome::Recognised);
        importIntoNewDiary(source, {false, true}, path("new.qnb"), "Title", "Owner");
        DiaryDocument document;
        QVERIFY(document.open(path("new.qnb"),
                              [](const QString&, const RecordFile&) { return std::optional(toCp1251(u"ключ")); }));
        QCOMPARE(texts(document), QStringList{"два"});
        QCOMPARE(std::pair(document.title(), document.owner()), std::pair(u"Title"_qs, u"Owner"_qs));
        const QString exists = errorText([&] { importIntoNewDiary(source, {true, true}, path("new.qnb"), "", ""); });
        QCOMPARE(exists, FileError::textFor(FileError::codeForErrno(EEXIST)));
    }
};

QTEST_GUILESS_MAIN(TestOldDiary)
#include "tst_olddiary.moc"
