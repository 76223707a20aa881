#pragma once

#include <QAbstractItemView>

// The date list's view: one column of rows of one height, laid out by arithmetic. It keeps nothing
// per row, so a list of 65,535 entries is shown at once and costs no more than an empty one; painting
// asks the model only for the rows in sight. Scrolls by whole rows.
class DateListView : public QAbstractItemView
{
    Q_OBJECT

public:
    explicit DateListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int rowCount() const;
    int rowHeight() const;
    int firstShownRow() const;
    // Rows wholly in sight, at least one.
    int rowsPerPage() const;
    int lastWholeRow() const;
    int rowAt(int y) const;
    QModelIndex indexOfRow(int row) const;

    mutable int m_rowHeight = 0;
    QMetaObject::Connection m_rowsInserted;
    QMetaObject::Connection m_rowsRemoved;
};
