#pragma once

#include <QDateEdit>

// A date field that behaves as the desktop's drop-down fields do from the keyboard: Tab leaves it at once,
// as it leaves every other field, and F4 or Alt+Down opens its calendar. The arrow keys step the date and
// move between the day, the month and the year.
class DatePicker : public QDateEdit
{
    Q_OBJECT

public:
    using QDateEdit::QDateEdit;

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void pressArrow();
};
