#include "secondarywindow.h"

#include "controls.h"

#include <QHideEvent>
#include <QKeyEvent>
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
