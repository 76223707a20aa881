#pragma once

#include <QObject>

class DiaryDocument;
class QCalendarWidget;
class QDateEdit;

// Marks in the calendar of the date picker the days on which entries were saved: bold, and in the colour of
// links, so that the mark rests on more than the weight of the figures. The days of the six weeks on show
// are asked of the document as the calendar shows or turns a page, and again when the diary's days change
// while it is open. The picker makes its calendar at the first press on it, and only then is it watched.
class WrittenDaysMarks : public QObject
{
    Q_OBJECT

public:
    WrittenDaysMarks(DiaryDocument& document, QDateEdit* picker, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchCalendar();
    void markShownDays();

    DiaryDocument& m_document;
    QDateEdit* m_picker;
    QCalendarWidget* m_calendar = nullptr;
};
