#include "secondarywindow.h"

#include "controls.h"

#include <QHideEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QShowEvent>
#include <QWindow>

SecondaryWindow::SecondaryWindow(QWidget* parent, QSize outerSize) : QWidget(parent, Qt::Tool), m_outerSize(outerSize)
{
    setWindowModality(Qt::ApplicationModal);
    // A window of its own takes no font from the main window.
    setFont(dialogFont());
    resize(outerSize);
}

void SecondaryWindow::setKeyButtons(QPushButton* accepting, QPushButton* closing)
{
    m_accepting = accepting;
    m_closing = closing;
}

// Outside a dialog a button clicks on Enter only when told so; Enter on either button presses that
// button, as anywhere else in the program.
QPushButton* SecondaryWindow::addButton(const char* name, const QString& text, QStyle::StandardPixmap picture,
                                        const QRect& place)
{
    auto* button = new QPushButton(style()->standardIcon(picture), text, this);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(true);
    button->setGeometry(place);
    return button;
}

// The size is the outer one, frame included; the frame's share is known once the window exists.
void SecondaryWindow::placeOnScreen()
{
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    resize(m_outerSize.shrunkBy(frame));
    centreOnScreen(this, m_outerSize);
}

void SecondaryWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Later showings keep the place the user may have moved the window to.
    if (!m_placed) {
        m_placed = true;
        placeOnScreen();
    }
}

// Every showing starts where a person starts filling the window in, on the first control of its Tab chain,
// not on the control the last showing was left on: that may be the button it was closed with, which Enter
// would press again. It is chosen once the window's own showEvent has settled what is enabled. Restoring the
// window with a minimised main window is no new showing (it was never hidden here), and keeps the focus.
void SecondaryWindow::setVisible(bool visible)
{
    const bool showing = visible && isHidden();
    QWidget::setVisible(visible);
    if (showing)
        focusFirstField();
}

// The window is not active yet: this names the control that its activation gives the focus to.
void SecondaryWindow::focusFirstField()
{
    if (QWidget* last = focusWidget())
        last->clearFocus();
    focusNextChild();
    // What the field holds from the last showing, or its hint, is selected as Tab selects it: typing replaces it.
    if (auto* field = qobject_cast<QLineEdit*>(focusWidget()))
        field->selectAll();
}

// Minimising the main window hides this window too without closing it.
void SecondaryWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        emit closed();
}

// A disabled button ignores click(), so Enter does nothing while the accepting button is unavailable.
void SecondaryWindow::keyPressEvent(QKeyEvent* event)
{
    QPushButton* target = nullptr;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        target = m_accepting;
        break;
    case Qt::Key_Escape:
        if (!m_closing) {
            close();
            return;
        }
        target = m_closing;
        break;
    default:
        break;
    }
    if (target)
        target->click();
    else
        QWidget::keyPressEvent(event);
}
