#include "diarymaker.h"
#include "import/importentries.h"
#include "import/olddiary.h"
#include "import/oldfiles.h"

using namespace diarymaker;

// The date picker's calendar, which marks the days with entries of its six weeks, bold and in the link colour.
class TestCalendar : public QObject
{
    Q_OBJECT

    Session m;

    QDateEdit* picker() const { return m.find<QDateEdit>("DTPicker"); }
    QCalendarWidget* calendar() const { return picker()->calendarWidget(); }

    // The days the calendar marks; one marked otherwise reads as a null date.
    QList<QDate> marks() const
    {
        QList<QDate> days;
        const QMap<QDate, QTextCharFormat> formats = calendar()->dateTextFormat();
        for (auto day = formats.begin(); day != formats.end(); ++day) {
            const QColor link = calendar()->palette().color(QPalette::Link);
            days << (day->fontWeight() == QFont::Bold && day->foreground().color() == link ? day.key() : QDate());
        }
        return days;
    }

    // The marks of the calendar opened by `key` on the month of `day`; a null date when it does not open.
    QList<QDate> marksOpening(const QDate& day, QKeyCombination key = QKeyCombination(Qt::Key_F4))
    {
        calendar()->window()->hide();
        picker()->setDate(day);
        QTest::keyClick(picker(), key.key(), key.keyboardModifiers());
        return calendar()->isVisible() ? marks() : QList<QDate>{QDate()};
    }

private slots:
    // The six weeks of April 2024 (Monday first) run from 25 March to 5 May. Down in the picker still steps the date.
    // (A day picked in the calendar by its keys and listed by the date search: the keyboard-only session.)
    void marksTheDaysOnShow()
    {
        const auto at = [](int month, int day) { return QDate(2024, month, day); };
        QVERIFY(m.start(
            {.stamps = {stampOf(2024, 3, 1, 10), stampOf(2024, 3, 24), stampOf(2024, 3, 25, 23, 59, 59),
                        stampOf(2024, 4, 10), stampOf(2024, 4, 10, 12), stampOf(2024, 5, 5), stampOf(2024, 5, 6)}}));
        calendar()->setFirstDayOfWeek(Qt::Monday);
        QCOMPARE(marksOpening(at(4, 20)), (QList{at(3, 25), at(4, 10), at(5, 5)}));
        calendar()->showNextMonth();
        QCOMPARE(marks(), (QList{at(5, 5), at(5, 6)}));
        QCOMPARE(marksOpening(at(3, 31), QKeyCombination(Qt::AltModifier, Qt::Key_Down)),
                 (QList{at(3, 1), at(3, 24), at(3, 25)}));
        QVERIFY(picker()->calendarPopup() && calendar()->maximumDate() == QDate::currentDate());
        calendar()->window()->hide();
        QTest::keyClick(picker(), Qt::Key_Down);
        QVERIFY(!calendar()->isVisible() && picker()->date() == at(3, 30));
    }

    // An entry added, deleted or imported, another diary opened, the diary closed while the calendar is open.
    void marksFollowTheDiary()
    {
        const auto at = [](int day) { return QDate(2024, 4, day); };
        const QDate today = QDate::currentDate();
        QVERIFY(m.start({.stamps = {stampOf(2024, 4, 10), stampOf(2024, 4, 12)}}));
        QCOMPARE(marksOpening(at(1)), (QList{at(10), at(12)}));
        QVERIFY(m.click("Badd").isEmpty());
        m.textBox()->setPlainText(QStringLiteral("новая"));
        QVERIFY(m.click("BSave1").isEmpty());
        QCOMPARE(marksOpening(today), QList{today});
        m.view(0);
        QVERIFY(m.click("Bdel").isEmpty());
        QCOMPARE(marksOpening(at(1)), QList{at(12)});

        writeFileBytes(m.file("old.drb"), oldfiles::oldDiary(oldfiles::Layout::Late, {stampOf(2024, 4, 20)}, {"а"}));
        OldDiarySource source;
        QCOMPARE(source.recognise(m.file("old.drb")), OldDiarySource::Outcome::Recognised);
        m.window->document().importEntries(source, {});
        QCOMPARE(marksOpening(at(1)), (QList{at(12), at(20)}));

        const QString other = writeDiary(m.file("other.qnb"), {.stamps = {stampOf(2024, 4, 11)}});
        QCOMPARE(answering({other}, [this] { m.menuItem("N2")->trigger(); }), QStringList{"OpenD"});
        QCOMPARE(marksOpening(at(1)), QList{at(11)});
        QVERIFY(m.trigger("N14").isEmpty() && marks().isEmpty());
    }
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
