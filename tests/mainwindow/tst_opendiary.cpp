#include "diarymaker.h"
#include "modalscript.h"

#include "dialogs/newdiarywindow.h"
#include "mainwindow/mainwindow.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <optional>

using namespace diarymaker;
using namespace SettingsKeys;

namespace
{
const QString NotFound = QStringLiteral("Файл не найден");
const QString AlreadyOpen = QStringLiteral("Файл уже открыт");
const QString Password = QStringLiteral("ключ");
} // namespace

class TestOpenDiary : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.emplace().isValid()); }
    void cleanup()
    {
        m_window.reset();
        m_dir.reset();
    }
    void opensChosenFilesAndRefusesOthers();
    void asksForPasswordUntilExact();
    void failedOpeningKeepsWhatWasOpen_data();
    void failedOpeningKeepsWhatWasOpen();
    void startupAsksForPassword_data();
    void startupAsksForPassword();
    void createShowsNewDiaryWindow();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    QStringList start(const QStringList& answers = {})
    {
        return answering(answers, [this] { m_window = std::make_unique<TForm1>(m_dir->path()); });
    }
    QStringList open(const QStringList& answers)
    {
        return answering(answers, [this] { m_window->N2->trigger(); });
    }
    void verifyShows(const QString& diary, const QString& title, int entries, const QByteArray& key);
    void verifyNoDiary();

    std::optional<QTemporaryDir> m_dir;
    std::unique_ptr<TForm1> m_window;
};

// The diary is open and works: its first entry reads right with the key held.
void TestOpenDiary::verifyShows(const QString& diary, const QString& title, int entries, const QByteArray& key)
{
    const DiaryState& s = m_window->state();
    QVERIFY(s.DiaryPath == diary && s.DiaryFile.path() == diary && !s.ProbeFile.isOpen());
    QCOMPARE(s.EntryKey, key);
    QCOMPARE(s.HasPassword, key != FixedKey);
    QCOMPARE(m_window->dname->text(), title);
    QCOMPARE(m_window->statusText(2), QLatin1Char(' ') + QFileInfo(diary).fileName());
    QCOMPARE(m_window->LBdate->count(), entries);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    doubleClickItem(m_window->LBdate, 0);
    QCOMPARE(m_window->mm->toPlainText(), toEditorLineBreaks(entryText(1)));
}

void TestOpenDiary::verifyNoDiary()
{
    const DiaryState& s = m_window->state();
    QCOMPARE(m_window->statusText(0), QStringLiteral(" Нет открытых дневников"));
    QVERIFY(s.DiaryPath.isEmpty() && !s.DiaryFile.isOpen() && !s.HasPassword);
    QCOMPARE(s.EntryKey, FixedKey);
}

void TestOpenDiary::opensChosenFilesAndRefusesOthers()
{
    const QString first = path(QStringLiteral("a.qnb"));
    const QString longer = first + QStringLiteral(".qnb"); // its name holds the first one's path
    writeDiary(first, Diary{QStringLiteral("Первый"), {}, {}, 0, {stampOf(2026, 1, 2, 3, 4, 5)}});
    writeDiary(longer, Diary{QStringLiteral("Второй"), {}, {}, 0, {stampOf(2026, 2, 1), stampOf(2026, 2, 2)}});
    QVERIFY(QFile::link(first, path(QStringLiteral("link.qnb"))));
    start();

    QCOMPARE(open({}), QStringList({"OpenD", NotFound}));
    verifyNoDiary();
    QCOMPARE(open({first}), QStringList{"OpenD"});
    verifyShows(first, QStringLiteral("Первый"), 1, FixedKey);
    QCOMPARE(PrivateProfile(settingsFilePath(m_dir->path())).readString(Directory, LastDiary, {}), first);
    QCOMPARE(m_window->state().EditAllowed, m_window->N10->isChecked());
    for (QAction* item : {m_window->N10, m_window->N19, m_window->N20, m_window->N7, m_window->N24})
        QVERIFY(item->isEnabled());
    QVERIFY(m_window->AllRec->isEnabled() && m_window->InWord->isEnabled());

    // After a cancel the dialog still holds the open diary's name.
    QCOMPARE(open({}), QStringList({"OpenD", AlreadyOpen}));
    QCOMPARE(open({path(QStringLiteral("link.qnb"))}), QStringList({"OpenD", AlreadyOpen}));
    QCOMPARE(open({longer}), QStringList{"OpenD"});
    verifyShows(longer, QStringLiteral("Второй"), 2, FixedKey);

    m_window->N14->trigger();
    QVERIFY(QFile::remove(longer));
    QCOMPARE(open({}), QStringList({"OpenD", NotFound}));
    verifyNoDiary();
}

void TestOpenDiary::asksForPasswordUntilExact()
{
    const QString diary = path(QStringLiteral("locked.qnb"));
    writeDiary(diary, Diary{QStringLiteral("Тайный"), {}, Password, 0, {stampOf(2026, 3, 3, 3, 3, 3)}});
    start();
    QCOMPARE(open({diary, "нет", "Ключ", Password}), QStringList({"OpenD", "PassDlg", "PassDlg", "PassDlg"}));
    verifyShows(diary, QStringLiteral("Тайный"), 1, toCp1251(Password));
}

void TestOpenDiary::failedOpeningKeepsWhatWasOpen_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<bool>("previous");
    QTest::addColumn<QStringList>("seen");
    const QString readError = QStringLiteral("Read beyond end of file");
    QTest::newRow("short file") << "short" << true << QStringList{"OpenD", readError};
    QTest::newRow("short file, no diary before") << "short" << false << QStringList{"OpenD", readError};
    QTest::newRow("Settings.ini unwritable") << "settings" << true << QStringList{"OpenD", "PassDlg", "Unable"};
    QTest::newRow("prompt cancelled") << "cancel" << true << QStringList{"OpenD", "PassDlg"};
    QTest::newRow("prompt cancelled, no diary before") << "cancel" << false << QStringList{"OpenD", "PassDlg"};
}

void TestOpenDiary::failedOpeningKeepsWhatWasOpen()
{
    QFETCH(QString, failure);
    QFETCH(bool, previous);
    QFETCH(QStringList, seen);
    // The diary open before is protected, so that its key and flag must survive too.
    const QString before = path(QStringLiteral("before.qnb"));
    writeDiary(before, Diary{QStringLiteral("Прежний"), {}, Password, 0, {stampOf(2026, 1, 1, 1, 1, 1)}});
    const QString chosen = path(QStringLiteral("chosen.qnb"));
    writeDiary(chosen, Diary{{}, {}, QStringLiteral("другой"), 0, {}});
    if (failure == "short")
        QVERIFY(QFile::resize(chosen, RecordSize - 1));
    if (previous) {
        setSetting(m_dir->path(), Options, OpenLast, QStringLiteral("1"));
        setSetting(m_dir->path(), Directory, LastDiary, before);
    }
    start({Password});
    const QString settings = settingsFilePath(m_dir->path());
    const QByteArray settingsBefore = fileBytes(settings);
    if (failure == "settings")
        QVERIFY(QFile::remove(settings) && QDir().mkdir(settings));

    QStringList shown = open({chosen, failure == "settings" ? QStringLiteral("другой") : QString()});
    QVERIFY2(shown.last().startsWith(seen.last()), qPrintable(shown.last()));
    QCOMPARE(shown.mid(0, shown.size() - 1), seen.mid(0, seen.size() - 1));
    if (failure != "settings")
        QCOMPARE(fileBytes(settings), settingsBefore);
    if (previous)
        verifyShows(before, QStringLiteral("Прежний"), 1, toCp1251(Password));
    else
        verifyNoDiary();
}

void TestOpenDiary::startupAsksForPassword_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("accepted") << Password;
    QTest::newRow("cancelled") << QString();
}

void TestOpenDiary::startupAsksForPassword()
{
    QFETCH(QString, typed);
    const QString diary = path(QStringLiteral("locked.qnb"));
    writeDiary(diary, Diary{QStringLiteral("Тайный"), {}, Password, 0, {stampOf(2026, 3, 3, 3, 3, 3)}});
    setSetting(m_dir->path(), Options, OpenFave, QStringLiteral("1"));
    setSetting(m_dir->path(), Directory, FaveDiary, diary);
    QCOMPARE(start({typed}), QStringList{"PassDlg"});
    if (typed.isEmpty())
        verifyNoDiary();
    else
        verifyShows(diary, QStringLiteral("Тайный"), 1, toCp1251(Password));
}

void TestOpenDiary::createShowsNewDiaryWindow()
{
    start();
    auto* form3 = new TForm3(*m_window);
    m_window->setNewDiaryWindow(form3);
    m_window->show();
    m_window->N12->trigger();
    QVERIFY(form3->isVisible() && !m_window->takesInput());
    form3->BBno->click();
    QVERIFY(!form3->isVisible() && m_window->takesInput());
}

QTEST_MAIN(TestOpenDiary)
#include "tst_opendiary.moc"
