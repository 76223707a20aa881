#include "settings/settingsfile.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace
{

using testfiles::errorText;
using testfiles::fileBytes;
using testfiles::writeFileBytes;

const QString Options = QStringLiteral("Options");

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void parsesBooleanForms_data();
    void parsesBooleanForms();
    void readsNamesWithoutCaseAndWritesTheFilesSpelling();
    void writeKeepsEveryOtherLine_data();
    void writeKeepsEveryOtherLine();
    void unwritableFilesAreKeptWhole();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
};

void TestSettingsFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ini = settingsFilePath(m_dir->path());
}

void TestSettingsFile::parsesBooleanForms_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("expected"); // -1: not a number, so the fallback is given back
    QTest::newRow("one") << "1" << 1;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("two") << "2" << 1;
    QTest::newRow("blanks around") << " 1 " << 1;
    QTest::newRow("0x0") << "0x0" << 0;
    QTest::newRow("0X1f") << "0X1f" << 1;
    QTest::newRow("0x alone") << "0x" << -1;
    QTest::newRow("dollar hex") << "$FF" << 1;
    QTest::newRow("signed hex") << "$-1" << -1;
    QTest::newRow("beyond unsigned") << "4294967296" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("word") << "yes" << -1;
    QTest::newRow("trailing letters") << "12abc" << -1;
    QTest::newRow("fullwidth digit") << QStringLiteral("\uFF11") << -1;
}

void TestSettingsFile::parsesBooleanForms()
{
    QFETCH(QString, value);
    QFETCH(int, expected);
    for (const bool fallback : {false, true})
        QCOMPARE(parseProfileBool(value, fallback), expected < 0 ? fallback : expected == 1);
}

void TestSettingsFile::readsNamesWithoutCaseAndWritesTheFilesSpelling()
{
    const QByteArray before = "\xEF\xBB\xBF[ oPTIONS ]\n"
                              "  EDITING  =  1  \n"
                              "\tbyword\t=\tpadded  inner  text ; not a comment\t\n"
                              ";OpenLast=1\n"
                              "OpenFave = first\n"
                              "openfave = second\n"
                              "[Directory]\n"
                              "LastDiary=/a/Дневник.qnb\n"
                              "[options]\n"
                              "ByDate=0\n";
    writeFileBytes(m_ini, before);
    PrivateProfile profile(m_ini);
    const QString none = QStringLiteral("none");
    QCOMPARE(profile.readString(QStringLiteral("Options"), QStringLiteral("Editing"), none), QStringLiteral("1"));
    QCOMPARE(profile.readString(QStringLiteral("OPTIONS"), QStringLiteral("ByWord"), none),
             QStringLiteral("padded  inner  text ; not a comment"));
    // Commented-out keys are not keys; the first of two equal keys is the one read.
    QCOMPARE(profile.readString(Options, QStringLiteral("OpenLast"), none), none);
    QCOMPARE(profile.readString(Options, QStringLiteral("OpenFave"), none), QStringLiteral("first"));
    QCOMPARE(profile.readString(QStringLiteral("directory"), QStringLiteral("lastdiary"), none),
             QStringLiteral("/a/Дневник.qnb"));
    // Only the first section of a name is looked in.
    QCOMPARE(profile.readString(Options, QStringLiteral("ByDate"), none), none);
    QCOMPARE(profile.readBool(QStringLiteral("options"), QStringLiteral("editing"), false), true);

    profile.writeString(QStringLiteral("options"), QStringLiteral("Editing"), QStringLiteral("0"));
    profile.writeString(QStringLiteral("OPTIONS"), QStringLiteral("OPENFAVE"), QStringLiteral("third"));
    QByteArray expected = before;
    expected.replace("  EDITING  =  1  \n", "EDITING=0\n").replace("OpenFave = first\n", "OpenFave=third\n");
    QCOMPARE(fileBytes(m_ini), expected);

    // Readers get at most 2047 characters, never half of a surrogate pair; the file keeps the rest.
    const QString longer = QString(2046, u'a') + QStringLiteral("Жxyz");
    const QString split = QString(2046, u's') + QStringLiteral("\U0001F600tail");
    profile.writeStrings(QStringLiteral("Long"), {{QStringLiteral("A"), longer}, {QStringLiteral("B"), split}});
    QCOMPARE(profile.readString(QStringLiteral("Long"), QStringLiteral("A"), none), longer.left(2047));
    QCOMPARE(profile.readString(QStringLiteral("Long"), QStringLiteral("B"), none), split.left(2046));
    QVERIFY(fileBytes(m_ini).endsWith("\nA=" + longer.toUtf8() + "\nB=" + split.toUtf8() + '\n'));
}

// A null "after" means the write is refused and the file stays as it was.
void TestSettingsFile::writeKeepsEveryOtherLine_data()
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
    // A value holding a line break would plant a key of its own; the keys before it are not written either.
    const QByteArray kept = "[Options]\nEditing=1\n";
    QTest::newRow("line break") << kept << "Options|ByWord|0|Editing|/a\nOpenFave=1" << QByteArray();
    QTest::newRow("carriage return") << kept << "Options|Key|a\rb" << QByteArray();
    QTest::newRow("'=' in key") << kept << "Options|K=ey|v" << QByteArray();
    QTest::newRow("empty key") << kept << "Options||v" << QByteArray();
    QTest::newRow("']' in section") << kept << "Opt]ions|Key|v" << QByteArray();
    QTest::newRow("refused without file") << QByteArray() << "Options|Key|a\nb" << QByteArray();
}

// The file is named relative to the current folder; messages name it in full.
void TestSettingsFile::writeKeepsEveryOtherLine()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, write);
    QFETCH(QByteArray, after);
    if (!before.isNull())
        writeFileBytes(m_ini, before);
    const QStringList parts = write.split(u'|');
    QList<QPair<QString, QString>> values;
    for (qsizetype i = 1; i + 1 < parts.size(); i += 2)
        values.append({parts[i], parts[i + 1]});
    const QString oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    PrivateProfile profile(QStringLiteral("Settings.ini"));
    const QString message = errorText([&] { profile.writeStrings(parts[0], values); });
    const QString read = profile.readString(parts[0], values.first().first, QStringLiteral("none"));
    QVERIFY(QDir::setCurrent(oldCurrent));
    QCOMPARE(message, after.isNull() ? QStringLiteral("Unable to write to ") + m_ini : QStringLiteral("no error"));
    QCOMPARE(fileBytes(m_ini), after.isNull() ? before : after);
    QCOMPARE(QFileInfo::exists(m_ini), !before.isNull() || !after.isNull());
    if (!after.isNull())
        QCOMPARE(read, values.first().second);
}

void TestSettingsFile::unwritableFilesAreKeptWhole()
{
    if (geteuid() == 0)
        QSKIP("file permissions do not stop the superuser");
    const QByteArray before = "[Options]\r\nEditing=1\r\n; note\r\n";
    writeFileBytes(m_ini, before);
    PrivateProfile profile(m_ini);
    QVERIFY(QFile::setPermissions(m_ini, QFileDevice::ReadOwner));
    QCOMPARE(errorText([&] { StartupOptions{}.write(profile); }), QStringLiteral("Unable to write to ") + m_ini);
    // Nor may a file that cannot be read be replaced by one holding only the new keys.
    QVERIFY(QFile::setPermissions(m_ini, QFileDevice::WriteOwner));
    QCOMPARE(profile.readString(Options, QStringLiteral("Editing"), QStringLiteral("fb")), QStringLiteral("fb"));
    QCOMPARE(errorText([&] { StartupOptions{}.write(profile); }), QStringLiteral("Unable to write to ") + m_ini);
    QVERIFY(QFile::setPermissions(m_ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(fileBytes(m_ini), before);

    // A folder that takes no new files: a missing file cannot be made, an existing one is changed in place.
    const QString locked = m_dir->filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(locked));
    writeFileBytes(settingsFilePath(locked), "[Options]\nEditing=0\n");
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const QString missing = locked + QStringLiteral("/Other.ini");
    const QString message =
        errorText([&] { PrivateProfile(missing).writeBool(Options, QStringLiteral("Editing"), true); });
    const QString inPlace = errorText([&] {
        PrivateProfile(settingsFilePath(locked))
            .writeStrings(Options, {{QStringLiteral("Editing"), QStringLiteral("1")},
                                    {QStringLiteral("ByWord"), QStringLiteral("0")}});
    });
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QCOMPARE(message, QStringLiteral("Unable to write to ") + missing);
    QCOMPARE(inPlace, QStringLiteral("no error"));
    QCOMPARE(fileBytes(settingsFilePath(locked)), QByteArray("[Options]\nEditing=1\nByWord=0\n"));
    QCOMPARE(QDir(locked).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Settings.ini")});
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
