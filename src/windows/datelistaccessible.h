#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

class QAbstractItemView;

// What a screen reader is told of the date list: a list whose rows are list items named by their date
// and time, the current row focused and selected. A row's interface is made when a reader asks for it
// and kept until the rows change, so that a list of 65,535 entries costs nothing until it is walked.
// It offers no table interface, so it does not tell AT-SPI clients that it manages its descendants: a
// client that walks every child of every object would walk every row.
class DateListAccessible : public QAccessibleWidget
{
public:
    explicit DateListAccessible(QAbstractItemView* view);
    ~DateListAccessible() override;

    // Installed once, by the first view made.
    static QAccessibleInterface* factory(const QString& className, QObject* object);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    // Rows were added, removed or the list refilled: row n may now be another entry, and a reader that
    // kept row n's interface must not go on reading it as the old one.
    void forgetRows();

private:
    QAbstractItemView* view() const;

    mutable QHash<int, QAccessible::Id> m_rows;
};

// One row of the date list, known by its place: it reads the row's text and state when asked.
class DateRowAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    DateRowAccessible(QAbstractItemView* view, int row);

    int row() const { return m_row; }

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text type) const override;
    void setText(QAccessible::Text type, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // A reader can make a row the current one, as a click does.
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QModelIndex index() const;

    QPointer<QAbstractItemView> m_view;
    const int m_row;
};
