#include "datelistview.h"

#include "datelistaccessible.h"
#include "widgets/messagebox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

DateListView::DateListView(QWidget* parent) : QAbstractItemView(parent)
{
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    static const bool readable = (QAccessible::installFactory(&DateListAccessible::factory), true);
    Q_UNUSED(readable);
    connect(this, &QAbstractItemView::doubleClicked, this, &DateListView::rowChosen);
}

bool DateListView::takeFocusForCommand()
{
    if (!isEnabled()) {
        showMessage(this, QStringLiteral("Cannot focus a disabled or invisible window"));
        return false;
    }
    setFocus();
    return true;
}

// A double click on a row chooses it (doubleClicked); one beside the rows chooses the selected row, before
// the view takes it for a click.
void DateListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !indexAt(event->position().toPoint()).isValid())
        emit rowChosen();
    QAbstractItemView::mouseDoubleClickEvent(event);
}

// Enter chooses the row the person is on, which a first visit to the list makes current unselected.
void DateListView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QAbstractItemView::keyPressEvent(event);
        return;
    }
    if (currentIndex().isValid())
        selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
    emit rowChosen();
}

// Rows come and go one at a time as entries are added and deleted: the bar's range and the rows in
// sight follow at once, and a screen reader learns that its rows are no longer what they were.
void DateListView::setModel(QAbstractItemModel* model)
{
    if (model == this->model())
        return;
    for (const QMetaObject::Connection& connection : std::as_const(m_modelConnections))
        disconnect(connection);
    m_modelConnections.clear();
    // Before the view's own connections, and so before the selection model moves the current row off
    // the rows about to be removed.
    if (model)
        m_modelConnections = {
            connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { m_removingRows = true; }),
            connect(model, &QAbstractItemModel::rowsInserted, this, &DateListView::followRows),
            connect(model, &QAbstractItemModel::rowsRemoved, this, &DateListView::followRows),
            connect(model, &QAbstractItemModel::layoutChanged, this, &DateListView::followRows),
            connect(model, &QAbstractItemModel::modelReset, this, &DateListView::relisted),
        };
    QAbstractItemView::setModel(model);
    followRows();
}

// While rows are being removed the current row moves through rows about to go: the reader is told
// nothing until they have gone, then of the row the person is on now.
void DateListView::followRows()
{
    m_removingRows = false;
    updateGeometries();
    viewport()->update();
    if (auto* readable = dynamic_cast<DateListAccessible*>(QAccessible::queryAccessibleInterface(this)))
        readable->forgetRows();
    announceCurrentLater();
}

// A search refilled the list while the person was on it: the reader reads the list anew.
void DateListView::relisted()
{
    followRows();
    if (hasFocus())
        tellReaders(QAccessible::Focus);
}

void DateListView::tellReaders(QAccessible::Event type, int row)
{
    if (!QAccessible::isActive() || m_removingRows)
        return;
    QAccessibleEvent event(this, type);
    event.setChild(row);
    QAccessible::updateAccessibility(&event);
}

// Keys, clicks, type-ahead and the program itself move the current row: a reader follows it.
void DateListView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QAbstractItemView::currentChanged(current, previous);
    if (current.isValid() && hasFocus())
        tellReaders(QAccessible::Focus, current.row());
}

void DateListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QAbstractItemView::selectionChanged(selected, deselected);
    for (const QItemSelection* rows : {&deselected, &selected}) {
        for (const QModelIndex& index : rows->indexes())
            tellReaders(QAccessible::Selection, index.row());
    }
}

// Coming back to the list, the reader is told which row it is on; a first visit makes the first row
// current on the way in. Qt announces the list itself once the focus has moved, so the row is told
// after that.
void DateListView::focusInEvent(QFocusEvent* event)
{
    QAbstractItemView::focusInEvent(event);
    announceCurrentLater();
}

void DateListView::announceCurrentLater()
{
    QTimer::singleShot(0, this, [this] {
        if (hasFocus() && currentIndex().isValid())
            tellReaders(QAccessible::Focus, currentIndex().row());
    });
}

int DateListView::rowCount() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

// The height the style gives a row of the view's font: every row has the same. Worked out once per
// font and style, since every position in the view is reckoned from it.
int DateListView::rowHeight() const
{
    if (m_rowHeight > 0)
        return m_rowHeight;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("00.00.0000 00:00:00");
    const int height = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height();
    m_rowHeight = std::max(height, 1);
    return m_rowHeight;
}

void DateListView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_rowHeight = 0;
    QAbstractItemView::changeEvent(event);
}

int DateListView::firstShownRow() const
{
    return verticalScrollBar()->value();
}

int DateListView::rowsPerPage() const
{
    return std::max(viewport()->height() / rowHeight(), 1);
}

// Page Up and Page Down first go to the edge of what is in sight, then on by a page less one row, so
// that the row left behind stays in sight.
int DateListView::lastWholeRow() const
{
    return std::min(firstShownRow() + rowsPerPage() - 1, rowCount() - 1);
}

// -1 above the first row or below the last one.
int DateListView::rowAt(int y) const
{
    if (y < 0)
        return -1;
    const int row = firstShownRow() + y / rowHeight();
    return row < rowCount() ? row : -1;
}

QModelIndex DateListView::indexOfRow(int row) const
{
    return row >= 0 && row < rowCount() ? model()->index(row, 0, rootIndex()) : QModelIndex();
}

QRect DateListView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != 0)
        return {};
    const int height = rowHeight();
    return QRect(0, (index.row() - firstShownRow()) * height, viewport()->width(), height);
}

void DateListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    const int row = index.row();
    const int page = rowsPerPage();
    QScrollBar* bar = verticalScrollBar();
    switch (hint) {
    case PositionAtTop:
        bar->setValue(row);
        break;
    case PositionAtBottom:
        bar->setValue(row - page + 1);
        break;
    case PositionAtCenter:
        bar->setValue(row - page / 2);
        break;
    case EnsureVisible:
        if (row < firstShownRow())
            bar->setValue(row);
        else if (row >= firstShownRow() + page)
            bar->setValue(row - page + 1);
        break;
    }
}

QModelIndex DateListView::indexAt(const QPoint& point) const
{
    return point.x() >= 0 && point.x() < viewport()->width() ? indexOfRow(rowAt(point.y())) : QModelIndex();
}

QModelIndex DateListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int count = rowCount();
    if (count == 0)
        return {};
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    if (current < 0)
        return indexOfRow(0);
    int row = current;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        row = current - 1;
        break;
    case MoveDown:
    case MoveNext:
        row = current + 1;
        break;
    case MovePageUp:
        row = current > firstShownRow() ? firstShownRow() : current - std::max(rowsPerPage() - 1, 1);
        break;
    case MovePageDown:
        row = current < lastWholeRow() ? lastWholeRow() : current + std::max(rowsPerPage() - 1, 1);
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = count - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return indexOfRow(std::clamp(row, 0, count - 1));
}

int DateListView::horizontalOffset() const
{
    return 0;
}

int DateListView::verticalOffset() const
{
    return firstShownRow() * rowHeight();
}

bool DateListView::isIndexHidden(const QModelIndex&) const
{
    return false;
}

void DateListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    const QRect rows = rect.normalized();
    int first = rowAt(std::max(rows.top(), 0));
    int last = rowAt(rows.bottom());
    if (first < 0) {
        selectionModel()->select(QItemSelection(), command);
        return;
    }
    if (last < 0)
        last = rowCount() - 1;
    selectionModel()->select(QItemSelection(indexOfRow(first), indexOfRow(last)), command);
}

QRegion DateListView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() == rootIndex())
            region += visualRect(range.topLeft()).united(visualRect(range.bottomRight())) & viewport()->rect();
    }
    return region;
}

// The bar counts rows, not pixels: whatever moved, the rows in sight are painted anew.
void DateListView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void DateListView::updateGeometries()
{
    const int page = rowsPerPage();
    QScrollBar* bar = verticalScrollBar();
    bar->setSingleStep(1);
    bar->setPageStep(page);
    bar->setRange(0, std::max(rowCount() - page, 0));
    QAbstractItemView::updateGeometries();
}

void DateListView::paintEvent(QPaintEvent* event)
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    QPainter painter(viewport());
    const int first = std::max(rowAt(event->rect().top()), firstShownRow());
    const int last = std::min(firstShownRow() + event->rect().bottom() / rowHeight(), rowCount() - 1);
    for (int row = first; row >= 0 && row <= last; ++row) {
        const QModelIndex index = indexOfRow(row);
        option.rect = visualRect(index);
        option.state = state;
        option.state.setFlag(QStyle::State_Selected, selectionModel()->isSelected(index));
        option.state.setFlag(QStyle::State_HasFocus, focus && index == current);
        option.palette.setCurrentColorGroup(isEnabled() ? QPalette::Normal : QPalette::Disabled);
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
    if (rowCount() == 0 && !m_placeholder.isEmpty()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(viewport()->rect().adjusted(3, 2, -3, -2), Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap,
                         m_placeholder);
    }
}

void DateListView::setPlaceholderText(const QString& text)
{
    m_placeholder = text;
    setAccessibleDescription(text);
    viewport()->update();
}
