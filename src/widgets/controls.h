#pragma once

// Layout and control helpers that the program's windows share.

#include <QFont>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <initializer_list>
#include <vector>

class QAction;
class QCheckBox;
class QEvent;
class QFileDialog;
class QLabel;
class QMenu;
class QProgressBar;
class QToolButton;
class QWidget;

// Keeps children at the distances from their parent's edges that the design gave them, so that
// the parts anchored to opposite edges grow with the window and those anchored right move with it.
class EdgeAnchors : public QObject
{
public:
    // The parent must have its design size already.
    explicit EdgeAnchors(QWidget* parent);

    void add(QWidget* child, Qt::Edges edges);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

    ~EdgeAnchors() override;

private:
    struct Anchored;

    void follow(QSize size) const;

    QSize m_designSize;
    std::vector<Anchored> m_anchored;
};

constexpr Qt::Edges AllEdges = Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge;

// A label that shows its text as it is, never as markup: diary titles and file names end up in them.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QPoint at);
// A caption on a sunken light panel, as wide as its text.
QLabel* makeStaticText(QWidget* parent, const char* name, const QString& text, QPoint at);
QCheckBox* makeCheckBox(QWidget* parent, const char* name, const QString& text, const QRect& place);
template <class Field> Field* makeField(QWidget* parent, const char* name, const QRect& place)
{
    auto* field = new Field(parent);
    field->setObjectName(QLatin1String(name));
    field->setGeometry(place);
    return field;
}
// A button that acts on the diary, never on the text being typed: Tab reaches it, a click leaves the focus
// where the person is typing.
QToolButton* makeToolButton(QWidget* parent, const char* name, const QString& toolTip, const QRect& place);

// Moves a window so that its outer rectangle, frame included, stands in the middle of the free area
// of its screen.
void centreOnScreen(QWidget* window, QSize outerSize);

// The font every window was laid out for; the desktop stands in its nearest face.
QFont dialogFont();

// Where the desktop's font is wider than the one a window was laid out for, captions of fixed-width
// controls would run past their ends: the font loses half a point at a time until `fits` accepts it
// or it reaches `smallest`, below which it would no longer be readable.
QFont shrunkFont(QFont font, qreal smallest, const std::function<bool(const QFont&)>& fits);

// Menu items that tests and the program find by their object names.
QAction* addItem(QMenu* menu, const char* name, const QString& text);
QAction* addSeparator(QMenu* menu, const char* name);
QAction* addCheckItem(QMenu* menu, const char* name, const QString& text, bool checked);
QAction* addDisabledItem(QMenu* menu, const char* name, const QString& text);

// The dialog that opens an existing file of the kind `filter` names, found as "OpenD". It is Qt's own, so
// that it behaves alike on every desktop.
QFileDialog* makeOpenDialog(QWidget* parent, const QString& filter);

// Shows `done` of `total` on `gauge` and paints it at once: a long operation holds the event loop until
// it ends, and reports at a pace that makes painting each report cheap (ProgressPace).
void showProgress(QProgressBar* gauge, qint64 done, qint64 total);

void enable(std::initializer_list<QWidget*> controls, bool on);
void enable(std::initializer_list<QAction*> items, bool on);
