#include "writtendaysmarks.h"

#include "document/diarydocument.h"
#include "store/error.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QEvent>
#include <QTextCharFormat>

#include <vector>

namespace
{

constexpr int ShownDays = 6 * 7;

// QCalendarWidget starts its six weeks with the week of the month's first day, or with the whole week
// before it when the first day begins a week.
QDate firstShownDay(const QCalendarWidget& calendar)
{
    const QDate first(calendar.yearShown(), calendar.monthShown(), 1, calendar.calendar());
    const int before = (first.dayOfWeek(calendar.calendar()) - calendar.firstDayOfWeek() + 7) % 7;
    return first.addDays(before == 0 ? -7 : -before);
}

} // namespace

WrittenDaysMarks::WrittenDaysMarks(DiaryDocument& document, QDateEdit* picker, QObject* parent)
    : QObject(parent), m_document(document), m_picker(picker)
{
    m_picker->installEventFilter(this);
    connect(&m_document, &DiaryDocument::writtenDaysChanged, this, [this] {
        if (m_calendar && m_calendar->isVisible())
            markShownDays();
    });
}

// The picker makes its calendar at the press that first opens it, before the calendar shows.
bool WrittenDaysMarks::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_picker && event->type() == QEvent::MouseButtonPress && !m_calendar)
        watchCalendar();
    else if (watched == m_calendar && event->type() == QEvent::Show)
        markShownDays();
    return false;
}

void WrittenDaysMarks::watchCalendar()
{
    m_calendar = m_picker->calendarWidget();
    if (!m_calendar)
        return;
    m_calendar->installEventFilter(this);
    connect(m_calendar, &QCalendarWidget::currentPageChanged, this, [this] {
        if (m_calendar->isVisible())
            markShownDays();
    });
}

// A diary that cannot be read shows no marks; the date search tells what went wrong.
void WrittenDaysMarks::markShownDays()
{
    const QDate first = firstShownDay(*m_calendar);
    std::vector<QDate> days;
    try {
        days = m_document.writtenDays(first, first.addDays(ShownDays - 1));
    } catch (const QuillnestError&) {
    }
    m_calendar->setDateTextFormat(QDate(), {});
    QTextCharFormat mark;
    mark.setFontWeight(QFont::Bold);
    mark.setForeground(m_calendar->palette().brush(QPalette::Link));
    for (const QDate& day : days)
        m_calendar->setDateTextFormat(day, mark);
}
