#include "export/entryexport.h"
#include "opening.h"
#include "settings/privateprofile.h"
#include "store/changejournal.h"
#include "store/entrycodec.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace testfiles;

namespace
{

constexpr uid_t Other = 65534; // another user of the computer

const QString Untouched = u"a file of someone else's"_s;

} // namespace

// A diary in a folder that others may write, as /tmp is (1777): what another user puts at the names the
// program writes beside the diary, or at a name it is asked to write, never receives the person's text nor
// changes what the program does with the diary, and never makes it wait.
class TestSharedFolder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file(const QString& name) const { return m_dir.filePath(name); }

    // Puts `object` at `name`, owned by another user unless `own`.
    void plant(const QString& name, const QString& object, bool own)
    {
        const QByteArray path = QFile::encodeName(file(name));
        if (object == "fifo")
            QCOMPARE(::mkfifo(path.constData(), 0666), 0);
        else if (object == "folder")
            QVERIFY(QDir().mkdir(file(name)));
        else if (object == "link")
            QVERIFY(QFile::link(file(u"victim"_s), file(name)));
        else
            writeFileBytes(file(name), Untouched.toUtf8());
        if (object != "link") // a link's own mode means nothing; the file it names stays as it was
            QCOMPARE(::chmod(path.constData(), object == "folder" ? 0777 : 0666), 0);
        QCOMPARE(::lchown(path.constData(), own ? ::getuid() : Other, -1), 0);
    }

private slots:
    void initTestCase()
    {
        if (::geteuid() != 0)
            QSKIP("only the superuser can make files of another user");
        QCOMPARE(::chmod(QFile::encodeName(m_dir.path()).constData(), 01777), 0);
        qputenv("XDG_STATE_HOME", QFile::encodeName(file(u"state"_s)));
    }
    void init()
    {
        for (const QString& name : QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System))
            QFileInfo(file(name)).isDir() && !QFileInfo(file(name)).isSymLink()
                ? (void)QDir(file(name)).removeRecursively()
                : (void)QFile::remove(file(name));
        writeFileBytes(file(u"victim"_s), Untouched.toUtf8()); // say, the person's ~/.bashrc
        writeDiary(file(u"d.qnb"_s), {.stamps = {stampOf(2024, 3, 1)}, .texts = {u"старый"_s}});
    }

    void plantedObjects_data()
    {
        QTest::addColumn<QString>("name");   // planted beside the diary
        QTest::addColumn<QString>("object"); // "file", "fifo", "folder", "link"
        QTest::addColumn<bool>("own");       // the person's own, else another user's
        QTest::addColumn<QString>("told");   // what the operation said; "no error" when it did its work
        const auto row = [](const char* tag, const char* name, const char* object, bool own, const QString& told) {
            QTest::newRow(tag) << QString(name) << QString(object) << own << told;
        };
        const QString noError = u"no error"_s;
        row("journal: another user's file, which would receive the text", "d.qnb.journal", "file", false, noError);
        row("journal: the person's own, but anybody's to write", "d.qnb.journal", "file", true, noError);
        row("journal: a pipe, which would keep the change waiting", "d.qnb.journal", "fifo", false, noError);
        for (const char* object : {"file", "fifo", "folder", "link"})
            QTest::addRow("draft: another user's %s", object)
                << u"d.qnb.draft"_s << QString(object) << false << noError;
        row("export: another user's link to the person's file", "report.txt", "link", false, u"File access denied"_s);
        row("export: the person's own link", "report.txt", "link", true, noError);
        row("Settings.ini: another user's link", "Settings.ini", "link", false, u"Unable to write to %path"_s);
        row("configuration folder: another user's", "config", "folder", false,
            u"Unable to write to %path/Settings.ini"_s);
    }
    void plantedObjects()
    {
        QFETCH(QString, name);
        QFETCH(QString, object);
        QFETCH(bool, own);
        QFETCH(QString, told);
        plant(name, object, own);
        DiaryDocument diary;
        QVERIFY(diary.open(file(u"d.qnb"_s), {}));
        QString said;
        if (name.endsWith(u".journal")) {
            QVERIFY(diary.viewEntry(0).has_value());
            said = errorText([&] { diary.change(u"новый"_s); });
            QCOMPARE(entryTexts(file(u"d.qnb"_s)), QStringList{u"новый"_s});
        } else if (name.endsWith(u".draft")) {
            said = errorText([&] { diary.keepDraft(false, u"набранное"_s); });
            const DraftReading reading = diary.readDraft();
            QCOMPARE(std::tuple(reading.found, reading.draft.text, reading.takenName),
                     std::tuple(DraftFound::Readable, u"набранное"_s, file(name)));
            QVERIFY(reading.keptIn.startsWith(file(u"state/quillnest/drafts"_s)));
        } else if (name.endsWith(u".txt")) {
            said = errorText([&] { diary.exportEntries({true, {}}, file(name), ExportLayout::Text); });
            QCOMPARE(fileBytes(file(u"victim"_s)).contains(toCp1251(u"старый")), own);
        } else {
            const QString settings = name == u"config" ? file(name) + u"/Settings.ini"_s : file(name);
            said = errorText([&] { PrivateProfile(settings).writeBool(u"Options"_s, u"Editing"_s, true); });
        }
        QCOMPARE(said, told.replace(u"%path"_s, file(name)));
        if (object == "file")
            QCOMPARE(fileBytes(file(name)), Untouched.toUtf8());
        QCOMPARE(QFileInfo(file(name)).isSymLink(), object == "link");
        if (!own)
            QCOMPARE(fileBytes(file(u"victim"_s)), Untouched.toUtf8());
    }

    // A journal another user planted, which would put an old text back in the diary at every opening, is never
    // applied and stays where it is; the person is told of it.
    void aForgedJournalIsNotApplied()
    {
        const QString path = file(u"d.qnb"_s), journal = path + u".journal"_s;
        {
            DiaryDocument diary;
            QVERIFY(diary.open(path, {}) && diary.viewEntry(0).has_value());
            setJournalFaultHook([](JournalStep step) {
                if (step == JournalStep::RemoveJournal)
                    throw std::runtime_error("killed");
            });
            QCOMPARE(errorText([&] { diary.change(u"новый"_s); }), u"killed"_s); // the journal stays
            setJournalFaultHook({});
        }
        RecordFile other; // the entry written anew by another program, so that the journal would act
        other.open(path);
        DiaryRecord record;
        appendEntry(other, "x", ScrambledText(FixedKey), stampOf(2024, 3, 2), record);
        other.read(2, record);
        other.write(1, record);
        QCOMPARE(::chown(QFile::encodeName(journal).constData(), Other, -1), 0);
        const QByteArray planted = fileBytes(journal);
        DiaryDocument diary;
        QVERIFY(diary.open(path, {}));
        QCOMPARE(diary.view().foreignJournal(), journal);
        QCOMPARE(entryTexts(path).value(0), u"x"_s);
        QCOMPARE(fileBytes(journal), planted);
    }
};

QTEST_GUILESS_MAIN(TestSharedFolder)
#include "tst_sharedfolder.moc"
