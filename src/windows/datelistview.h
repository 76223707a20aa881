#pragma once

#include <QAbstractItemView>
#include <QAccessible>

// The date list's view: one column of rows of one height, laid out by arithmetic. It keeps nothing
// per row, so a list of 65,535 entries is shown at once and costs no more than an empty one; painting
// asks the model only for the rows in sight. Scrolls by whole rows. Screen readers see it as a list
// of rows named by their date and time (DateListAccessible), told where the current row goes.
class DateListView : public QAbstractItemView
{
    Q_OBJECT

public:
    explicit DateListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

    // A command on the list's rows gives it the focus first. While the list is disabled (an entry is
    // being written) the person is told so, and false is returned.
    bool takeFocusForCommand();

    // Drawn in the list while it has no rows, as help, never as a row.
    void setPlaceholderText(const QString& text);
    QString placeholderText() const { return m_placeholder; }

signals:
    // The person chose the selected row: by a double click on it or beside the rows, or by Enter on the
    // row they are on.
    void rowChosen();

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
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void focusInEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int rowCount() const;
    int rowHeight() const;
    int firstShownRow() const;
    // Rows wholly in sight, at least one.
    int rowsPerPage() const;
    int lastWholeRow() const;
    int rowAt(int y) const;
    QModelIndex indexOfRow(int row) const;
    void followRows();
    void relisted();
    void announceCurrentLater();
    // `row` -1 for the list itself.
    void tellReaders(QAccessible::Event event, int row = -1);

    mutable int m_rowHeight = 0;
    QString m_placeholder;
    bool m_removingRows = false;
    QList<QMetaObject::Connection> m_modelConnections;
};
