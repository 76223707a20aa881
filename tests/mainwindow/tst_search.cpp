#include "diarywindow.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

using namespace diarymaker;
using namespace diarywindow;

namespace
{

const QString Refused = QStringLiteral("Cannot focus a disabled or invisible window");
const QDate DayA(2024, 3, 1);
const QDate DayB(2024, 3, 2);

double at(const QDate& day, int hour)
{
    return stampOf(day.year(), day.month(), day.day(), hour, 15, 7);
}

// Entry i is "Текст i"; the odd ones also hold "общее" and were saved on DayA, the even ones on DayB.
// Entries of one day thus never lie side by side, as after the clock was set back.
QList<Entry> alternatingDays(int count)
{
    QList<Entry> entries;
    for (int i = 1; i <= count; ++i)
        entries.append({at(i % 2 ? DayA : DayB, i), QStringLiteral("Текст %1%2").arg(i).arg(i % 2 ? " общее" : "")});
    return entries;
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        m_session.window.reset();
        m_session.dir.reset();
    }
    void findsWordsAsTheUserSeesThem_data();
    void findsWordsAsTheUserSeesThem();
    void findsEntriesOfOneDay();
    void searchesOfAnEmptyDiaryChangeNothing();
    void itemsLeadToTheirEntriesAfterDeleting_data();
    void itemsLeadToTheirEntriesAfterDeleting();
    void addingAfterSearchBringsBackEveryEntry_data();
    void addingAfterSearchBringsBackEveryEntry();
    void showingAllEndsTheView();
    void searchesAreRefusedWhileWriting();
    void checkItemsSwitchSearchControls();

private:
    TForm1& window() { return *m_session.window; }
    void searchFor(const QString& phrase)
    {
        window().InWord->setText(phrase);
        QVERIFY(m_session.click(window().Search).isEmpty());
    }
    void searchDay(const QDate& day)
    {
        window().DTPicker->setDate(day);
        QVERIFY(m_session.click(window().ToChNum).isEmpty());
    }
    // Every item shows the entry of the record it names, as the file now holds it.
    void verifyEveryItemLeadsToItsEntry(const QList<int>& records);

    Session m_session;
};

void TestSearch::verifyEveryItemLeadsToItsEntry(const QList<int>& records)
{
    const QStringList texts = entryTexts(m_session.path);
    QCOMPARE(m_session.window->LBdate->count(), records.size());
    for (int row = 0; row < records.size(); ++row)
        QCOMPARE(m_session.view(row), toEditorLineBreaks(texts[records[row] - 1]));
}

void TestSearch::findsWordsAsTheUserSeesThem_data()
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

void TestSearch::findsWordsAsTheUserSeesThem()
{
    QFETCH(QString, phrase);
    QFETCH(QList<int>, records);
    const QString twice = "Hello" + QString(247, u'x') + "quillnest" + QString(300, u'y') + "Hello";
    QVERIFY(m_session.start({{at(DayA, 1), "Hello world"},
                             {at(DayA, 2), "hello again\r\nworld"},
                             {at(DayB, 3), twice},
                             {at(DayB, 4), "Привет, мир"},
                             {at(DayB, 5), "what? yes"}}));
    window().InWord->setText(phrase);
    QVERIFY(m_session.click(window().Search).isEmpty());

    const DiaryState& s = window().state();
    QCOMPARE(window().statusText(0), " Найдено записей: " + QString::number(records.size()));
    QVERIFY(s.WordFilterOn && !s.ListComplete);
    QStringList expected;
    for (int r : records)
        expected << stampText(at(r < 3 ? DayA : DayB, r));
    QCOMPARE(m_session.listItems(), expected);
    verifyEveryItemLeadsToItsEntry(records);
}

void TestSearch::findsEntriesOfOneDay()
{
    QList<Entry> entries = alternatingDays(4);
    const QDate today = QDate::currentDate();
    entries.append({stampOf(today.year(), today.month(), today.day()), QStringLiteral("Сегодня в полночь")});
    QVERIFY(m_session.start(entries));
    const DiaryState& s = window().state();

    searchDay(DayA);
    QCOMPARE(m_session.listItems(), QStringList({stampText(at(DayA, 1)), stampText(at(DayA, 3))}));
    QCOMPARE(window().statusText(0), QStringLiteral("01.03.2024 Найдено записей: 2"));
    QVERIFY(!s.WordFilterOn && !s.ListComplete);
    QCOMPARE(s.FirstListRecord, 1);
    verifyEveryItemLeadsToItsEntry({1, 3});

    searchDay(DayB.addDays(1));
    QVERIFY(m_session.listItems().isEmpty());
    QCOMPARE(window().statusText(0), QStringLiteral("03.03.2024 Записей нет!"));

    window().DTPicker->setDate(DayA);
    QVERIFY(m_session.click(window().Today).isEmpty());
    QCOMPARE(m_session.listItems(), QStringList{shortDateText(today)});
    QCOMPARE(window().DTPicker->date(), today);
    QCOMPARE(s.FirstListRecord, 5);
    verifyEveryItemLeadsToItsEntry({5});
}

void TestSearch::searchesOfAnEmptyDiaryChangeNothing()
{
    QVERIFY(m_session.start({}));
    const QString status = window().statusText(0);
    window().InWord->setText(QStringLiteral("a"));
    for (QToolButton* button : {window().Search, window().Today, window().ToChNum})
        QVERIFY(m_session.click(button).isEmpty());
    QCOMPARE(window().statusText(0), status);
    QVERIFY(window().state().ListComplete && !window().state().WordFilterOn);
    QVERIFY(m_session.click(window().AllRec).isEmpty());
    QCOMPARE(window().statusText(0), QStringLiteral("Всего записей: 0"));
}

void TestSearch::itemsLeadToTheirEntriesAfterDeleting_data()
{
    QTest::addColumn<QString>("search"); // "word", "date" or "all"
    QTest::addColumn<int>("row");
    for (const char* search : {"word", "date", "all"}) {
        for (int row : {0, 1, 2})
            QTest::addRow("%s, item %d", search, row) << QString::fromLatin1(search) << row;
    }
}

// Both searches list records 1, 3 and 5; the full list shows records 1 to 6.
void TestSearch::itemsLeadToTheirEntriesAfterDeleting()
{
    QFETCH(QString, search);
    QFETCH(int, row);
    QVERIFY(m_session.start(alternatingDays(6)));
    QList<int> records{1, 2, 3, 4, 5, 6};
    if (search == "word") {
        searchFor(QStringLiteral("общее"));
        records = {1, 3, 5};
    } else if (search == "date") {
        searchDay(DayA);
        records = {1, 3, 5};
    }
    if (search == "all")
        row = row == 2 ? 5 : row * 3; // first, a middle and the last entry
    const QString deleted = m_session.view(row);
    QVERIFY(m_session.click(window().Bdel).isEmpty());
    QCOMPARE(window().statusText(0), QStringLiteral(" Запись успешно удалена из базы"));
    QVERIFY(!entryTexts(m_session.path).contains(deleted));
    QCOMPARE(entryTexts(m_session.path).size(), 5);
    const int gone = records.takeAt(row);
    for (int& r : records)
        r -= r > gone ? 1 : 0;
    verifyEveryItemLeadsToItsEntry(records);
}

void TestSearch::addingAfterSearchBringsBackEveryEntry_data()
{
    QTest::addColumn<bool>("byWord");
    QTest::newRow("word search") << true;
    QTest::newRow("date search") << false;
}

void TestSearch::addingAfterSearchBringsBackEveryEntry()
{
    QFETCH(bool, byWord);
    QVERIFY(m_session.start(alternatingDays(4)));
    if (byWord)
        searchFor(QStringLiteral("Текст 4"));
    else
        searchDay(DayB);
    QVERIFY(m_session.click(window().Badd).isEmpty());
    window().mm->setPlainText(QStringLiteral("Новая\nзапись"));
    QVERIFY(m_session.click(window().BSave1).isEmpty());

    const DiaryState& s = window().state();
    QVERIFY(s.ListComplete && !s.WordFilterOn && s.FirstListRecord == 1);
    QCOMPARE(window().DTPicker->date(), QDate::currentDate());
    QCOMPARE(m_session.listItems().size(), 5);
    RecordFile file;
    file.open(m_session.path);
    QCOMPARE(m_session.listItems().last(), stampText(file.readEntryStamps().back()));
    verifyEveryItemLeadsToItsEntry({1, 2, 3, 4, 5});
    QCOMPARE(entryTexts(m_session.path).last(), QStringLiteral("Новая\r\nзапись"));
}

void TestSearch::showingAllEndsTheView()
{
    QVERIFY(m_session.start(alternatingDays(3)));
    searchFor(QStringLiteral("общее"));
    const QString shown = m_session.view(1);
    QVERIFY(window().Bchange->isEnabled() && window().Bdel->isEnabled());
    window().DTPicker->setDate(DayA);

    QVERIFY(m_session.click(window().AllRec).isEmpty());
    QCOMPARE(window().statusText(0), QStringLiteral("Всего записей: 3"));
    QCOMPARE(m_session.listItems().size(), 3);
    QCOMPARE(window().Ldate->text(), TForm1::todayCaption());
    QVERIFY(!window().Bchange->isEnabled() && !window().Bdel->isEnabled());
    QCOMPARE(window().mm->toPlainText(), shown);
    QCOMPARE(window().DTPicker->date(), QDate::currentDate());
    verifyEveryItemLeadsToItsEntry({1, 2, 3});
}

void TestSearch::searchesAreRefusedWhileWriting()
{
    QVERIFY(m_session.start(alternatingDays(3)));
    m_session.view(0);
    for (QToolButton* startWriting : {window().Badd, window().Bchange}) {
        QVERIFY(m_session.click(startWriting).isEmpty());
        window().mm->setPlainText(QStringLiteral("набранный текст"));
        window().InWord->setText(QStringLiteral("Текст"));
        const QString status = window().statusText(0);
        for (QToolButton* button : {window().Search, window().Today, window().ToChNum, window().AllRec})
            QCOMPARE(m_session.click(button), QStringList{Refused});
        QCOMPARE(window().statusText(0), status);
        QCOMPARE(m_session.listItems().size(), 3);
        QVERIFY(window().state().ListComplete && !window().state().WordFilterOn);
        QCOMPARE(window().mm->toPlainText(), QStringLiteral("набранный текст"));
        QVERIFY(m_session.click(window().ClearSearch).isEmpty());
        QVERIFY(window().InWord->text().isEmpty());
        QVERIFY(m_session.click(window().Bclear).isEmpty());
        m_session.view(0);
    }
}

void TestSearch::checkItemsSwitchSearchControls()
{
    QVERIFY(m_session.start(alternatingDays(1)));
    const QByteArray settings = fileBytes(window().settingsPath());
    for (bool on : {false, true}) {
        QVERIFY(m_session.trigger(window().N19).isEmpty());
        QCOMPARE(window().N19->isChecked(), on);
        for (QWidget* control : std::initializer_list<QWidget*>{window().DTPicker, window().ToChNum, window().Today})
            QCOMPARE(control->isEnabled(), on);
        QVERIFY(m_session.trigger(window().N20).isEmpty());
        QCOMPARE(window().N20->isChecked(), on);
        for (QWidget* control : std::initializer_list<QWidget*>{window().InWord, window().Search, window().ClearSearch})
            QCOMPARE(control->isEnabled(), on);
        QVERIFY(window().AllRec->isEnabled());
    }
    QCOMPARE(fileBytes(window().settingsPath()), settings);
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
