#include "settings/settingsfile.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testfiles;

class TestSettingsFile : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;

private slots:
    // The umask would leave a new file readable by all.
    void initTestCase() { ::umask(022); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_ini = settingsFilePath(m_dir->path());
    }

    // Beside the program where the person may write there, else in their configuration folder (a relative one does
    // not count), made theirs alone; none where no home folder is known, and the write then says so. What the
    // package manager owns is never written, even by the superuser.
    void dataGoesWhereThePersonMayWrite()
    {
        const QString home = m_dir->filePath("home"), config = m_dir->filePath("config"), ro = m_dir->filePath("ro"),
                      gone = m_dir->filePath("gone"); // even the superuser cannot write in a missing folder
        writeFileBytes(m_ini, "");
        QVERIFY(QDir().mkdir(home) && QDir().mkdir(ro) &&
                QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner));
        const QList<std::tuple<QString, QByteArray, QString>> cases = {
            {m_dir->path(), config.toUtf8(), m_dir->path()},
            {ro, config.toUtf8(), geteuid() == 0 ? ro : config + "/quillnest"},
            {gone, (config + "/deep").toUtf8(), config + "/deep/quillnest"},
            {"/usr/bin", config.toUtf8(), config + "/quillnest"},
            {gone, QByteArray(), home + "/.config/quillnest"},
            {gone, "relative", home + "/.config/quillnest"},
            {gone, (m_ini + "/under a file").toUtf8(), m_ini + "/under a file/quillnest"}, // nothing written there
            {gone, QByteArray(), QString()}};                                              // no home folder known
        const QByteArray oldHome = qgetenv("HOME");
        const std::optional<QByteArray> oldConfig =
            qEnvironmentVariableIsSet("XDG_CONFIG_HOME") ? std::optional(qgetenv("XDG_CONFIG_HOME")) : std::nullopt;
        qputenv("HOME", home.toUtf8());
        for (const auto& [programDir, xdg, expected] : cases) {
            xdg.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", xdg);
            if (expected.isEmpty())
                qunsetenv("HOME");
            QCOMPARE(programDataDir(programDir), expected);
            QVERIFY(expected == programDir || !QFileInfo(expected).isDir() ||
                    (QFile::permissions(expected) & 0x0077) == 0); // nothing for the group and others
        }
        QCOMPARE(errorText([] { PrivateProfile(QString()).writeBool("Options", "Editing", true); }),
                 QStringLiteral("Unable to write to Settings.ini: no home folder is known (HOME)"));
        QVERIFY((QFile::permissions(config) & 0x0077) == 0); // the folder on the way too
        // New diaries beside the program where Settings.ini is, else in the documents folder the desktop names, or
        // at home while that is missing.
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        writeFileBytes(config + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Документы\"\n");
        QVERIFY(diariesDir(m_dir->path()) == m_dir->path() && diariesDir("/usr/bin") == home);
        QVERIFY(QDir().mkdir(home + "/Документы") && diariesDir("/usr/bin") == home + "/Документы");
        // Dated copies go among the person's data, as the desktop names its folder.
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", config.toUtf8());
        QCOMPARE(backupsRoot(), config + "/quillnest/backups");
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(backupsRoot(), home + "/.local/share/quillnest/backups");
        qunsetenv("HOME");
        QCOMPARE(backupsRoot(), QString());
        qputenv("XDG_DATA_HOME", oldData);
        qputenv("HOME", oldHome);
        oldConfig ? qputenv("XDG_CONFIG_HOME", *oldConfig) : qunsetenv("XDG_CONFIG_HOME");
    }

    void readsNamesWithoutCaseAndWritesTheFilesSpelling()
    {
        // Numbers as booleans; -1: not a number, so the fallback is given back.
        const QList<QPair<int, QStringList>> groups = {
            {1, {"1", "2", " 1 ", "0X1f", "$FF"}},
            {0, {"0", "0x0"}},
            {-1, {"0x", "$-1", "4294967296", "", "yes", "12abc", QStringLiteral("\uFF11")}}};
        for (const auto& [expected, values] : groups)
            for (const QString& value : values)
                for (const bool fallback : {false, true})
                    QVERIFY2(parseProfileBool(value, fallback) == (expected < 0 ? fallback : expected == 1),
                             qPrintable(value));

        const QByteArray before = "\xEF\xBB\xBF[ oPTIONS ]\n  EDITING  =  1  \n"
                                  "\tbyword\t=\tpadded  inner  text ; not a comment\t\n;OpenLast=1\n"
                                  "OpenFave = first\nopenfave = second\n[Directory]\nLastDiary=/a/Дневник.qnb\n"
                                  "[options]\nByDate=0\n";
        writeFileBytes(m_ini, before);
        PrivateProfile profile(m_ini);
        const auto read = [&](auto section, auto key) { return profile.readString(section, key, "none"); };
        QCOMPARE(read("Options", "Editing"), QStringLiteral("1"));
        QCOMPARE(read("OPTIONS", "ByWord"), QStringLiteral("padded  inner  text ; not a comment"));
        // Commented-out keys are not keys; the first of two equal keys is the one read.
        QCOMPARE(read("Options", "OpenLast"), QStringLiteral("none"));
        QCOMPARE(read("Options", "OpenFave"), QStringLiteral("first"));
        QCOMPARE(read("directory", "lastdiary"), QStringLiteral("/a/Дневник.qnb"));
        // Only the first section of a name is looked in.
        QCOMPARE(read("Options", "ByDate"), QStringLiteral("none"));
        QCOMPARE(profile.readBool("options", "editing", false), true);

        profile.writeString("options", "Editing", "0");
        profile.writeString("OPTIONS", "OPENFAVE", "third");
        QByteArray expected = before;
        expected.replace("  EDITING  =  1  \n", "EDITING=0\n").replace("OpenFave = first\n", "OpenFave=third\n");
        QCOMPARE(fileBytes(m_ini), expected);

        // Readers get at most 2047 characters, never half of a surrogate pair; the file keeps the rest.
        const QString longer = QString(2046, u'a') + QStringLiteral("Жxyz");
        const QString split = QString(2046, u's') + QStringLiteral("\U0001F600tail");
        profile.writeStrings("Long", {{"A", longer}, {"B", split}});
        QVERIFY(read("Long", "A") == longer.left(2047) && read("Long", "B") == split.left(2046));
        QVERIFY(fileBytes(m_ini).endsWith("\nA=" + longer.toUtf8() + "\nB=" + split.toUtf8() + '\n'));
    }

    // A null "after" means the write is refused and the file stays as it was.
    void writeKeepsEveryOtherLine_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QString>("write");     // "Section|Key|Value|Key|Value..."
        QTest::addColumn<QByteArray>("after");
        // A line that is not valid UTF-8 must survive untouched as well.
        const QByteArray odd = "; Quillnest settings\nstray=before any section\n\n[Window]\nEditing=7\n"
                               "[Options]\n  ; a comment \t\nEditing = 0\nnoise without equals\nRaw=\xFF\xFE\x80\n\n"
                               "[Directory]\nLastDiary=/x/y.qnb";
        QTest::newRow("in place") << odd << "Options|Editing|1" << QByteArray(odd).replace("Editing = 0", "Editing=1");
        QTest::newRow("last line keeps having no break")
            << odd << "Directory|LastDiary|/z.qnb" << QByteArray(odd).replace("/x/y.qnb", "/z.qnb");
        QTest::newRow("after the section's last key")
            << QByteArray("[Options]\nEditing=1\n; comment\n\n[D]\n") << "Options|OpenFave|1"
            << QByteArray("[Options]\nEditing=1\nOpenFave=1\n; comment\n\n[D]\n");
        QTest::newRow("section without keys") << QByteArray("[Empty]\n; comment\n[D]\n") << "Empty|First|f"
                                              << QByteArray("[Empty]\nFirst=f\n; comment\n[D]\n");
        QTest::newRow("last key without break") << QByteArray("[D]\nLast=/a.qnb") << "D|Fave|/b.qnb|Last|/c.qnb"
                                                << QByteArray("[D]\nLast=/c.qnb\nFave=/b.qnb\n");
        QTest::newRow("new section after a line without break")
            << QByteArray("[A]\nx=1") << "B|y|2" << QByteArray("[A]\nx=1\n[B]\ny=2\n");
        QTest::newRow("empty file") << QByteArray("") << "B|y|a=b;[Мой]" << QByteArray("[B]\ny=a=b;[Мой]\n");
        // A pipe would block every read and write that opened it: it reads as no file, and a file takes its place.
        QTest::newRow("pipe") << QByteArray("pipe") << "Options|Editing|1" << QByteArray("[Options]\nEditing=1\n");
        // Files last saved on an old Mac end their lines with CR alone; new lines follow suit.
        const QByteArray mac = "[Options]\rEditing=1\r\r[Directory]\rLastDiary=\" /a.qnb\"\r\nFaveDiary=/b.qnb";
        QTest::newRow("CR alone") << mac << "Options|ByWord|0"
                                  << QByteArray(mac).replace("Editing=1\r", "Editing=1\rByWord=0\r");
        // A value holding a line break would plant a key of its own; the keys before it are not written either.
        const QByteArray kept = "[Options]\nEditing=1\n";
        QTest::newRow("line break") << kept << "Options|ByWord|0|Editing|/a\nOpenFave=1" << QByteArray();
        QTest::newRow("carriage return") << kept << "Options|Key|a\rb" << QByteArray();
        QTest::newRow("'=' in key") << kept << "Options|K=ey|v" << QByteArray();
        QTest::newRow("empty key") << kept << "Options||v" << QByteArray();
        QTest::newRow("']' in section") << kept << "Opt]ions|Key|v" << QByteArray();
        QTest::newRow("refused without file") << QByteArray() << "Options|Key|a\nb" << QByteArray();
        // Classic readers trim a value and take off one pair of enclosing quotes; what they would change must be
        // written quoted. Values they leave alone are written bare, as before.
        const auto stored = [](const char* name, const QString& value, const QByteArray& text) {
            QTest::newRow(name) << QByteArray() << "Directory|LastDiary|" + value
                                << "[Directory]\nLastDiary=" + text + '\n';
        };
        stored("trailing blank", "/d/diary.qnb ", "\"/d/diary.qnb \"");
        stored("leading blank", " /d/diary.qnb", "\" /d/diary.qnb\"");
        stored("quoted", "\"a b\"", "\"\"a b\"\"");
        stored("inner quotes", "say \"hi\" now", "say \"hi\" now");
        stored("quote at one edge", "\"open", "\"open");
    }

    // The file is named relative to the current folder; messages name it in full. The file keeps its mode; a
    // new one is its owner's alone.
    void writeKeepsEveryOtherLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, write);
        QFETCH(QByteArray, after);
        if (before == "pipe")
            QVERIFY(::mkfifo(QFile::encodeName(m_ini).constData(), 0600) == 0);
        else if (!before.isNull())
            writeFileBytes(m_ini, before);
        const QFileDevice::Permissions mode =
            before.isNull() ? QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser
                            : QFile::permissions(m_ini);
        const QStringList fields = write.split(u'|');
        QList<QPair<QString, QString>> values;
        for (qsizetype i = 1; i + 1 < fields.size(); i += 2)
            values.append({fields[i], fields[i + 1]});
        const QString oldCurrent = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        PrivateProfile profile(QStringLiteral("Settings.ini"));
        QVERIFY(before != "pipe" || (!profile.exists() && profile.readString(fields[0], fields[1], "none") == "none"));
        const QString message = errorText([&] { profile.writeStrings(fields[0], values); });
        const QString read = profile.readString(fields[0], values.first().first, "none");
        QVERIFY(QDir::setCurrent(oldCurrent));
        QCOMPARE(message, after.isNull() ? "Unable to write to " + m_ini : QStringLiteral("no error"));
        QCOMPARE(fileBytes(m_ini), after.isNull() ? before : after);
        QCOMPARE(QFileInfo::exists(m_ini), !before.isNull() || !after.isNull());
        QCOMPARE(read, after.isNull() ? QStringLiteral("none") : values.first().second);
        QVERIFY(!QFileInfo::exists(m_ini) || QFile::permissions(m_ini) == mode);
    }

    // A write that fails keeps the old file byte for byte and says so: a disk that fills up while the new file is
    // written (a file-size limit fails the write as a full disk would), a file that cannot be written, and one
    // that cannot be read, which must not be replaced by one holding only the new keys.
    void failedWritesKeepTheFileWhole()
    {
        const QByteArray before = "[Options]\r\nEditing=1\r\n; note\r\n";
        writeFileBytes(m_ini, before);
        // Set aside by a replacement without exchange that was killed before the new file took its place.
        QVERIFY(QFile::rename(m_ini, m_ini + ".Xy12Zw.old"));
        PrivateProfile profile(m_ini);
        QCOMPARE(profile.readString("Options", "Editing", "none"), QStringLiteral("1"));
        const QString refused = "Unable to write to " + m_ini;
        rlimit old{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
        const rlimit small{rlim_t(before.size()), old.rlim_max};
        const auto oldAction = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const QString message = errorText([&] { StartupOptions{}.write(profile); });
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldAction);
        QVERIFY(message == refused && fileBytes(m_ini) == before);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Settings.ini"});

        // A file of another program's put there meanwhile stays.
        writeFileBytes(m_dir->filePath("other"), "[Options]\n; another program's\n");
        setReplaceFaultHook([&](ReplaceStep step) {
            if (step == ReplaceStep::Exchange)
                ::rename(QFile::encodeName(m_dir->filePath("other")).constData(), QFile::encodeName(m_ini).constData());
        });
        QCOMPARE(errorText([&] { StartupOptions{}.write(profile); }), refused);
        setReplaceFaultHook({});
        QCOMPARE(fileBytes(m_ini), "[Options]\n; another program's\n");
        writeFileBytes(m_ini, before);

        if (geteuid() == 0)
            QSKIP("file permissions do not stop the superuser");
        QVERIFY(QFile::setPermissions(m_ini, QFileDevice::ReadOwner));
        QCOMPARE(errorText([&] { StartupOptions{}.write(profile); }), refused);
        QVERIFY(QFile::setPermissions(m_ini, QFileDevice::WriteOwner));
        QCOMPARE(profile.readString("Options", "Editing", "fb"), QStringLiteral("fb"));
        QCOMPARE(errorText([&] { StartupOptions{}.write(profile); }), refused);
        QVERIFY(QFile::setPermissions(m_ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(fileBytes(m_ini), before);

        // A folder that takes no new files: a missing file cannot be made, an existing one is changed in place.
        const QString locked = m_dir->filePath("locked");
        QVERIFY(QDir().mkdir(locked));
        PrivateProfile inside(settingsFilePath(locked));
        writeFileBytes(inside.fileName(), "[Options]\nEditing=0\n");
        QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const QString missing = locked + "/Other.ini";
        const QString made = errorText([&] { PrivateProfile(missing).writeBool("Options", "Editing", true); });
        const StartupOptions options{.editing = true, .byWord = false, .openFave = true};
        const QString inPlace = errorText([&] { options.write(inside); });
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(made == "Unable to write to " + missing && inPlace == QStringLiteral("no error"));
        QCOMPARE(fileBytes(inside.fileName()),
                 QByteArray("[Options]\nEditing=1\nByWord=0\nByDate=1\nOpenLast=0\nOpenFave=1\n"));
        QCOMPARE(QDir(locked).entryList(QDir::Files | QDir::Hidden), QStringList{"Settings.ini"});
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
