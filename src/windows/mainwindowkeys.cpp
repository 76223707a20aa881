// The main window from the keyboard: the keys of its commands, and the order Tab takes through its controls.
#include "datelistview.h"
#include "entryeditor.h"
#include "mainwindow.h"
#include "widgets/keys.h"

#include <QAction>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QToolButton>

namespace
{

// Keys of the tool bar's commands for which the desktop has no standard key of its own.
const QKeySequence ChangeKeys(Qt::Key_F2);
const QKeySequence ClearKeys(Qt::CTRL | Qt::Key_L);
const QKeySequence NewDiaryKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_N);
const QKeySequence CloseDiaryKeys(Qt::CTRL | Qt::Key_W);
const QKeySequence SearchKeys(Qt::Key_F3);
const QKeySequence ClearWordKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_F);
const QKeySequence PickedDayKeys(Qt::CTRL | Qt::Key_D);
const QKeySequence TodayKeys(Qt::CTRL | Qt::Key_T);
const QKeySequence AllEntriesKeys(Qt::Key_F5);
const QKeySequence MenuKeys(Qt::Key_F10);

} // namespace

void MainWindow::buildKeys()
{
    buildMenuKeys();
    buildEntryKeys();
    buildSearchKeys();
    buildTabOrder();
}

void MainWindow::buildMenuKeys()
{
    m_openAction->setShortcut(QKeySequence::Open);
    m_newAction->setShortcut(NewDiaryKeys);
    m_closeAction->setShortcut(CloseDiaryKeys);
    // A text field's own Ctrl+Z undoes typing, never a deletion, even in the text box while it is read only.
    m_undoDeletionAction->setShortcut(QKeySequence::Undo);
    keepKeysInField(m_textBox, QKeySequence::Undo);
    m_exitAction->setShortcut(desktopKeys(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)));
    // F10 opens the first menu, as on the rest of the desktop; the arrows go on from there.
    addKeys(this, MenuKeys, [this] {
        QAction* first = menuBar()->actions().constFirst();
        menuBar()->setActiveAction(first);
        // Its first item chosen, as a mnemonic does, so that the menu takes the very next key.
        first->menu()->setActiveAction(first->menu()->actions().constFirst());
    });
}

// "Очистить" by the mouse lets typed text go, as it always has; a key can be pressed by mistake, so a key
// asks first, as closing does.
void MainWindow::buildEntryKeys()
{
    pressOnKeys(this, {m_addButton}, QKeySequence::New);
    pressOnKeys(this, {m_saveNewButton, m_saveChangeButton}, QKeySequence::Save);
    pressOnKeys(this, {m_changeButton}, ChangeKeys);
    // Delete edits the text in a field: only in the list does it take the entry away.
    pressOnKeys(m_dateList, {m_deleteButton}, QKeySequence::Delete, Qt::WidgetShortcut);
    showKeysInToolTip(m_clearButton, ClearKeys);
    addKeys(this, ClearKeys, [this] {
        if (m_clearButton->isEnabled() && m_editor->mayLeaveTypedText())
            m_clearButton->click();
    });
}

void MainWindow::buildSearchKeys()
{
    m_wordField->setToolTip(withKeys(QStringLiteral("Поиск по слову"), QKeySequence::Find));
    addKeys(this, QKeySequence::Find, [this] {
        m_wordField->setFocus(Qt::ShortcutFocusReason);
        m_wordField->selectAll();
    });
    connect(m_wordField, &QLineEdit::returnPressed, m_searchButton, &QAbstractButton::click);
    pressOnKeys(this, {m_searchButton}, SearchKeys);
    pressOnKeys(this, {m_clearWordButton}, ClearWordKeys);
    pressOnKeys(this, {m_dayButton}, PickedDayKeys);
    pressOnKeys(this, {m_todayButton}, TodayKeys);
    pressOnKeys(this, {m_allEntriesButton}, AllEntriesKeys);
}

// Reading order: the tool bar from left to right, then the text and the list. Tab passes over whatever is
// disabled or hidden, such as the save button not in use.
void MainWindow::buildTabOrder()
{
    QWidget* const order[] = {m_clearButton,  m_addButton,   m_saveNewButton,    m_changeButton,    m_saveChangeButton,
                              m_deleteButton, m_wordField,   m_searchButton,     m_clearWordButton, m_datePicker,
                              m_dayButton,    m_todayButton, m_allEntriesButton, m_textBox,         m_dateList};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}
