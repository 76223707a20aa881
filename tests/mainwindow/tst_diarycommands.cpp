#include "diarymaker.h"

#include "dialogs/newdiarywindow.h"
#include "settings/settingswindow.h"

#include <QDir>
#include <QtTest>

using namespace diarymaker;
using namespace SettingsKeys;

// The searches, "Показать все записи" and the menu commands on the open diary; editing is on.
class TestDiaryCommands : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { m.close(); }
    void findsWordsAsTheReaderSeesThem_data();
    void findsWordsAsTheReaderSeesThem();
    void findsEntriesOfOneDayAndComesBackWhole();
    void checkItemsSwitchControlsOnly();
    void informsOnTheDiary_data();
    void informsOnTheDiary();
    void mainDiaryOpensAtStart();
    void secondaryWindowsTakeTheInputWhileShown();

private:
    Session m;
};

void TestDiaryCommands::findsWordsAsTheReaderSeesThem_data()
{
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<QList<int>>("records");
    QTest::newRow("case counts, listed once") << "Hello" << QList<int>{1, 3};
    QTest::newRow("inside words, both cases") << "ello" << QList<int>{1, 2, 3};
    QTest::newRow("across two pieces") << "quillnest" << QList<int>{3};
    QTest::newRow("blank against a line break") << "again world" << QList<int>{};
    QTest::newRow("empty field") << "" << QList<int>{};
    QTest::newRow("Cyrillic") << "мир" << QList<int>{4};
    QTest::newRow("beyond Windows-1251") << "日" << QList<int>{};
}

void TestDiaryCommands::findsWordsAsTheReaderSeesThem()
{
    QFETCH(QString, phrase);
    QFETCH(QList<int>, records);
    const QString twice = "Hello" + QString(247, u'x') + "quillnest" + QString(300, u'y') + "Hello";
    Diary diary{{}, {}, {}, 0, {at(DayA, 1), at(DayA, 2), at(DayB, 3), at(DayB, 4), at(DayB, 5)}, {}};
    diary.texts = {"Hello world", "hello again\r\nworld", twice, "Привет, мир", "what? yes"};
    QVERIFY(m.start(diary));
    QVERIFY(m.searchWord(phrase).isEmpty());

    const DiaryState& s = m.window->state();
    QCOMPARE(m.window->statusText(0), " Найдено записей: " + QString::number(records.size()));
    QVERIFY(s.WordFilterOn && !s.ListComplete);
    QStringList expected;
    for (int r : records)
        expected << stampText(at(r < 3 ? DayA : DayB, r));
    QCOMPARE(m.listItems(), expected);
    m.verifyItemsLeadTo(records);
}

// One day's entries need not lie side by side in the file. "Показать все записи" ends the view of an
// entry; a new entry goes to the end of the full list, whatever search was shown.
void TestDiaryCommands::findsEntriesOfOneDayAndComesBackWhole()
{
    Diary diary = alternatingDays(4);
    const QDate today = QDate::currentDate();
    diary.stamps << stampOf(today.year(), today.month(), today.day());
    diary.texts << QStringLiteral("Сегодня в полночь");
    QVERIFY(m.start(diary));
    TForm1& w = *m.window;
    QVERIFY(m.searchDay(DayA).isEmpty());
    QCOMPARE(m.listItems(), QStringList({stampText(at(DayA, 1)), stampText(at(DayA, 3))}));
    QCOMPARE(w.statusText(0), QStringLiteral("01.03.2024 Найдено записей: 2"));
    QVERIFY(w.state().DateFilterOn && !w.state().ListComplete);
    m.verifyItemsLeadTo({1, 3});
    QVERIFY(m.searchDay(DayB.addDays(1)).isEmpty());
    QVERIFY(m.listItems().isEmpty());
    QCOMPARE(w.statusText(0), QStringLiteral("03.03.2024 Записей нет!"));
    w.DTPicker->setDate(DayA);
    QVERIFY(m.click(w.Today).isEmpty());
    QCOMPARE(m.listItems(), QStringList{shortDateText(today)});
    QCOMPARE(w.DTPicker->date(), today);
    m.verifyItemsLeadTo({5});

    QVERIFY(m.searchWord(QStringLiteral("общее")).isEmpty());
    const QString shown = m.view(1);
    QVERIFY(w.Bchange->isEnabled() && w.Bdel->isEnabled());
    w.DTPicker->setDate(DayA);
    QVERIFY(m.click(w.AllRec).isEmpty());
    QCOMPARE(w.statusText(0), QStringLiteral("Всего записей: 5"));
    QCOMPARE(w.Ldate->text(), TForm1::todayCaption());
    QVERIFY(!w.Bchange->isEnabled() && !w.Bdel->isEnabled() && w.mm->toPlainText() == shown);
    QCOMPARE(w.DTPicker->date(), today);
    m.verifyItemsLeadTo({1, 2, 3, 4, 5});

    for (int entries : {6, 7}) {
        QVERIFY((entries == 6 ? m.searchWord(QStringLiteral("Текст 4")) : m.searchDay(DayB)).isEmpty());
        QVERIFY(m.click(w.Badd).isEmpty());
        w.mm->setPlainText(QStringLiteral("Новая\nзапись"));
        QVERIFY(m.click(w.BSave1).isEmpty());
        const DiaryState& s = w.state();
        QVERIFY(s.ListComplete && !s.WordFilterOn && !s.DateFilterOn && s.FirstListRecord == 1);
        QCOMPARE(w.DTPicker->date(), today);
        RecordFile file;
        file.open(m.path);
        QCOMPARE(m.listItems().last(), stampText(file.readEntryStamps().back()));
        QCOMPARE(entryTexts(m.path).last(), QStringLiteral("Новая\r\nзапись"));
        m.verifyItemsLeadTo(QList<int>{1, 2, 3, 4, 5, 6, 7}.first(entries));
    }
}

// The check marks of "Редактирование", "Поиск по дате" and "Поиск по слову" enable controls; they
// change no setting.
void TestDiaryCommands::checkItemsSwitchControlsOnly()
{
    QVERIFY(m.start(Diary{{}, {}, {}, 0, {stampOf(2026, 2, 1, 8)}, {QStringLiteral("абв\r\nгде")}}));
    TForm1& w = *m.window;
    const QByteArray settings = fileBytes(w.settingsPath());
    const auto buttonsAre = [&w](bool on) { return w.Bchange->isEnabled() == on && w.Bdel->isEnabled() == on; };
    for (bool mark : {false, true}) { // no entry on view
        m.trigger(w.N10);
        QVERIFY(w.N10->isChecked() == mark && w.state().EditAllowed == mark && buttonsAre(false));
    }
    QVERIFY(!w.N13->isEnabled());
    m.view(0);
    QCOMPARE(w.statusText(1), QStringLiteral("8"));
    QCOMPARE(m.trigger(w.N13), QStringList{QStringLiteral("Количество символов данной записи: 8")});
    QVERIFY(buttonsAre(true));
    m.trigger(w.N10);
    QVERIFY(buttonsAre(false));
    m.view(0);
    QVERIFY(buttonsAre(false));
    m.trigger(w.N10);
    QVERIFY(buttonsAre(true));
    QVERIFY(m.click(w.Bchange).isEmpty());
    m.trigger(w.N10);
    m.trigger(w.N10);
    QVERIFY(buttonsAre(false));
    QVERIFY(m.click(w.BSave2).isEmpty());
    QVERIFY(buttonsAre(true));

    for (bool mark : {false, true}) {
        QVERIFY(m.trigger(w.N19).isEmpty() && m.trigger(w.N20).isEmpty());
        QVERIFY(w.N19->isChecked() == mark && w.N20->isChecked() == mark && w.AllRec->isEnabled());
        for (QWidget* control :
             std::initializer_list<QWidget*>{w.DTPicker, w.ToChNum, w.Today, w.InWord, w.Search, w.ClearSearch})
            QCOMPARE(control->isEnabled(), mark);
    }
    QCOMPARE(fileBytes(w.settingsPath()), settings);
}

void TestDiaryCommands::informsOnTheDiary_data()
{
    QTest::addColumn<double>("created");
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("third");
    QTest::newRow("header only") << stampOf(2025, 11, 2, 9, 5, 59) << 0 << "Создан: 02.11.2025 (9ч 5мин)";
    QTest::newRow("created at midnight") << stampOf(2026, 1, 15) << 2 << "Создан: 15.01.2026 (0ч 0мин)";
}

void TestDiaryCommands::informsOnTheDiary()
{
    QFETCH(double, created);
    QFETCH(int, entries);
    QFETCH(QString, third);
    Diary diary = alternatingDays(entries);
    diary.created = created;
    QVERIFY(m.start(diary));
    const QString expected = "Файл: d.qnb\rКоличество записей в дневнике: " + QString::number(entries) + '\r' + third;
    QCOMPARE(m.trigger(m.window->N7), QStringList{expected});
}

// The main diary lies in another folder. Settings.ini is replaced whole when written, which cannot
// happen while a folder has its name.
void TestDiaryCommands::mainDiaryOpensAtStart()
{
    QVERIFY(m.start(Diary{}));
    TForm1& w = *m.window;
    const QString settings = w.settingsPath();
    const QString fave = m.file(QStringLiteral("other/main.qnb"));
    QVERIFY(QDir(m.dir->path()).mkdir(QStringLiteral("other")));
    writeDiary(fave, alternatingDays(1));
    QCOMPARE(answering({fave}, [&w] { w.N2->trigger(); }), QStringList{"OpenD"});
    QVERIFY(QFile::remove(settings) && QDir().mkdir(settings));
    QCOMPARE(m.trigger(w.N24), QStringList{"Unable to write to " + settings});
    QVERIFY(QDir().rmdir(settings));

    QVERIFY(m.trigger(w.N24).isEmpty());
    const PrivateProfile profile(settings);
    QCOMPARE(profile.readString(Directory, FaveDiary, NoFile), fave);
    QCOMPARE(profile.readString(Options, OpenFave, NoFile), NoFile);

    PrivateProfile(settings).writeString(Options, OpenFave, QStringLiteral("1"));
    TForm1 next(m.dir->path());
    QCOMPARE(next.state().DiaryPath, fave);
    QCOMPARE(next.LBdate->model()->rowCount(), 1);
}

// While "Создать" or "Настройки" shows its window the main window takes no input at all: a click on
// it does nothing. The secondary window itself stays usable.
void TestDiaryCommands::secondaryWindowsTakeTheInputWhileShown()
{
    QVERIFY(m.start(Diary{}));
    TForm1& w = *m.window;
    auto* form3 = new TForm3(&w);
    auto* form4 = new TForm4(w.settingsPath(), &w);
    w.setNewDiaryWindow(form3);
    w.setSettingsWindow(form4);
    const struct {
        QAction* item;
        QWidget* shown;
        QPushButton* closing; // none: the window is closed by its frame
    } cases[] = {{w.N12, form3, form3->BBno}, {w.N23, form4, form4->BitBtn3}, {w.N23, form4, nullptr}};
    // Through the window system, as a person's click comes, so that a blocked window refuses it.
    const auto clickAdd = [&w] {
        QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, w.Badd->mapTo(&w, w.Badd->rect().center()));
    };
    for (const auto& c : cases) {
        QVERIFY(m.trigger(c.item).isEmpty());
        QVERIFY(c.shown->isVisible() && c.shown->isEnabled() && !w.takesInput());
        clickAdd();
        QVERIFY(w.BSave1->isHidden() && w.statusText(0) == " Ожидание...");
        if (c.closing)
            QTest::mouseClick(c.closing, Qt::LeftButton);
        else
            c.shown->close();
        QVERIFY(!c.shown->isVisible() && w.takesInput());
    }
    clickAdd();
    QVERIFY(w.BSave1->isVisible());
    QVERIFY(m.trigger(w.N4).isEmpty());
    QVERIFY(!w.isVisible());
}

QTEST_MAIN(TestDiaryCommands)
#include "tst_diarycommands.moc"
