#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QRadioButton;
class QRect;

// A titled box of mutually exclusive choices, read and set by the index of the chosen one.
class RadioGroup : public QGroupBox
{
    Q_OBJECT

public:
    // The items share the box's height below the title evenly, as the box is placed here.
    RadioGroup(const QString& title, const QStringList& items, const QRect& place, QWidget* parent);

    int count() const { return int(m_buttons.size()); }
    QRadioButton* button(int index) const { return m_buttons.value(index); }
    // -1 while nothing is chosen.
    int itemIndex() const;
    // An index outside the items leaves nothing chosen.
    void setItemIndex(int index);

private:
    QList<QRadioButton*> m_buttons;
};
