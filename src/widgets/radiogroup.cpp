#include "radiogroup.h"

#include <QRadioButton>
#include <QRect>

namespace
{

constexpr int ItemsTop = 16;
constexpr int ItemHeight = 17;
constexpr int ItemMargin = 8;
constexpr int ItemsBottomMargin = 4;

} // namespace

RadioGroup::RadioGroup(const QString& title, const QStringList& items, const QRect& place, QWidget* parent)
    : QGroupBox(title, parent)
{
    setGeometry(place);
    const int step = items.isEmpty() ? 0 : (place.height() - ItemsTop - ItemsBottomMargin) / int(items.size());
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setGeometry(ItemMargin, ItemsTop + i * step, place.width() - 2 * ItemMargin, ItemHeight);
        m_buttons.append(button);
    }
}

int RadioGroup::itemIndex() const
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i]->isChecked())
            return i;
    }
    return -1;
}

void RadioGroup::setItemIndex(int index)
{
    if (QRadioButton* chosen = button(index)) {
        chosen->setChecked(true);
        return;
    }
    // Exclusive buttons refuse to leave their group with no choice unless told otherwise.
    for (QRadioButton* item : m_buttons) {
        item->setAutoExclusive(false);
        item->setChecked(false);
        item->setAutoExclusive(true);
    }
}
