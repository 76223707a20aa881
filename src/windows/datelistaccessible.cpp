#include "datelistaccessible.h"

#include <QAbstractItemView>
#include <QWindow>

DateListAccessible::DateListAccessible(QAbstractItemView* view) : QAccessibleWidget(view, QAccessible::List) {}

DateListAccessible::~DateListAccessible()
{
    forgetRows();
}

QAccessibleInterface* DateListAccessible::factory(const QString& className, QObject* object)
{
    auto* view = qobject_cast<QAbstractItemView*>(object);
    if (className == QLatin1String("DateListView") && view)
        return new DateListAccessible(view);
    return nullptr;
}

QAbstractItemView* DateListAccessible::view() const
{
    return static_cast<QAbstractItemView*>(widget());
}

int DateListAccessible::childCount() const
{
    const QAbstractItemModel* model = view()->model();
    return model ? model->rowCount(view()->rootIndex()) : 0;
}

QAccessibleInterface* DateListAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    if (const auto known = m_rows.constFind(index); known != m_rows.cend())
        return QAccessible::accessibleInterface(*known);
    auto* row = new DateRowAccessible(view(), index);
    m_rows.insert(index, QAccessible::registerAccessibleInterface(row));
    return row;
}

int DateListAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    const auto* row = dynamic_cast<const DateRowAccessible*>(child);
    return row && row->parent() == this && row->isValid() ? row->row() : -1;
}

QAccessibleInterface* DateListAccessible::childAt(int x, int y) const
{
    const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
    return index.isValid() ? child(index.row()) : nullptr;
}

QAccessibleInterface* DateListAccessible::focusChild() const
{
    const QModelIndex current = view()->currentIndex();
    return view()->hasFocus() && current.isValid() ? child(current.row()) : nullptr;
}

void DateListAccessible::forgetRows()
{
    for (const QAccessible::Id id : std::as_const(m_rows))
        QAccessible::deleteAccessibleInterface(id);
    m_rows.clear();
}

DateRowAccessible::DateRowAccessible(QAbstractItemView* view, int row) : m_view(view), m_row(row) {}

QModelIndex DateRowAccessible::index() const
{
    return m_view && m_view->model() ? m_view->model()->index(m_row, 0, m_view->rootIndex()) : QModelIndex();
}

bool DateRowAccessible::isValid() const
{
    return index().isValid();
}

QObject* DateRowAccessible::object() const
{
    return nullptr;
}

QWindow* DateRowAccessible::window() const
{
    return m_view ? m_view->window()->windowHandle() : nullptr;
}

QAccessibleInterface* DateRowAccessible::parent() const
{
    return m_view ? QAccessible::queryAccessibleInterface(m_view) : nullptr;
}

QAccessibleInterface* DateRowAccessible::child(int) const
{
    return nullptr;
}

int DateRowAccessible::childCount() const
{
    return 0;
}

int DateRowAccessible::indexOfChild(const QAccessibleInterface*) const
{
    return -1;
}

QAccessibleInterface* DateRowAccessible::childAt(int, int) const
{
    return nullptr;
}

QString DateRowAccessible::text(QAccessible::Text type) const
{
    return type == QAccessible::Name && isValid() ? index().data().toString() : QString();
}

void DateRowAccessible::setText(QAccessible::Text, const QString&) {}

QRect DateRowAccessible::rect() const
{
    if (!isValid())
        return {};
    const QRect place = m_view->visualRect(index());
    return QRect(m_view->viewport()->mapToGlobal(place.topLeft()), place.size());
}

QAccessible::Role DateRowAccessible::role() const
{
    return QAccessible::ListItem;
}

QAccessible::State DateRowAccessible::state() const
{
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    const QModelIndex row = index();
    state.selectable = true;
    state.focusable = true;
    state.selected = m_view->selectionModel()->isSelected(row);
    state.focused = m_view->hasFocus() && m_view->currentIndex() == row;
    state.disabled = !m_view->isEnabled();
    state.invisible = !m_view->isVisible();
    state.offscreen = !m_view->viewport()->rect().intersects(m_view->visualRect(row));
    return state;
}

void* DateRowAccessible::interface_cast(QAccessible::InterfaceType type)
{
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
}

QStringList DateRowAccessible::actionNames() const
{
    return {setFocusAction()};
}

void DateRowAccessible::doAction(const QString& actionName)
{
    if (actionName != setFocusAction() || !isValid() || !m_view->isEnabled())
        return;
    m_view->setFocus(Qt::OtherFocusReason);
    m_view->setCurrentIndex(index());
}

QStringList DateRowAccessible::keyBindingsForAction(const QString&) const
{
    return {};
}
