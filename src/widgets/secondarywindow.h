#pragma once

#include <QSize>
#include <QStyle>
#include <QWidget>

class QHideEvent;
class QKeyEvent;
class QPushButton;
class QRect;
class QShowEvent;

// A tool window over the main window. It is application-modal without blocking the caller: while
// it is shown the main window takes no input at all, its close box included. Made once and hidden,
// not destroyed, between uses.
class SecondaryWindow : public QWidget
{
    Q_OBJECT

public:
    // `parent` is the window this one stands over; `outerSize` is the size as designed, frame included.
    SecondaryWindow(QWidget* parent, QSize outerSize);

    void setVisible(bool visible) override;

signals:
    // The window was closed, however that happened (a minimised parent hides it without closing it).
    void closed();

protected:
    // Enter presses the accepting button, Esc the closing one; without a closing button Esc closes the
    // window as its close box does.
    void setKeyButtons(QPushButton* accepting, QPushButton* closing);
    QPushButton* addButton(const char* name, const QString& text, QStyle::StandardPixmap picture, const QRect& place);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void placeOnScreen();
    void focusFirstField();

    const QSize m_outerSize;
    QPushButton* m_accepting = nullptr;
    QPushButton* m_closing = nullptr;
    bool m_placed = false;
};
