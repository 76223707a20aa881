#pragma once

#include <QFont>
#include <QSize>
#include <QStyle>
#include <QWidget>

#include <functional>

class QHideEvent;
class QKeyEvent;
class QPushButton;
class QRect;
class QShowEvent;
class TForm1;

// Moves a window so that its outer rectangle, frame included, stands in the middle of the free area
// of its screen.
void centreOnScreen(QWidget* window, QSize outerSize);

// Where the desktop's font is wider than the one a window was laid out for, captions of fixed-width
// controls would run past their ends: the font loses half a point at a time until `fits` accepts it
// or it reaches `smallest`, below which it would no longer be readable.
QFont shrunkFont(QFont font, qreal smallest, const std::function<bool(const QFont&)>& fits);

// A tool window over the main window, which takes no input while it is shown. Made once at start and
// hidden, not destroyed, between uses.
class SecondaryWindow : public QWidget
{
    Q_OBJECT

public:
    // `outerSize` is the window's size as designed, frame included.
    SecondaryWindow(TForm1& mainWindow, QSize outerSize);

protected:
    TForm1& mainWindow() const { return m_mainWindow; }

    // Enter presses the accepting button, Esc the closing one.
    void setKeyButtons(QPushButton* accepting, QPushButton* closing);
    QPushButton* addButton(const char* name, const QString& text, QStyle::StandardPixmap picture, const QRect& place);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void placeOnScreen();

    void FormClose();

    TForm1& m_mainWindow;
    const QSize m_outerSize;
    QPushButton* m_accepting = nullptr;
    QPushButton* m_closing = nullptr;
    bool m_placed = false;
};
