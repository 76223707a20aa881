#include "diarymaker.h"

#include <QDir>
#include <QtTest>

using namespace diarymaker;
using namespace SettingsKeys;

namespace
{

const QString Password = QStringLiteral("ключ");
const QString NotFound = QStringLiteral("Файл не найден");
const QString AlreadyOpen = QStringLiteral("Файл уже открыт");

QByteArray settingsText(const QByteArray& options, const QByteArray& diaries)
{
    return "[Options]\n" + options + "\n[Directory]\n" + diaries + '\n';
}

QByteArray lastDiary(const QByteArray& path)
{
    return settingsText("OpenLast=1", "LastDiary=" + path);
}

} // namespace

// Start-up from Settings.ini, and "Открыть".
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m.dir.emplace().isValid()); }
    void cleanup() { m.close(); }
    void startsAsSettingsSay_data();
    void startsAsSettingsSay();
    void opensChosenDiariesAndKeepsThemOnFailure();

private:
    QStringList open(const QStringList& answers)
    {
        return answering(answers, [this] { m.window->N2->trigger(); });
    }
    void verifyShows(const QString& diary, const QByteArray& key, const QString& names);
    void verifyNoDiary();

    Session m;
};

// The diary is open and works: every entry is listed, and the first one reads right with the key held.
void TestStartup::verifyShows(const QString& diary, const QByteArray& key, const QString& names)
{
    TForm1& w = *m.window;
    const DiaryState& s = w.state();
    QVERIFY(s.DiaryPath == diary && s.DiaryFile.path() == diary && !s.ProbeFile.isOpen() && s.ListComplete);
    QCOMPARE(s.EntryKey, key);
    QCOMPARE(s.HasPassword, key != FixedKey);
    QCOMPARE(w.dname->text() + " / " + w.mname->text(), names);
    QCOMPARE(w.statusText(2), QLatin1Char(' ') + QFileInfo(diary).fileName());
    QVERIFY(w.Badd->isEnabled() && w.Bclear->isEnabled() && w.AllRec->isEnabled());
    for (QAction* item : {w.N7, w.N10, w.N19, w.N20, w.N21, w.N24, w.N25})
        QVERIFY2(item->isEnabled(), qPrintable(item->objectName()));
    QCOMPARE(w.DTPicker->isEnabled(), w.N19->isChecked());
    QCOMPARE(w.InWord->isEnabled(), w.N20->isChecked());
    QCOMPARE(m.listCount(), entryTexts(diary, key).size());
    QCOMPARE(m.view(0), toEditorLineBreaks(entryTexts(diary, key).value(0)));
}

void TestStartup::verifyNoDiary()
{
    TForm1& w = *m.window;
    const DiaryState& s = w.state();
    QVERIFY(s.DiaryPath.isEmpty() && !s.DiaryFile.isOpen() && !s.ProbeFile.isOpen() && !s.HasPassword);
    QCOMPARE(s.EntryKey, FixedKey);
    QVERIFY(w.dname->text().isEmpty() && m.listCount() == 0);
    for (QWidget* control : std::initializer_list<QWidget*>{w.Badd, w.Bchange, w.Bdel, w.Bclear, w.DTPicker, w.ToChNum,
                                                            w.AllRec, w.Today, w.InWord, w.Search, w.ClearSearch})
        QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
    for (QAction* item : {w.N7, w.N10, w.N13, w.N19, w.N20, w.N21, w.N24, w.N25})
        QVERIFY2(!item->isEnabled(), qPrintable(item->objectName()));
    QVERIFY(w.N2->isEnabled() && w.N12->isEnabled() && w.N23->isEnabled());
}

void TestStartup::startsAsSettingsSay_data()
{
    QTest::addColumn<QByteArray>("settings"); // %1 is the program folder, %2 a path of 240 characters
    QTest::addColumn<QStringList>("answers"); // to the password prompt
    QTest::addColumn<QString>("shown");       // the diary opened, in the program folder; "cut": the path cut
    const QStringList none;
    const QByteArray last("LastDiary=%1/last.qnb");
    QTest::newRow("no Settings.ini") << QByteArray() << none << "";
    QTest::newRow("last, editing, no date search")
        << settingsText("OpenLast=1\nEditing=1\nByDate=0", last) << none << "last.qnb";
    QTest::newRow("main diary wins over last")
        << settingsText("OpenLast=1\nOpenFave=1", last + "\nFaveDiary=%1/fave.qnb") << none << "fave.qnb";
    QTest::newRow("OpenLast off") << settingsText("OpenLast=0", last) << none << "";
    QTest::newRow("no LastDiary, editing, no word search")
        << settingsText("OpenLast=1\nEditing=1\nByWord=0", "") << none << "";
    QTest::newRow("path cut at 200") << lastDiary("%2") << none << "cut";
    QTest::newRow("no .qnb in path") << lastDiary("%1/d.QNB") << none << "";
    QTest::newRow("folder named .qnb") << lastDiary("%1/folder.qnb") << none << "";
    QTest::newRow("diary in a .qnb folder") << lastDiary("%1/x.qnb/d.dat") << none << "x.qnb/d.dat";
    QTest::newRow("missing file") << lastDiary("%1/gone.qnb") << none << "";
    QTest::newRow("file of 100 bytes") << lastDiary("%1/short.qnb") << none << "";
    const QByteArray locked = settingsText("OpenFave=1", "FaveDiary=%1/locked.qnb");
    QTest::newRow("protected, accepted") << locked << QStringList{Password} << "locked.qnb";
    QTest::newRow("protected, cancelled") << locked << QStringList{QString()} << "";
}

void TestStartup::startsAsSettingsSay()
{
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, answers);
    QFETCH(QString, shown);
    const Diary one{{}, {}, {}, 0, {stampOf(2026, 2, 2, 12)}, {}};
    for (const char* name : {"fave.qnb", "d.QNB"})
        writeDiary(m.file(QLatin1String(name)), one);
    QVERIFY(QDir(m.dir->path()).mkdir("folder.qnb") && QDir(m.dir->path()).mkdir("x.qnb"));
    writeDiary(m.file(QStringLiteral("x.qnb/d.dat")), one);
    writeDiary(m.file(QStringLiteral("locked.qnb")), Diary{{}, {}, Password, 0, one.stamps, {}});
    QFile shortFile(m.file(QStringLiteral("short.qnb")));
    QVERIFY(shortFile.open(QIODevice::WriteOnly) && shortFile.write(QByteArray(100, 'x')) == 100);
    shortFile.close();
    // Stamps with milliseconds, at midnight and two alike; then a record cut short, which is no entry.
    Diary named{QStringLiteral("Мой дневник «Ёлка»"), QStringLiteral("Пётр"), {}, 0, {}, {}};
    named.stamps = {stampOf(2026, 3, 5, 13, 49, 51, 250), stampOf(2026, 3, 6), stampOf(2026, 3, 6, 7, 5, 9),
                    stampOf(2026, 3, 6, 7, 5, 9)};
    const QString last = m.file(QStringLiteral("last.qnb"));
    writeDiary(last, named);
    QVERIFY(QFile::resize(last, QFileInfo(last).size() + 100));
    // Two diaries whose paths differ only after the 200th character.
    const QString folder = m.file(QString(100, u'd'));
    QVERIFY(QDir().mkpath(folder));
    const QString cut = folder + "/" + QString(MaxPathLength - folder.size() - 5, u'a') + ".qnb";
    writeDiary(cut, one);
    writeDiary(cut + QString(40, u'z'), Diary{QStringLiteral("Полный"), {}, {}, 0, one.stamps, {}});

    const QString settingsPath = settingsFilePath(m.dir->path());
    const bool hasSettings = !settings.isNull();
    settings.replace("%2", (cut + QString(40, u'z')).toUtf8());
    QVERIFY(!hasSettings || m.writeSettings(settings));
    settings.replace("%1", m.dir->path().toUtf8());

    QCOMPARE(m.launch(answers), QStringList(answers.size(), QStringLiteral("PassDlg")));
    QCOMPARE(m.window->statusText(0), shown.isEmpty() ? " Нет открытых дневников" : " Ожидание...");
    QVERIFY(!m.window->Bchange->isEnabled() && !m.window->Bdel->isEnabled() && !m.window->N13->isEnabled());
    QCOMPARE(QFile::exists(settingsPath), hasSettings);
    QCOMPARE(fileBytes(settingsPath), settings);
    QCOMPARE(m.window->N10->isChecked(), settings.contains("Editing=1"));
    QCOMPARE(m.window->state().EditAllowed, settings.contains("Editing=1"));
    QCOMPARE(m.window->N19->isChecked(), !settings.contains("ByDate=0"));
    QCOMPARE(m.window->N20->isChecked(), !settings.contains("ByWord=0"));
    if (shown.isEmpty())
        return verifyNoDiary();
    const QString names = shown == "last.qnb" ? named.title + " / " + named.owner : "Один Из Многих / Аноним";
    verifyShows(shown == "cut" ? cut : m.file(shown), answers.isEmpty() ? FixedKey : toCp1251(Password), names);
    if (shown == "last.qnb")
        QCOMPARE(m.listItems(),
                 QStringList({"05.03.2026 13:49:51", "06.03.2026", "06.03.2026 07:05:09", "06.03.2026 07:05:09"}));
}

// Whatever fails while another diary is being opened leaves the open one, protected here, working with
// its key.
void TestStartup::opensChosenDiariesAndKeepsThemOnFailure()
{
    const QString first = m.file(QStringLiteral("a.qnb"));
    const QString longer = first + QStringLiteral(".qnb"); // its name holds the first one's path
    const QString locked = m.file(QStringLiteral("locked.qnb"));
    const QString other = m.file(QStringLiteral("other.qnb"));
    const QString cutShort = m.file(QStringLiteral("short.qnb"));
    writeDiary(first, Diary{QStringLiteral("Первый"), {}, {}, 0, {stampOf(2026, 1, 2, 3, 4, 5)}, {}});
    writeDiary(longer, Diary{QStringLiteral("Второй"), {}, {}, 0, {stampOf(2026, 2, 1), stampOf(2026, 2, 2)}, {}});
    writeDiary(locked, Diary{QStringLiteral("Тайный"), {}, Password, 0, {stampOf(2026, 3, 3, 3, 3, 3)}, {}});
    writeDiary(other, Diary{{}, {}, QStringLiteral("другой"), 0, {}, {}});
    writeDiary(cutShort, Diary{});
    QVERIFY(QFile::resize(cutShort, RecordSize - 1));
    QVERIFY(QFile::link(first, m.file(QStringLiteral("link.qnb"))));
    QVERIFY(m.launch().isEmpty());

    QCOMPARE(open({}), QStringList({"OpenD", NotFound}));
    QCOMPARE(open({other, QString()}), QStringList({"OpenD", "PassDlg"}));
    verifyNoDiary();
    QCOMPARE(open({first}), QStringList{"OpenD"});
    verifyShows(first, FixedKey, QStringLiteral("Первый / Аноним"));
    QCOMPARE(PrivateProfile(m.window->settingsPath()).readString(Directory, LastDiary, {}), first);
    // After a cancel the dialog still holds the open diary's name.
    QCOMPARE(open({}), QStringList({"OpenD", AlreadyOpen}));
    QCOMPARE(open({m.file(QStringLiteral("link.qnb"))}), QStringList({"OpenD", AlreadyOpen}));
    QCOMPARE(open({longer}), QStringList{"OpenD"});
    verifyShows(longer, FixedKey, QStringLiteral("Второй / Аноним"));
    QCOMPARE(open({locked, "нет", "Ключ", Password}), QStringList({"OpenD", "PassDlg", "PassDlg", "PassDlg"}));
    verifyShows(locked, toCp1251(Password), QStringLiteral("Тайный / Аноним"));

    const QString settings = m.window->settingsPath();
    const QByteArray settingsBefore = fileBytes(settings);
    QCOMPARE(open({other, QString()}), QStringList({"OpenD", "PassDlg"}));
    QCOMPARE(open({cutShort}), QStringList({"OpenD", "Read beyond end of file"}));
    QCOMPARE(fileBytes(settings), settingsBefore);
    QVERIFY(QFile::remove(settings) && QDir().mkdir(settings));
    QCOMPARE(open({other, "другой"}), QStringList({"OpenD", "PassDlg", "Unable to write to " + settings}));
    verifyShows(locked, toCp1251(Password), QStringLiteral("Тайный / Аноним"));

    // Cancelling the dialog takes the name chosen last, whose file is gone now.
    m.window->N14->trigger();
    QVERIFY(QFile::remove(other));
    QCOMPARE(open({}), QStringList({"OpenD", NotFound}));
    QVERIFY(m.window->state().DiaryPath.isEmpty() && !m.window->state().DiaryFile.isOpen());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
