#include "document/datelistmodel.h"
#include "export/entryexport.h"
#include "import/importentries.h"
#include "import/olddiary.h"
#include "import/oldfiles.h"
#include "opening.h"
#include "store/changejournal.h"
#include "store/entrycodec.h"
#include "store/entrytext.h"

#include <QSignalSpy>

#include <QTemporaryDir>
#include <QTest>
#include <numeric>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace testfiles;
using oldfiles::Layout;
using oldfiles::oldDiary;

class TestDocument : public QObject
{
    Q_OBJECT

    // Odd entries were saved on 1 March, even ones on 2 March, so that one day's entries never lie side
    // by side; entry 5 has the stamp of entry 3, so that only the record number tells them apart.
    static double stampOf(int i) { return dateTimeToStamp(QDateTime({2024, 3, 2 - i % 2}, {i == 5 ? 3 : i, 15, 7})); }
    static QString entryText(int i) { return u"Текст %1%2\nстрока"_s.arg(i).arg(i == 3 || i >= 5 ? u" общее" : u""); }

    static void writeDiary(const QString& path, int entries, const QString& password = {})
    {
        Diary diary{.password = password, .stamps = {}};
        for (int i = 1; i <= entries; ++i) {
            diary.stamps << stampOf(i);
            diary.texts << toFileLineBreaks(entryText(i));
        }
        testfiles::writeDiary(path, diary);
    }
    // As another program would: through a handle of its own.
    static void writeStamp(const QString& path, qint64 record, double stamp)
    {
        QFile other(path);
        QVERIFY(other.open(QIODevice::ReadWrite) && other.seek(record * RecordSize));
        QCOMPARE(other.write(reinterpret_cast<const char*>(&stamp), sizeof stamp), qint64(sizeof stamp));
    }

    bool openDiary(int entries, const QString& password = {}, qint64 records = 0)
    {
        writeDiary(m_path, entries, password);
        return (records == 0 || QFile::resize(m_path, records * RecordSize)) &&
               m_doc->open(m_path, knowingThePassword());
    }
    // A message's first line: the path that follows is the test's own.
    static QString firstLine(const QString& text) { return text.section(QLatin1Char('\r'), 0, 0); }
    QString shown(int row) { return m_doc->viewEntry(row).value_or(u"<nothing>"_s); }
    DateListModel* list() const { return m_doc->listModel(); }
    const DiaryView& diary() const { return m_doc->view(); }
    // The diary held: its path, whether its header holds a password, the rows listed.
    auto held() { return std::tuple(diary().path(), diary().hasPassword(), list()->rowCount()); }

    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(u"d.qnb"_s);
    std::optional<DiaryDocument> m_doc;

private slots:
    void init() { m_doc.emplace(); }
    void cleanup()
    {
        setReplaceFaultHook({});
        setJournalFaultHook({});
    }

    void prepare_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("answer"); // empty: the person gives up
        QTest::addColumn<QString>("error");
        QTest::newRow("plain") << u"plain"_s << QString() << u"no error"_s;
        QTest::newRow("protected, right password") << u"protected"_s << u"ключ"_s << u"no error"_s;
        QTest::newRow("protected, refused") << u"protected"_s << QString() << u"no error"_s;
        QTest::newRow("shorter than a record") << u"short"_s << QString() << u"Read beyond end of file"_s;
    }
    // Until adopt() the diary open before stays as it was.
    void prepare()
    {
        QFETCH(QString, kind);
        QFETCH(QString, answer);
        QFETCH(QString, error);
        QVERIFY(openDiary(3, u"старый"_s) && m_doc->findWord(u"Текст 3"_s) == 1 && shown(0) == entryText(3));
        const QString next = m_dir.filePath(QTest::currentDataTag());
        writeDiary(next, 2, kind == "protected" ? u"ключ"_s : QString());
        QVERIFY(kind != "short" || QFile::resize(next, RecordSize - 1));

        QStringList asked; // the path asked for, then whether the check took the answer
        const auto asker = [&](const QString& path, const PasswordCheck& check) {
            asked << path << (answer.isEmpty() ? u"gave up"_s : check(answer) ? u"right"_s : u"wrong"_s);
        };
        std::optional<PreparedDiary> prepared;
        QCOMPARE(firstLine(errorText([&] { prepared = m_doc->prepare(next, asker); })), error);
        const QString outcome = answer.isEmpty() ? u"gave up"_s : u"right"_s;
        QCOMPARE(asked, kind == "protected" ? (QStringList{next, outcome}) : QStringList());
        QCOMPARE(prepared.has_value(), kind == "plain" || !answer.isEmpty());
        QCOMPARE(held(), std::tuple(m_path, true, 1));
        if (!prepared)
            return;
        m_doc->adopt(std::move(*prepared));
        QCOMPARE(held(), std::tuple(next, !answer.isEmpty(), 2));
        QCOMPARE(shown(1), entryText(2)); // under the key given
    }

    void edits_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QList<int>>("listed"); // the record of each row
        QTest::addColumn<int>("row");           // viewed, changed and deleted
        QTest::newRow("every entry") << u"full"_s << QList<int>{1, 2, 3, 4, 5, 6} << 4;
        QTest::newRow("word search") << u"word"_s << QList<int>{3, 5, 6} << 1;
        QTest::newRow("day search") << u"day"_s << QList<int>{1, 3, 5} << 1;
    }
    // The entry edited shares its stamp with another one: found by its label, the wrong record would change.
    void edits()
    {
        QFETCH(QString, mode);
        QFETCH(QList<int>, listed);
        QFETCH(int, row);
        QVERIFY(openDiary(6));
        if (mode != "full")
            QCOMPARE(mode == "word" ? m_doc->findWord(u"общее"_s) : m_doc->findDay(QDate(2024, 3, 1)), 3);
        const int record = listed[row];
        QVERIFY(shown(row) == entryText(record) && diary().viewedRecord() == record);

        const QByteArray before = fileBytes(m_path);
        m_doc->change(u"Новый\nтекст"_s);
        const QByteArray others = fileBytes(m_path).remove(record * RecordSize, RecordSize); // all but the entry
        QCOMPARE(others, QByteArray(before).remove(record * RecordSize, RecordSize));
        QCOMPARE(entryTexts(m_path).value(record - 1), u"Новый\nтекст"_s);

        m_doc->deleteViewedEntry();
        QVERIFY(fileBytes(m_path) == others && diary().viewedRecord() == 0);
        listed.removeAt(row);
        QCOMPARE(list()->rowCount(), listed.size());
        for (int i = 0; i < listed.size(); ++i)
            QVERIFY(list()->rowText(i) == stampText(stampOf(listed[i])) && shown(i) == entryText(listed[i]));

        m_doc->add(u"Добавлено\nсегодня"_s);
        QVERIFY(diary().listsEveryEntry() && list()->rowCount() == 6 && shown(5) == u"Добавлено\nсегодня"_s);
    }

    void whileAnEntryIsOnView_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("mishap");   // what comes in the step's way; else what the row tries
        QTest::addColumn<QString>("argument"); // the text, or the new password
        QTest::addColumn<QString>("password"); // of the diary before the step
        QTest::addColumn<QString>("error");    // "%path" stands for the diary's
        const QString missing = u"Запись не найдена в дневнике"_s;
        const QString replaced = u"Файл дневника заменён, перемещён или удалён другой программой; в дневник ничего не "
                                 u"записано. Откройте его заново:\r%path"_s;
        const auto row = [](const char* step, const char* mishap, const QString& argument, const QString& password,
                            const QString& error) {
            QTest::addRow("%s, %s", step, mishap) << QString(step) << QString(mishap) << argument << password << error;
        };
        row("change", "stamped anew meanwhile", "x", {}, missing);
        row("delete", "stamped anew meanwhile", {}, "старый", missing);
        row("add", "5099 characters and a line break", QString(5099, u'я') + u'\n', {},
            u"Запись не сохранена: текст длиннее 5100 символов (в нём 5101, каждый перевод строки считается за два)"_s);
        row("rekey", "a password set", "новый", {}, "no error");
        for (const char* step : {"add", "change", "delete", "rekey"})
            row(step, "diary replaced meanwhile", "x", {}, replaced);
        for (const char* step : {"delete", "rekey"}) {
            row(step, "diary replaced at the rename", "новый", "старый", replaced);
            row(step, "not made safe on disk", "новый", "старый", NotSafeOnFullDisk);
        }
    }
    // Entry 5 is on view in a word search; a change or delete finds it stamped anew, though entry 3 still
    // bears the label shown. A step that fails changes nothing: the list and the entry on view stay, and a
    // diary that another program put in the old one's place while a rebuild ran stays as it is. Once the
    // rebuilt file has taken the diary's place, only flushing its folder can fail: the change is done and
    // the person told so, and the document holds the new file, locked, and goes on working.
    void whileAnEntryIsOnView()
    {
        QFETCH(QString, step);
        QFETCH(QString, mishap);
        QFETCH(QString, argument);
        QFETCH(QString, password);
        QFETCH(QString, error);
        QVERIFY(openDiary(6, password) && m_doc->findWord(u"общее"_s) == 3 && shown(1) == entryText(5));
        // Another program writes the diary anew, or one of its own without a password to take its place.
        const QString other = m_dir.filePath(u"other.qnb"_s);
        const bool swapped = mishap == u"diary replaced at the rename";
        writeDiary(mishap == u"diary replaced meanwhile" ? m_path : other, 6);
        if (mishap == u"stamped anew meanwhile")
            writeStamp(m_path, 5, stampOf(20));
        setReplaceFaultHook([&](ReplaceStep at) {
            if (swapped && at == ReplaceStep::Exchange)
                ::rename(QFile::encodeName(other).constData(), QFile::encodeName(m_path).constData());
            if (mishap == u"not made safe on disk" && at == ReplaceStep::FlushFolder)
                throw FileError(FileError::DiskFull);
        });
        const QByteArray before = fileBytes(swapped ? other : m_path);
        QSignalSpy reloaded(&*m_doc, &DiaryDocument::reloaded);
        QCOMPARE(errorText([&] {
                     step == u"add"      ? m_doc->add(argument)
                     : step == u"change" ? m_doc->change(argument)
                     : step == u"delete" ? m_doc->deleteViewedEntry()
                                         : m_doc->rekey(toCp1251(argument));
                 }),
                 QString(error).replace(u"%path"_s, m_path));
        setReplaceFaultHook({});

        const bool done = error == u"no error" || mishap == u"not made safe on disk";
        const QString now = done && step == u"rekey" ? argument : password; // the document's password
        QStringList texts;
        for (int i = 1; i <= 6; ++i)
            texts << entryText(i);
        if (done && step == u"delete")
            texts.removeAt(4);
        QVERIFY(done || fileBytes(m_path) == before);
        QCOMPARE(std::pair(storedPassword(m_path), entryTexts(m_path)), std::pair(swapped ? QString() : now, texts));
        QCOMPARE(reloaded.count(), int(done && step != u"delete"));
        if (mishap.startsWith(u"diary replaced")) {
            // The stale file is closed and every write refused until the diary is opened again, as it now is,
            // the entry on view still on view.
            QCOMPARE(std::pair(list()->rowCount(), diary().wasReplaced()), std::pair(0, true));
            QCOMPARE(errorText([&] { m_doc->add(u"x"_s); }), QString(error).replace(u"%path"_s, m_path));
            QVERIFY(m_doc->reopen(knowingThePassword()) && !diary().wasReplaced() && diary().viewedRecord() == 5);
            m_doc->add(u"после"_s);
            QCOMPARE(std::pair(list()->rowCount(), entryTexts(m_path).last()), std::pair(7, u"после"_s));
            return;
        }
        // The rows listed and the entry on view; the last row is read with the key the document holds.
        const auto [rows, viewed] = !done || step == u"rekey" ? std::pair(3, 5)
                                    : step == u"delete"       ? std::pair(2, 0)
                                                              : std::pair(7, 6);
        QCOMPARE(held(), std::tuple(m_path, !now.isEmpty(), rows));
        QCOMPARE(std::pair(diary().viewedRecord(), diary().listsEveryEntry()), std::pair(viewed, rows == 7));
        QCOMPARE(shown(rows - 1), entryText(6));
        if (!done)
            return;
        m_doc->add(u"после"_s);
        QCOMPARE(entryTexts(m_path).last(), u"после"_s);
        QCOMPARE(firstLine(errorText([&] { DiaryDocument().prepare(m_path, {}); })),
                 u"Дневник открыт в другой копии программы. Закройте его там, чтобы открыть здесь:"_s);
    }

    // An export reads the chosen entries with the key held and writes them in the order chosen, however
    // many batches it makes; progress is heard from none to all, at most once a percent. A record that
    // fails in a later batch leaves no file behind.
    void exportsThroughTheDocument()
    {
        Diary many{.password = u"ключ"_s, .stamps = {}};
        for (int i = 1; i <= 700; ++i) {
            many.stamps << testfiles::stampOf(2024, 3, 1 + i / 600, i / 60 % 10, i % 60);
            many.texts << u"Текст %1"_s.arg(i);
        }
        testfiles::writeDiary(m_path, many);
        QVERIFY(m_doc->open(m_path, knowingThePassword()));
        bool paced = true; // every export heard from 0 to all of its total, in order, at most 102 times
        const auto exported = [&](const ExportChoice& choice, const QString& name, ExportLayout layout) {
            QList<qint64> heard;
            m_doc->exportEntries(choice, m_dir.filePath(name), layout,
                                 [&](qint64 done, qint64 total) { heard << done * 1000 + total; });
            const qint64 total = heard.last() % 1000;
            paced = paced && heard.first() == total && heard.last() == total * 1001 && heard.size() <= 102 &&
                    std::is_sorted(heard.begin(), heard.end());
            return fromCp1251(fileBytes(m_dir.filePath(name)));
        };
        std::vector<std::int32_t> backwards(600);
        std::iota(backwards.rbegin(), backwards.rend(), 1);
        QStringList texts;
        for (const std::int32_t record : backwards)
            texts << u"Текст %1"_s.arg(record);
        QCOMPARE(exported({false, backwards}, u"back.txt"_s, ExportLayout::Text).split(u"\r\n"_s).filter(u"Текст"_s),
                 texts);
        QCOMPARE(exported({true, {}}, u"all.html"_s, ExportLayout::Html).count(u"<h3>"_s), 701); // and the footer

        backwards[400] = 701; // past the last entry
        QCOMPARE(errorText([&] {
                     m_doc->exportEntries({false, backwards}, m_dir.filePath(u"bad.txt"_s), ExportLayout::Text);
                 }),
                 u"Read beyond end of file"_s);
        QVERIFY(!QFile::exists(m_dir.filePath(u"bad.txt"_s)) && paced);
    }

    void mergesInStampOrder_data()
    {
        using Stamps = QList<double>;           // days; only their order counts
        QTest::addColumn<Stamps>("diary");      // entries "d1", "d2"…
        QTest::addColumn<Stamps>("source");     // entries "s0", "s1"…
        QTest::addColumn<int>("empty");         // the source entry without text, or -1
        QTest::addColumn<QString>("selection"); // "all", "text", or the entries picked, as "02"
        QTest::addColumn<QString>("merged");
        QTest::newRow("interleaved") << Stamps{2, 4} << Stamps{3, 1, 5} << -1 << u"all"_s << u"s1 d1 s0 d2 s2"_s;
        QTest::newRow("a diary entry of the same second comes first, the source's is left out")
            << Stamps{2} << Stamps{2 + 0.2 / 86400} << -1 << u"all"_s << u"d1"_s;
        QTest::newRow("equal source entries: the first only")
            << Stamps{} << Stamps{3, 3, 1} << -1 << u"all"_s << u"s2 s0"_s;
        QTest::newRow("equal source entries: the first with text")
            << Stamps{} << Stamps{1, 3, 3} << 1 << u"text"_s << u"s0 s2"_s;
        QTest::newRow("without text left out") << Stamps{2} << Stamps{1, 3} << 1 << u"text"_s << u"s0 d1"_s;
        QTest::newRow("picked") << Stamps{2} << Stamps{1, 3, 4} << -1 << u"02"_s << u"s0 d1 s2"_s;
        QTest::newRow("diary out of order stays in file order")
            << Stamps{5, 1, 5} << Stamps{3, 1, 6} << -1 << u"all"_s << u"s0 d1 d2 d3 s2"_s;
    }
    // The entry on view stays on view wherever the merge puts it.
    void mergesInStampOrder()
    {
        QFETCH(QList<double>, diary);
        QFETCH(QList<double>, source);
        QFETCH(int, empty);
        QFETCH(QString, selection);
        QFETCH(QString, merged);
        QStringList own;
        for (int i = 1; i <= diary.size(); ++i)
            own << u"d%1"_s.arg(i);
        testfiles::writeDiary(m_path, {.stamps = diary, .texts = own});
        QStringList old;
        for (int k = 0; k < source.size(); ++k)
            old << (k == empty ? QString() : u"s%1"_s.arg(k));
        writeFileBytes(m_dir.filePath(u"s.drb"_s), oldDiary(Layout::Middle, source, old));
        OldDiarySource from;
        QCOMPARE(from.recognise(m_dir.filePath(u"s.drb"_s)), OldDiarySource::Outcome::Recognised);
        ImportSelection chosen{selection == u"all" ? ImportChoice::All : ImportChoice::NonEmpty, {}};
        if (selection.front().isDigit()) {
            chosen.choice = ImportChoice::Picked;
            for (int k = 0; k < source.size(); ++k)
                chosen.picked.push_back(selection.contains(QChar(u'0' + k)));
        }
        QVERIFY(m_doc->open(m_path, {}) && (diary.isEmpty() || shown(0) == u"d1"_s));
        QList<qint64> heard;
        m_doc->importEntries(from, chosen, [&](qint64 done, qint64 total) { heard << done * 1000 + total; });
        QCOMPARE(entryTexts(m_path).join(u' '), merged);
        QCOMPARE(m_doc->view().viewedRecord(), merged.split(u' ').indexOf(u"d1"_s) + 1);
        // Progress is heard from none to all, in order, and no more often than once an entry.
        const qint64 total = heard.value(0);
        QVERIFY(total > 0 && heard.last() == total * 1001 && std::is_sorted(heard.begin(), heard.end()) &&
                heard.size() <= total + 1);
    }

    void changeCutShort_data()
    {
        QTest::addColumn<int>("step");       // where the change stops
        QTest::addColumn<QString>("mishap"); // "killed", "error", or what a kill left besides
        QTest::addColumn<bool>("changed");   // the entry has its new text once the diary is open again
        QTest::newRow("killed before the journal") << int(JournalStep::WriteJournal) << u"killed"_s << false;
        QTest::newRow("killed writing the journal") << int(JournalStep::WriteRecord) << u"journal cut"_s << false;
        QTest::newRow("killed writing the record") << int(JournalStep::FlushRecord) << u"record torn"_s << false;
        QTest::newRow("killed before removing the journal") << int(JournalStep::RemoveJournal) << u"killed"_s << true;
        QTest::newRow("journal not written") << int(JournalStep::WriteJournal) << u"error"_s << false;
        QTest::newRow("record not flushed") << int(JournalStep::FlushRecord) << u"error"_s << false;
    }
    // Whatever stops a change, the entry is old or new whole once the diary is opened again, the other
    // entries are untouched and no journal is left.
    void changeCutShort()
    {
        QFETCH(int, step);
        QFETCH(QString, mishap);
        QFETCH(bool, changed);
        QVERIFY(openDiary(3));
        QCOMPARE(shown(1), entryText(2));
        const QByteArray before = fileBytes(m_path);
        setJournalFaultHook([&](JournalStep at) {
            if (at == JournalStep(step))
                mishap == "error" ? throw FileError(FileError::DiskFull) : throw std::runtime_error("killed");
        });
        const QString text = QString(3000, u'н'); // over more than one page
        QCOMPARE(errorText([&] { m_doc->change(text); }), mishap == "error" ? u"Disk full"_s : u"killed"_s);
        setJournalFaultHook({});
        const QString journal = m_path + u".journal"_s;
        if (mishap == "journal cut")
            QVERIFY(QFile::resize(journal, RecordSize));
        if (mishap == "record torn") {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(2 * RecordSize)); // its first page still old
            file.write(before.mid(2 * RecordSize, 3 * 4096 - 2 * RecordSize));
        }
        QCOMPARE(QFile::exists(journal), mishap != "error" && step != int(JournalStep::WriteJournal));

        m_doc.emplace(); // as a new run of the program
        QVERIFY(m_doc->open(m_path, {}));
        QCOMPARE(entryTexts(m_path).value(1), changed ? text : entryText(2));
        QCOMPARE(fileBytes(m_path).remove(2 * RecordSize, RecordSize),
                 QByteArray(before).remove(2 * RecordSize, RecordSize));
        QVERIFY(!QFile::exists(journal));
    }

    // Rebuild leftovers nobody holds go when the diary is opened; a deletion keeps owner, group and
    // mode; a new diary is its owner's alone.
    void leftoversAndOwnership()
    {
        ::umask(022);
        writeDiary(m_path, 3);
        struct stat info;
        QVERIFY(::stat(qPrintable(m_path), &info) == 0 && (info.st_mode & 0777) == 0600);
        const QStringList names{u"d.qnb.aB3xY9.buf"_s, u"d.qnb.heldXX.buf"_s, u"d.qnb.ab.buf"_s, u"e.qnb.aB3xY9.buf"_s};
        for (const QString& name : names)
            writeFileBytes(m_dir.filePath(name), "x");
        RecordFile running; // a rebuild under way in another copy
        running.openExclusive(m_dir.filePath(names[1]));
        QVERIFY(::chmod(qPrintable(m_path), 0640) == 0);
        const uid_t owner = ::getuid() == 0 ? 4242 : ::getuid(); // as root: a file of another user
        QVERIFY(::chown(qPrintable(m_path), owner, 4243) == 0 || ::getuid() != 0);

        QVERIFY(m_doc->open(m_path, {}));
        for (const QString& name : names)
            QCOMPARE(QFile::exists(m_dir.filePath(name)), name != names[0]);
        QCOMPARE(shown(0), entryText(1));
        m_doc->deleteViewedEntry();
        struct stat rebuilt;
        QVERIFY(::stat(qPrintable(m_path), &rebuilt) == 0);
        QCOMPARE(std::tuple(rebuilt.st_mode, rebuilt.st_uid, rebuilt.st_gid),
                 std::tuple((info.st_mode & ~0777) | 0640, owner, ::getuid() == 0 ? 4243 : info.st_gid));
        QCOMPARE(entryTexts(m_path).value(0), entryText(2));
    }

    // A diary made at a time no number names still knows its draft; two diaries whose long names begin alike never
    // share one.
    void draftsBelongToTheirDiaryAlone()
    {
        testfiles::writeDiary(m_path, {.created = qQNaN()});
        QVERIFY(m_doc->open(m_path, {}));
        m_doc->keepDraft(false, u"первый"_s);
        const DraftReading reading = m_doc->readDraft();
        QCOMPARE(std::pair(reading.found, reading.draft.text), std::pair(DraftFound::Readable, u"первый"_s));
        const QString stem = m_dir.filePath(QString(249, u'd'));
        QVERIFY(draftName(stem + u"a.qnb"_s) != draftName(stem + u"b.qnb"_s));
    }

    // Another program may store lone CRs and LFs: an entry saved as it was shown keeps them, and counts each once.
    void keepsLineBreaksAsStored()
    {
        QVERIFY(openDiary(0));
        RecordFile other;
        other.open(m_path);
        DiaryRecord record;
        appendEntry(other, "a\rb\nc\r\nd", ScrambledText(FixedKey), stampOf(1), record);
        QCOMPARE(m_doc->listAll(), 1);
        const QString text = shown(0);
        QVERIFY(text == u"a\nb\nc\nd"_s && m_doc->characterCount(text) == 8);
        const auto stored = [&] { return (other.read(1, record), joinLines(record, FixedKey)); };
        m_doc->change(text);
        QCOMPARE(stored(), "a\rb\nc\r\nd");
        m_doc->change(text + u'e'); // as typed: line breaks as the program writes them
        QVERIFY(stored() == "a\r\nb\r\nc\r\nde" && m_doc->characterCount(text + u'e') == 11);
    }

    void findsWordsAsTheReaderSeesThem_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QList<int>>("found");       // entries, numbered from 0
        QTest::addColumn<QList<int>>("foldedFound"); // letter case and ё ignored
        QTest::newRow("case counts, listed once") << u"Hello"_s << QList<int>{0, 2} << QList<int>{0, 1, 2};
        QTest::newRow("across two pieces") << u"quillnest"_s << QList<int>{2} << QList<int>{2};
        QTest::newRow("blank against a line break") << u"again world"_s << QList<int>{} << QList<int>{};
        QTest::newRow("empty field") << QString() << QList<int>{} << QList<int>{};
        QTest::newRow("Cyrillic, mixed case") << u"пРИВЕТ, мИР"_s << QList<int>{} << QList<int>{3};
        QTest::newRow("beyond Windows-1251, not as '?'") << u"мир😀"_s << QList<int>{} << QList<int>{};
        QTest::newRow("ё as е") << u"елка"_s << QList<int>{5} << QList<int>{4, 5};
        QTest::newRow("Ё in capitals") << u"ЁЛКА"_s << QList<int>{} << QList<int>{4, 5};
    }
    // Text is searched as the reader sees it, whatever pieces the file keeps; an empty diary is not searched.
    void findsWordsAsTheReaderSeesThem()
    {
        QFETCH(QString, phrase);
        QFETCH(QList<int>, found);
        QFETCH(QList<int>, foldedFound);
        const QStringList texts{u"Hello world"_s,
                                u"hello again\nworld"_s,
                                u"Hello"_s + QString(247, u'x') + u"quillnest"_s + QString(300, u'y') + u"Hello"_s,
                                u"Привет, мир?"_s,
                                u"Сегодня Ёлка"_s,
                                u"сегодня елка"_s};
        QVERIFY(openDiary(0) && !m_doc->findWord(phrase) && !m_doc->findDay(QDate(2024, 3, 1)));
        for (const QString& text : texts)
            m_doc->add(text);
        for (const bool folded : {false, true}) {
            const QList<int>& listed = folded ? foldedFound : found;
            QVERIFY(m_doc->findWord(phrase, folded) == listed.size() && list()->rowCount() == listed.size());
            for (int row = 0; row < listed.size(); ++row)
                QCOMPARE(shown(row), texts[listed[row]]);
        }
    }

    // A sparse diary of MaxEntries entries takes no import, and is cut, grown, written anew and removed under the
    // open document.
    void fileChangesUnderTheDocument()
    {
        QVERIFY(openDiary(6, {}, MaxEntries + 1));
        QCOMPARE(list()->rowCount(), MaxEntries);
        writeFileBytes(m_dir.filePath(u"s.drb"_s), oldDiary(Layout::Middle, {oldfiles::stampOf(1)}, {u"старое"_s}));
        OldDiarySource source;
        QCOMPARE(source.recognise(m_dir.filePath(u"s.drb"_s)), OldDiarySource::Outcome::Recognised);
        QCOMPARE(errorText([&] { m_doc->importEntries(source, {}); }),
                 u"Импорт не выполнен: в дневнике может быть не больше 65535 записей, а после импорта их стало бы "
                 u"65536. Можно добавить ещё 0."_s);
        writeStamp(m_path, MaxEntries, stampOf(22));
        QCOMPARE(list()->data(list()->index(MaxEntries - 1)).toString(), stampText(stampOf(22)));
        QCOMPARE(list()->rowText(254), stampText(0)); // shares a cache place with the last row

        QCOMPARE(shown(1), entryText(2));
        QVERIFY(QFile::resize(m_path, 4 * RecordSize));
        QCOMPARE(list()->rowText(4), u"??.??.????"_s);
        QVERIFY(errorText([&] { m_doc->viewEntry(4); }) == u"Read beyond end of file"_s && diary().viewedRecord() == 2);
        const qint64 records = (qint64(1) << 40) / RecordSize; // a terabyte, sparse: nothing past the list is read
        QVERIFY(QFile::resize(m_path, records * RecordSize));
        QCOMPARE(list()->rowText(4), stampText(0)); // the failed read was not kept
        QVERIFY(m_doc->listAll() == MaxEntries && m_doc->findWord(u"Текст 2"_s) == 1 &&
                m_doc->findDay(QDate(2024, 3, 1)) == 2);
        QCOMPARE(diary().unlistedEntries(), records - 1 - MaxEntries);
    }

    void recognisesThePassword_data()
    {
        QTest::addColumn<QString>("set"); // as typed when it was set
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("matches");
        const QString longer = QString(254, u'п') + u"Ab"_s + QString(44, u'я'); // stored as its first 255
        QTest::newRow("longer than stored, as set") << longer << longer << true;
        QTest::newRow("longer than stored, as stored") << longer << longer.left(255) << true;
        QTest::newRow("one short") << longer << longer.left(254) << false;
        QTest::newRow("letter case") << longer << longer.left(254) + u'a' << false;
        QTest::newRow("beyond Windows-1251, where '?' is stored") << u"?"_s << u"\u0105"_s << false;
        QTest::newRow("nothing") << u"x"_s << QString() << false;
    }
    // One rule wherever a typed password meets a stored one: the prompt, the password window and the
    // old diaries all ask it.
    void recognisesThePassword()
    {
        QFETCH(QString, set);
        QFETCH(QString, typed);
        QFETCH(bool, matches);
        QVERIFY(openDiary(1));
        m_doc->rekey(passwordFileBytes(set));
        QCOMPARE(m_doc->isPassword(typed), matches);
    }
};

QTEST_GUILESS_MAIN(TestDocument)
#include "tst_document.moc"
