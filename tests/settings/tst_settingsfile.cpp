#include "settings/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace
{

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(data), data.size());
}

QString unableToWrite(const QString& path)
{
    return QStringLiteral("Unable to write to %1").arg(QFileInfo(path).absoluteFilePath());
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void parsesBooleanForms_data();
    void parsesBooleanForms();
    void readsStartupOptionsWithDefaults();
    void comparesNamesWithoutCaseAndTrimsBlanks();
    void cutsLongValues();
    void readsCrLfFilesAndKeepsTheirEndings();

    void changingAKeyKeepsEveryOtherByte();
    void addsKeyAfterLastKeyOfItsSection();
    void createsFileAndAppendsSections();
    void writesStartupOptionsTogether();

    void refusesValuesThatWouldBreakTheFile();
    void reportsUnwritableTargetsByFullName();
    void failedWriteOnReadOnlyFileKeepsIt();
    void writesInPlaceWhenFolderTakesNoNewFiles();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
};

void TestSettingsFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ini = settingsFilePath(m_dir->path());
    QCOMPARE(m_ini, m_dir->path() + QStringLiteral("/Settings.ini"));
}

void TestSettingsFile::parsesBooleanForms_data()
{
    // -1: not a number, so the fallback is given back.
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("expected");

    QTest::newRow("one") << "1" << 1;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("two") << "2" << 1;
    QTest::newRow("minus one") << "-1" << 1;
    QTest::newRow("blanks around") << " 1 " << 1;
    QTest::newRow("0x0") << "0x0" << 0;
    QTest::newRow("0X1f") << "0X1f" << 1;
    QTest::newRow("0x alone") << "0x" << -1;
    QTest::newRow("dollar hex") << "$FF" << 1;
    QTest::newRow("dollar alone") << "$" << -1;
    QTest::newRow("largest unsigned") << "4294967295" << 1;
    QTest::newRow("beyond unsigned") << "4294967296" << -1;
    QTest::newRow("smallest signed") << "-2147483648" << 1;
    QTest::newRow("below signed") << "-2147483649" << -1;
    QTest::newRow("hex beyond 32 bits") << "0x100000000" << -1;
    QTest::newRow("long zero hex") << "0x0000000000000000000" << 0;
    QTest::newRow("huge decimal") << "99999999999999999999999999" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("word") << "abc" << -1;
    QTest::newRow("trailing letters") << "12abc" << -1;
    QTest::newRow("inner blank") << "1 2" << -1;
    QTest::newRow("signed hex") << "$-1" << -1;
    QTest::newRow("hex after 0x prefix of dollar") << "$0x1" << -1;
    QTest::newRow("fullwidth digit") << QStringLiteral("\uFF11") << -1;
}

void TestSettingsFile::parsesBooleanForms()
{
    QFETCH(QString, value);
    QFETCH(int, expected);
    for (const bool fallback : {false, true}) {
        const bool want = expected < 0 ? fallback : expected == 1;
        QCOMPARE(parseProfileBool(value, fallback), want);
    }
}

void TestSettingsFile::readsStartupOptionsWithDefaults()
{
    PrivateProfile profile(m_ini);
    QVERIFY(!profile.exists());
    StartupOptions fromMissing = StartupOptions::read(profile);
    QCOMPARE(fromMissing.Editing, false);
    QCOMPARE(fromMissing.ByWord, true);
    QCOMPARE(fromMissing.ByDate, true);
    QCOMPARE(fromMissing.OpenLast, false);
    QCOMPARE(fromMissing.OpenFave, false);
    QCOMPARE(profile.readString(SettingsKeys::Directory, SettingsKeys::LastDiary, SettingsKeys::NoFile),
             SettingsKeys::NoFile);

    writeAll(m_ini, "[Options]\nEditing=yes\nByWord=0x0\nByDate=2\nOpenLast=$1\nOpenFave=\n"
                    "[Directory]\nLastDiary=/home/u/a.qnb\n");
    QVERIFY(profile.exists());
    StartupOptions options = StartupOptions::read(profile);
    QCOMPARE(options.Editing, false);
    QCOMPARE(options.ByWord, false);
    QCOMPARE(options.ByDate, true);
    QCOMPARE(options.OpenLast, true);
    QCOMPARE(options.OpenFave, false);
    QCOMPARE(profile.readString(SettingsKeys::Directory, SettingsKeys::LastDiary, SettingsKeys::NoFile),
             QStringLiteral("/home/u/a.qnb"));
    QCOMPARE(profile.readString(SettingsKeys::Directory, SettingsKeys::FaveDiary, SettingsKeys::NoFile),
             SettingsKeys::NoFile);

    // An empty value gives the key's default, which for ByWord is true.
    writeAll(m_ini, "[Options]\nByWord=\nEditing=\n");
    options = StartupOptions::read(profile);
    QCOMPARE(options.ByWord, true);
    QCOMPARE(options.Editing, false);

    // A folder of that name is no settings file.
    PrivateProfile folder(m_dir->path());
    QVERIFY(!folder.exists());
    QCOMPARE(folder.readString(QStringLiteral("Options"), QStringLiteral("Editing"), QStringLiteral("x")),
             QStringLiteral("x"));
}

void TestSettingsFile::comparesNamesWithoutCaseAndTrimsBlanks()
{
    writeAll(m_ini, "\xEF\xBB\xBF[ oPTIONS ]\n"
                    "  EDITING  =  1  \n"
                    "\tbyword\t=\tpadded  inner  text\t\n"
                    ";OpenLast=1\n"
                    "OpenFave = first\n"
                    "openfave = second\n"
                    "[Directory]\n"
                    "LastDiary=/a/Дневник.qnb\n"
                    "[options]\n"
                    "ByDate=0\n");
    PrivateProfile profile(m_ini);
    const QString none = QStringLiteral("none");
    QCOMPARE(profile.readString(QStringLiteral("Options"), QStringLiteral("Editing"), none), QStringLiteral("1"));
    QCOMPARE(profile.readString(QStringLiteral("OPTIONS"), QStringLiteral("ByWord"), none),
             QStringLiteral("padded  inner  text"));
    // Commented-out keys are not keys; the first of two equal keys is the one read.
    QCOMPARE(profile.readString(QStringLiteral("Options"), QStringLiteral("OpenLast"), none), none);
    QCOMPARE(profile.readString(QStringLiteral("Options"), QStringLiteral("OpenFave"), none), QStringLiteral("first"));
    QCOMPARE(profile.readString(QStringLiteral("directory"), QStringLiteral("lastdiary"), none),
             QStringLiteral("/a/Дневник.qnb"));
    // Only the first section of a name is looked in.
    QCOMPARE(profile.readString(QStringLiteral("Options"), QStringLiteral("ByDate"), none), none);
    QCOMPARE(profile.readBool(QStringLiteral("options"), QStringLiteral("editing"), false), true);

    // Writing under other spellings changes the existing line and keeps the file's spelling.
    profile.writeString(QStringLiteral("options"), QStringLiteral("Editing"), QStringLiteral("0"));
    profile.writeString(QStringLiteral("OPTIONS"), QStringLiteral("OPENFAVE"), QStringLiteral("third"));
    QCOMPARE(readAll(m_ini), QByteArray("\xEF\xBB\xBF[ oPTIONS ]\n"
                                        "EDITING=0\n"
                                        "\tbyword\t=\tpadded  inner  text\t\n"
                                        ";OpenLast=1\n"
                                        "OpenFave=third\n"
                                        "openfave = second\n"
                                        "[Directory]\n"
                                        "LastDiary=/a/Дневник.qnb\n"
                                        "[options]\n"
                                        "ByDate=0\n"));
}

void TestSettingsFile::cutsLongValues()
{
    const QString exact(2047, QLatin1Char('e'));
    const QString longer = QString(2046, QLatin1Char('a')) + QStringLiteral("Жxyz");
    // A cut through a surrogate pair would leave half a character behind.
    const QString split = QString(2046, QLatin1Char('s')) + QStringLiteral("\U0001F600") + QStringLiteral("tail");
    PrivateProfile profile(m_ini);
    profile.writeStrings(
        QStringLiteral("Directory"),
        {{QStringLiteral("Exact"), exact}, {QStringLiteral("Longer"), longer}, {QStringLiteral("Split"), split}});
    QCOMPARE(profile.readString(QStringLiteral("Directory"), QStringLiteral("Exact"), QString()), exact);
    QCOMPARE(profile.readString(QStringLiteral("Directory"), QStringLiteral("Longer"), QString()),
             QString(2046, QLatin1Char('a')) + QStringLiteral("Ж"));
    QCOMPARE(profile.readString(QStringLiteral("Directory"), QStringLiteral("Split"), QString()),
             QString(2046, QLatin1Char('s')));
    // The file itself holds the whole value.
    QVERIFY(readAll(m_ini).contains(longer.toUtf8()));
}

void TestSettingsFile::readsCrLfFilesAndKeepsTheirEndings()
{
    writeAll(m_ini, "; kept\r\n[Options]\r\nByWord=0\r\nEditing=1\r\n\r\n[Directory]\r\nLastDiary=/d/x.qnb\r\n");
    PrivateProfile profile(m_ini);
    const StartupOptions options = StartupOptions::read(profile);
    QCOMPARE(options.ByWord, false);
    QCOMPARE(options.Editing, true);
    QCOMPARE(profile.readString(QStringLiteral("Directory"), QStringLiteral("LastDiary"), QString()),
             QStringLiteral("/d/x.qnb"));

    profile.writeString(QStringLiteral("Options"), QStringLiteral("ByWord"), QStringLiteral("1"));
    profile.writeString(QStringLiteral("Options"), QStringLiteral("OpenLast"), QStringLiteral("1"));
    profile.writeString(QStringLiteral("Extra"), QStringLiteral("Key"), QStringLiteral("v"));
    QCOMPARE(readAll(m_ini), QByteArray("; kept\r\n[Options]\r\nByWord=1\r\nEditing=1\r\nOpenLast=1\r\n\r\n"
                                        "[Directory]\r\nLastDiary=/d/x.qnb\r\n[Extra]\r\nKey=v\r\n"));
}

void TestSettingsFile::changingAKeyKeepsEveryOtherByte()
{
    // Odd bytes included: a line that is not valid UTF-8 must survive untouched as well.
    const QByteArray before = "; Quillnest settings\n"
                              "stray=before any section\n"
                              "\n"
                              "[Window]\n"
                              "Editing=7\n"
                              "Left = 10   \n"
                              "[Options]\n"
                              "  ; a comment \t\n"
                              "Editing = 0 ; not a comment\n"
                              "noise without equals\n"
                              "Raw=\xFF\xFE\x80 bytes\n"
                              "\n"
                              "[Directory]\n"
                              "LastDiary=/x/y.qnb";
    writeAll(m_ini, before);
    PrivateProfile profile(m_ini);
    QCOMPARE(profile.readString(QStringLiteral("Options"), QStringLiteral("Editing"), QString()),
             QStringLiteral("0 ; not a comment"));

    profile.writeBool(QStringLiteral("Options"), QStringLiteral("Editing"), true);
    QByteArray expected = before;
    expected.replace("Editing = 0 ; not a comment\n", "Editing=1\n");
    QCOMPARE(readAll(m_ini), expected);

    // Changing the last line, which has no line break, adds none.
    profile.writeString(QStringLiteral("Directory"), QStringLiteral("LastDiary"), QStringLiteral("/z.qnb"));
    expected.replace("LastDiary=/x/y.qnb", "LastDiary=/z.qnb");
    QCOMPARE(readAll(m_ini), expected);
    QCOMPARE(profile.readString(QStringLiteral("Window"), QStringLiteral("Editing"), QString()), QStringLiteral("7"));
}

void TestSettingsFile::addsKeyAfterLastKeyOfItsSection()
{
    writeAll(m_ini, "[Options]\n"
                    "Editing=1\n"
                    "; trailing comment\n"
                    "\n"
                    "[Empty]\n"
                    "; only a comment\n"
                    "[Directory]\n"
                    "LastDiary=/a.qnb");
    PrivateProfile profile(m_ini);
    profile.writeString(QStringLiteral("Options"), QStringLiteral("OpenFave"), QStringLiteral("1"));
    profile.writeString(QStringLiteral("Empty"), QStringLiteral("First"), QStringLiteral("f"));
    profile.writeString(QStringLiteral("Directory"), QStringLiteral("FaveDiary"), QStringLiteral("/b.qnb"));
    QCOMPARE(readAll(m_ini), QByteArray("[Options]\n"
                                        "Editing=1\n"
                                        "OpenFave=1\n"
                                        "; trailing comment\n"
                                        "\n"
                                        "[Empty]\n"
                                        "First=f\n"
                                        "; only a comment\n"
                                        "[Directory]\n"
                                        "LastDiary=/a.qnb\n"
                                        "FaveDiary=/b.qnb\n"));
}

void TestSettingsFile::createsFileAndAppendsSections()
{
    PrivateProfile profile(m_ini);
    profile.writeString(QStringLiteral("Directory"), QStringLiteral("LastDiary"), QStringLiteral("/home/u/Мой.qnb"));
    QCOMPARE(readAll(m_ini), QByteArray("[Directory]\nLastDiary=/home/u/Мой.qnb\n"));

    // A value may hold '=', ';' and brackets; only the first '=' of a line parts key from value.
    profile.writeString(QStringLiteral("Options"), QStringLiteral("Odd"), QStringLiteral("a=b;[c]"));
    QCOMPARE(readAll(m_ini), QByteArray("[Directory]\nLastDiary=/home/u/Мой.qnb\n[Options]\nOdd=a=b;[c]\n"));
    QCOMPARE(profile.readString(QStringLiteral("Options"), QStringLiteral("Odd"), QString()),
             QStringLiteral("a=b;[c]"));

    // A file whose last line has no line break gets one before the new section.
    writeAll(m_ini, "[A]\nx=1");
    profile.writeString(QStringLiteral("B"), QStringLiteral("y"), QStringLiteral("2"));
    QCOMPARE(readAll(m_ini), QByteArray("[A]\nx=1\n[B]\ny=2\n"));

    // An empty file is a file without sections.
    writeAll(m_ini, QByteArray());
    profile.writeString(QStringLiteral("B"), QStringLiteral("y"), QStringLiteral("3"));
    QCOMPARE(readAll(m_ini), QByteArray("[B]\ny=3\n"));
}

void TestSettingsFile::writesStartupOptionsTogether()
{
    PrivateProfile profile(m_ini);
    StartupOptions options;
    options.Editing = true;
    options.ByWord = false;
    options.OpenFave = true;
    options.write(profile);
    QCOMPARE(readAll(m_ini), QByteArray("[Options]\nEditing=1\nByWord=0\nByDate=1\nOpenLast=0\nOpenFave=1\n"));

    // Existing keys are changed where they stand, missing ones follow, and the diaries stay.
    writeAll(m_ini, "[Directory]\nLastDiary=/l.qnb\nFaveDiary=/f.qnb\n[Options]\nOpenFave=1\nbyword=1\n");
    options = StartupOptions{};
    options.write(profile);
    QCOMPARE(readAll(m_ini), QByteArray("[Directory]\nLastDiary=/l.qnb\nFaveDiary=/f.qnb\n"
                                        "[Options]\nOpenFave=0\nbyword=1\nEditing=0\nByDate=1\nOpenLast=0\n"));
    const StartupOptions back = StartupOptions::read(profile);
    QCOMPARE(back.Editing, false);
    QCOMPARE(back.ByWord, true);
    QCOMPARE(back.ByDate, true);
    QCOMPARE(back.OpenLast, false);
    QCOMPARE(back.OpenFave, false);
}

void TestSettingsFile::refusesValuesThatWouldBreakTheFile()
{
    const QByteArray before = "[Options]\nEditing=1\n";
    writeAll(m_ini, before);
    PrivateProfile profile(m_ini);
    const QString options = QStringLiteral("Options");

    // A path holding a line break would otherwise plant a key of its own.
    const QList<QPair<QString, QString>> planted = {{QStringLiteral("ByWord"), QStringLiteral("0")},
                                                    {QStringLiteral("ByDate"), QStringLiteral("0")},
                                                    {QStringLiteral("Editing"), QStringLiteral("/a\nOpenFave=1")}};
    const QStringList bad[] = {{options, QStringLiteral("Key"), QStringLiteral("a\rb")},
                               {options, QStringLiteral("K=ey"), QStringLiteral("v")},
                               {options, QString(), QStringLiteral("v")},
                               {QStringLiteral("Opt]ions"), QStringLiteral("Key"), QStringLiteral("v")}};
    try {
        profile.writeStrings(options, planted);
        QFAIL("a value with a line break was written");
    } catch (const QuillnestError& e) {
        QCOMPARE(e.text(), unableToWrite(m_ini));
    }
    QCOMPARE(readAll(m_ini), before);
    for (const QStringList& args : bad) {
        QVERIFY_THROWS_EXCEPTION(QuillnestError, profile.writeString(args[0], args[1], args[2]));
        QCOMPARE(readAll(m_ini), before);
    }
}

void TestSettingsFile::reportsUnwritableTargetsByFullName()
{
    // A name taken by a folder: nothing can replace it.
    const QString folder = m_dir->filePath(QStringLiteral("Settings.ini"));
    QVERIFY(QDir().mkdir(folder));
    PrivateProfile taken(folder);
    try {
        StartupOptions{}.write(taken);
        QFAIL("writing over a folder succeeded");
    } catch (const QuillnestError& e) {
        QCOMPARE(e.text(), unableToWrite(folder));
    }
    QVERIFY(QFileInfo(folder).isDir());

    // A regular file used as a folder; the name is relative, the message gives it in full.
    writeAll(m_dir->filePath(QStringLiteral("plain")), "x");
    const QString oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const QString relative = QStringLiteral("plain/Settings.ini");
    QString message;
    try {
        PrivateProfile(relative).writeBool(QStringLiteral("Options"), QStringLiteral("Editing"), true);
    } catch (const QuillnestError& e) {
        message = e.text();
    }
    const QString expected = QStringLiteral("Unable to write to %1").arg(m_dir->filePath(relative));
    QVERIFY(QDir::setCurrent(oldCurrent));
    QCOMPARE(message, expected);
    QCOMPARE(readAll(m_dir->filePath(QStringLiteral("plain"))), QByteArray("x"));
}

void TestSettingsFile::failedWriteOnReadOnlyFileKeepsIt()
{
    if (geteuid() == 0)
        QSKIP("file permissions do not stop the superuser");
    const QByteArray before = "[Options]\r\nEditing=1\r\n; note\r\n";
    writeAll(m_ini, before);
    PrivateProfile profile(m_ini);

    QVERIFY(QFile::setPermissions(m_ini, QFileDevice::ReadOwner));
    QVERIFY_THROWS_EXCEPTION(QuillnestError, StartupOptions{}.write(profile));
    QCOMPARE(readAll(m_ini), before);

    // Nor may a file that cannot be read be replaced by one holding only the new keys.
    QVERIFY(QFile::setPermissions(m_ini, QFileDevice::WriteOwner));
    QVERIFY_THROWS_EXCEPTION(QuillnestError, StartupOptions{}.write(profile));
    QCOMPARE(profile.readString(QStringLiteral("Options"), QStringLiteral("Editing"), QStringLiteral("fb")),
             QStringLiteral("fb"));
    QVERIFY(QFile::setPermissions(m_ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(readAll(m_ini), before);

    // A folder that takes nothing new: the missing file cannot be created.
    const QString locked = m_dir->filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(locked));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const QString inLocked = settingsFilePath(locked);
    try {
        PrivateProfile(inLocked).writeString(QStringLiteral("Options"), QStringLiteral("Editing"), QStringLiteral("1"));
        QFAIL("a file was created in a read-only folder");
    } catch (const QuillnestError& e) {
        QCOMPARE(e.text(), unableToWrite(inLocked));
    }
    QVERIFY(!QFileInfo::exists(inLocked));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
}

void TestSettingsFile::writesInPlaceWhenFolderTakesNoNewFiles()
{
    const QString locked = m_dir->filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(locked));
    const QString ini = settingsFilePath(locked);
    writeAll(ini, "[Options]\nEditing=0\n");
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    PrivateProfile profile(ini);
    profile.writeStrings(QStringLiteral("Options"), {{QStringLiteral("Editing"), QStringLiteral("1")},
                                                     {QStringLiteral("ByWord"), QStringLiteral("0")}});
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QCOMPARE(readAll(ini), QByteArray("[Options]\nEditing=1\nByWord=0\n"));
    QCOMPARE(QDir(locked).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Settings.ini")});
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
