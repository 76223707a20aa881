#include "diarymaker.h"

#include "mainwindow/mainwindow.h"
#include "mainwindow/messagebox.h"

#include <QAction>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace diarymaker;
using namespace SettingsKeys;

namespace
{

const char* const DiaryControls[] = {"Badd",   "Bchange", "Bdel",   "Bclear", "DTPicker",   "ToChNum",
                                     "AllRec", "Today",   "InWord", "Search", "ClearSearch"};
const char* const DiaryItems[] = {"N10", "N19", "N20", "N21", "N25", "N7", "N24"};
const char* const AlwaysItems[] = {"N2", "N12", "N14", "N4", "N23", "N11", "N8"};

QString today()
{
    return shortDateText(QDate::currentDate());
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsWithoutSettingsFile();
    void opensLastDiary();
    void showsStandInsForEmptyTitleAndOwner();
    void mainDiaryWinsOverLast();
    void refusesUnusableDiaries_data();
    void refusesUnusableDiaries();
    void cutsLongPathBeforeLookingForIt();
    void acceptsQnbInFolderName();
    void appliesOptions_data();
    void appliesOptions();

    void laysOutClientArea();
    void countsCharactersWithCrLf();
    void takesNoInputWithoutDisablingItsWindows();
    void exitClosesTheWindow();
    void messageHasTitleTextAndOneButton();

private:
    QString dir() const { return m_dir->path(); }
    QString diaryPath(const QString& name) const { return m_dir->filePath(name); }
    void openAtStart(const QString& key, const QString& path);
    void start();
    template <class T> T* find(const char* name) const
    {
        T* found = m_window->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QWidget* control(const char* name) const { return find<QWidget>(name); }
    QAction* item(const char* name) const { return find<QAction>(name); }
    QString panel(int i) const { return find<QLabel>(qPrintable(QStringLiteral("SBarPanel%1").arg(i)))->text(); }
    QStringList listItems() const;
    void verifyNoDiary();
    void verifyDiaryOpen(const QString& path);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TForm1> m_window;
};

void TestStartup::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestStartup::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

void TestStartup::openAtStart(const QString& key, const QString& path)
{
    setSetting(dir(), Options, key == LastDiary ? OpenLast : OpenFave, QStringLiteral("1"));
    setSetting(dir(), Directory, key, path);
}

void TestStartup::start()
{
    ModalWatch watch;
    m_window = std::make_unique<TForm1>(dir());
    QVERIFY2(watch.seen().isEmpty(), qPrintable(watch.seen().join(QStringLiteral(" | "))));
}

QStringList TestStartup::listItems() const
{
    auto* list = find<QListWidget>("LBdate");
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

void TestStartup::verifyNoDiary()
{
    QCOMPARE(panel(0), QStringLiteral(" Нет открытых дневников"));
    for (const char* name : DiaryControls)
        QVERIFY2(!control(name)->isEnabled(), name);
    for (const char* name : DiaryItems)
        QVERIFY2(!item(name)->isEnabled(), name);
    for (const char* name : AlwaysItems)
        QVERIFY2(item(name)->isEnabled(), name);
    QVERIFY(!item("N13")->isEnabled());
    QVERIFY(!item("N26")->isEnabled());
    QVERIFY(control("LBdate")->isEnabled());
    QVERIFY(control("mm")->isEnabled());

    const DiaryState& s = m_window->state();
    QVERIFY(s.DiaryPath.isEmpty());
    QCOMPARE(s.EntryKey, FixedKey);
    QVERIFY(!s.HasPassword);
    QVERIFY(!s.DiaryFile.isOpen());
    QVERIFY(!s.ProbeFile.isOpen());
    QVERIFY(!s.ListComplete);
    QVERIFY(find<QLabel>("dname")->text().isEmpty());
    QVERIFY(find<QLabel>("mname")->text().isEmpty());
    QVERIFY(listItems().isEmpty());
    QVERIFY(panel(1).isEmpty());
    QVERIFY(panel(2).isEmpty());
}

void TestStartup::verifyDiaryOpen(const QString& path)
{
    const DiaryState& s = m_window->state();
    QCOMPARE(s.DiaryPath, path);
    QVERIFY(s.DiaryFile.isOpen());
    QVERIFY(!s.ProbeFile.isOpen());
    QCOMPARE(s.FirstListRecord, 1);
    QVERIFY(s.ListComplete);
    QVERIFY(!s.WordFilterOn);
    QCOMPARE(panel(0), QStringLiteral(" Ожидание..."));
    QCOMPARE(panel(1), QStringLiteral("0"));
    QCOMPARE(panel(2), QLatin1Char(' ') + QFileInfo(path).fileName());
    for (const char* name : {"Badd", "Bclear", "AllRec"})
        QVERIFY2(control(name)->isEnabled(), name);
    QVERIFY(!control("Bchange")->isEnabled());
    QVERIFY(!control("Bdel")->isEnabled());
    for (const char* name : DiaryItems)
        QVERIFY2(item(name)->isEnabled(), name);
    QVERIFY(!item("N13")->isEnabled());
}

void TestStartup::startsWithoutSettingsFile()
{
    start();
    verifyNoDiary();
    QVERIFY(!QFile::exists(settingsFilePath(dir())));

    QVERIFY(item("N19")->isChecked());
    QVERIFY(item("N20")->isChecked());
    QVERIFY(!item("N10")->isChecked());
    const DiaryState& s = m_window->state();
    QVERIFY(!s.EditAllowed);
    QVERIFY(!s.OptOpenLast && !s.OptOpenFave && !s.OptEditing && s.OptByDate && s.OptByWord);

    QCOMPARE(find<QLabel>("Ldate")->text(), QStringLiteral("Сегодня ") + today());
    QCOMPARE(find<QToolButton>("Today")->text(), today());
    auto* picker = find<QDateEdit>("DTPicker");
    QCOMPARE(picker->date(), QDate::currentDate());
    QCOMPARE(picker->maximumDate(), QDate::currentDate());
    QVERIFY(find<QToolButton>("BSave1")->isHidden());
    QVERIFY(find<QToolButton>("BSave2")->isHidden());
    QVERIFY(!panel(3).isEmpty());
}

void TestStartup::opensLastDiary()
{
    Diary diary{QStringLiteral("Мой дневник «Ёлка»"), QStringLiteral("Пётр"), {}, stampOf(2026, 1, 4, 23, 59, 1), {}};
    diary.stamps = {stampOf(2026, 3, 5, 13, 49, 51, 250), stampOf(2026, 3, 6), stampOf(2026, 3, 6, 7, 5, 9),
                    stampOf(2026, 3, 6, 7, 5, 9)};
    const QString path = diaryPath(QStringLiteral("diary.qnb"));
    writeDiary(path, diary);
    openAtStart(LastDiary, path);
    QFile settings(settingsFilePath(dir()));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray settingsBefore = settings.readAll();
    settings.close();

    start();
    verifyDiaryOpen(path);
    QCOMPARE(find<QLabel>("dname")->text(), diary.title);
    QCOMPARE(find<QLabel>("mname")->text(), diary.owner);
    QCOMPARE(listItems(),
             QStringList({"05.03.2026 13:49:51", "06.03.2026", "06.03.2026 07:05:09", "06.03.2026 07:05:09"}));
    const DiaryState& s = m_window->state();
    QCOMPARE(s.DiaryCreated, diary.created);
    QCOMPARE(s.EntryKey, FixedKey);
    QVERIFY(!s.HasPassword);
    QVERIFY(!s.EditAllowed);
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), settingsBefore);
}

void TestStartup::showsStandInsForEmptyTitleAndOwner()
{
    const QString path = diaryPath(QStringLiteral("empty.qnb"));
    writeDiary(path, Diary{});
    QCOMPARE(QFileInfo(path).size(), qint64(RecordSize));
    openAtStart(FaveDiary, path);
    start();
    verifyDiaryOpen(path);
    QCOMPARE(find<QLabel>("dname")->text(), QStringLiteral("Один Из Многих"));
    QCOMPARE(find<QLabel>("mname")->text(), QStringLiteral("Аноним"));
    QVERIFY(listItems().isEmpty());
}

void TestStartup::mainDiaryWinsOverLast()
{
    const QString last = diaryPath(QStringLiteral("last.qnb"));
    const QString fave = diaryPath(QStringLiteral("fave.qnb"));
    writeDiary(last, Diary{QStringLiteral("Последний"), QString(), {}, 0, {stampOf(2026, 1, 1, 10)}});
    writeDiary(fave, Diary{QStringLiteral("Главный"), QString(), {}, 0, {}});
    openAtStart(LastDiary, last);
    openAtStart(FaveDiary, fave);
    start();
    verifyDiaryOpen(fave);
    QCOMPARE(find<QLabel>("dname")->text(), QStringLiteral("Главный"));
    QVERIFY(listItems().isEmpty());
}

void TestStartup::refusesUnusableDiaries_data()
{
    QTest::addColumn<QString>("situation");
    for (const char* situation : {"no LastDiary key", "OpenLast off", "missing file", "no .qnb in path",
                                  "upper-case .QNB", "folder named .qnb", "file of 100 bytes"})
        QTest::newRow(situation) << QString::fromLatin1(situation);
}

void TestStartup::refusesUnusableDiaries()
{
    QFETCH(QString, situation);
    const Diary plain{QStringLiteral("Дневник"), QStringLiteral("Я"), {}, 0, {stampOf(2026, 2, 2, 12)}};
    QString path = diaryPath(QStringLiteral("diary.qnb"));
    if (situation == "no LastDiary key") {
        setSetting(dir(), Options, OpenLast, QStringLiteral("1"));
    } else if (situation == "OpenLast off") {
        writeDiary(path, plain);
        openAtStart(LastDiary, path);
        setSetting(dir(), Options, OpenLast, QStringLiteral("0"));
    } else if (situation == "missing file") {
        openAtStart(LastDiary, path);
    } else if (situation == "no .qnb in path" || situation == "upper-case .QNB") {
        path = diaryPath(situation == "no .qnb in path" ? QStringLiteral("diary.txt") : QStringLiteral("diary.QNB"));
        writeDiary(path, plain);
        openAtStart(LastDiary, path);
    } else if (situation == "folder named .qnb") {
        QVERIFY(QDir(dir()).mkdir(QStringLiteral("diary.qnb")));
        openAtStart(LastDiary, path);
    } else if (situation == "file of 100 bytes") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(QByteArray(100, 'x')), 100);
        file.close();
        openAtStart(LastDiary, path);
    }
    start();
    verifyNoDiary();
}

void TestStartup::cutsLongPathBeforeLookingForIt()
{
    // Two diaries side by side whose names differ only after the 200th character of the path.
    const QString folder = diaryPath(QString(100, QLatin1Char('d')));
    QVERIFY(QDir().mkpath(folder));
    const QString cut = folder + QLatin1Char('/') + QString(200 - folder.size() - 5, QLatin1Char('a')) + ".qnb";
    QCOMPARE(cut.size(), MaxPathLength);
    const QString full = cut + QString(40, QLatin1Char('z'));
    writeDiary(cut, Diary{QStringLiteral("Укороченный"), QString(), {}, 0, {}});
    writeDiary(full, Diary{QStringLiteral("Полный"), QString(), {}, 0, {}});
    openAtStart(LastDiary, full);
    start();
    verifyDiaryOpen(cut);
    QCOMPARE(find<QLabel>("dname")->text(), QStringLiteral("Укороченный"));
}

void TestStartup::acceptsQnbInFolderName()
{
    QVERIFY(QDir(dir()).mkdir(QStringLiteral("x.qnb")));
    const QString path = diaryPath(QStringLiteral("x.qnb/diary.dat"));
    writeDiary(path, Diary{QStringLiteral("В папке"), QString(), {}, 0, {stampOf(2026, 1, 2, 3, 4, 5)}});
    openAtStart(LastDiary, path);
    start();
    verifyDiaryOpen(path);
    QCOMPARE(listItems(), QStringList{"02.01.2026 03:04:05"});
}

void TestStartup::appliesOptions_data()
{
    QTest::addColumn<bool>("withDiary");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<bool>("byDate");
    QTest::addColumn<bool>("byWord");
    QTest::newRow("editing on") << true << true << true << true;
    QTest::newRow("date search off") << true << false << false << true;
    QTest::newRow("word search off") << true << false << true << false;
    QTest::newRow("editing on, no diary") << false << true << true << true;
}

void TestStartup::appliesOptions()
{
    QFETCH(bool, withDiary);
    QFETCH(bool, editing);
    QFETCH(bool, byDate);
    QFETCH(bool, byWord);
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    setSetting(dir(), Options, Editing, flag(editing));
    setSetting(dir(), Options, ByDate, flag(byDate));
    setSetting(dir(), Options, ByWord, flag(byWord));
    if (withDiary) {
        const QString path = diaryPath(QStringLiteral("diary.qnb"));
        writeDiary(path, Diary{});
        openAtStart(LastDiary, path);
    }
    start();

    QCOMPARE(m_window->state().EditAllowed, editing);
    QCOMPARE(item("N10")->isChecked(), editing);
    QCOMPARE(item("N19")->isChecked(), byDate);
    QCOMPARE(item("N20")->isChecked(), byWord);
    if (!withDiary) {
        verifyNoDiary();
        return;
    }
    for (const char* name : {"DTPicker", "ToChNum", "Today"})
        QVERIFY2(control(name)->isEnabled() == byDate, name);
    for (const char* name : {"InWord", "Search", "ClearSearch"})
        QVERIFY2(control(name)->isEnabled() == byWord, name);
    QVERIFY(control("AllRec")->isEnabled());
}

void TestStartup::laysOutClientArea()
{
    start();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QWidget* client = m_window->centralWidget();
    QCOMPARE(client->width(), 601);
    QCOMPARE(client->height() + m_window->statusBar()->height(), 381);

    QWidget* panel4 = control("Panel4");
    QCOMPARE(panel4->geometry(), QRect(5, 56, 589, 305));
    QCOMPARE(control("mm")->size(), QSize(449, 289));
    QWidget* list = control("LBdate");
    QCOMPARE(list->width(), 129);
    const int listRightGap = panel4->width() - list->geometry().right();

    // The label that records the entry on view lies under the tool bar.
    QWidget* ldate = control("Ldate");
    QWidget* onTop = client->childAt(ldate->geometry().center());
    QVERIFY(onTop && onTop != ldate);
    QVERIFY(onTop == control("CoolBar") || control("CoolBar")->isAncestorOf(onTop));

    QCOMPARE(find<QToolButton>("BSave1")->geometry(), find<QToolButton>("Badd")->geometry());
    QCOMPARE(find<QToolButton>("BSave2")->geometry(), find<QToolButton>("Bchange")->geometry());

    const int panelWidths[] = {270, 30, 150, 50};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(find<QLabel>(qPrintable(QStringLiteral("SBarPanel%1").arg(i)))->width(), panelWidths[i]);

    m_window->resize(m_window->width() + 100, m_window->height() + 60);
    QTRY_COMPARE(panel4->size(), QSize(689, 365));
    QCOMPARE(control("mm")->size(), QSize(549, 349));
    QCOMPARE(list->size(), QSize(129, 349));
    QCOMPARE(panel4->width() - list->geometry().right(), listRightGap);
    QCOMPARE(control("CoolBar")->width(), 701);
    QCOMPARE(find<QLabel>("SBarPanel0")->width(), 270);
}

void TestStartup::countsCharactersWithCrLf()
{
    start();
    auto* text = find<QPlainTextEdit>("mm");
    text->setPlainText(QStringLiteral("абв\nгде"));
    QCOMPARE(panel(1), QStringLiteral("8"));
    text->clear();
    QCOMPARE(panel(1), QStringLiteral("0"));
}

void TestStartup::takesNoInputWithoutDisablingItsWindows()
{
    const QString path = diaryPath(QStringLiteral("diary.qnb"));
    writeDiary(path, Diary{});
    openAtStart(LastDiary, path);
    start();
    QWidget secondary(m_window.get(), Qt::Window);

    m_window->setTakesInput(false);
    QVERIFY(!m_window->takesInput());
    QVERIFY(!control("Badd")->isEnabled());
    QVERIFY(!control("LBdate")->isEnabled());
    QVERIFY(!m_window->menuBar()->isEnabled());
    QVERIFY(m_window->isEnabled());
    QVERIFY(secondary.isEnabled());

    m_window->setTakesInput(true);
    QVERIFY(m_window->takesInput());
    QVERIFY(control("Badd")->isEnabled());
    QVERIFY(m_window->menuBar()->isEnabled());
    QVERIFY(!control("Bchange")->isEnabled());
}

void TestStartup::exitClosesTheWindow()
{
    start();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    item("N4")->trigger();
    QVERIFY(!m_window->isVisible());
}

void TestStartup::messageHasTitleTextAndOneButton()
{
    start();
    QString title, text;
    qsizetype buttonCount = 0;
    QTimer answer;
    answer.setInterval(10);
    connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        answer.stop();
        title = box->windowTitle();
        text = box->text();
        buttonCount = box->buttons().size();
        box->button(QMessageBox::Ok)->click();
    });
    answer.start();
    showMessage(m_window.get(), QStringLiteral("Файл не найден"));
    QCOMPARE(title, QStringLiteral("Quillnest"));
    QCOMPARE(text, QStringLiteral("Файл не найден"));
    QCOMPARE(buttonCount, 1);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
