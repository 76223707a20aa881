#include "controls.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QCompleter>
#include <QFileDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QResizeEvent>
#include <QScreen>
#include <QToolButton>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace
{

QRect stretched(QRect r, Qt::Edges edges, int dx, int dy)
{
    if (edges & Qt::RightEdge) {
        if (edges & Qt::LeftEdge)
            r.setWidth(std::max(0, r.width() + dx));
        else
            r.translate(dx, 0);
    }
    if (edges & Qt::BottomEdge) {
        if (edges & Qt::TopEdge)
            r.setHeight(std::max(0, r.height() + dy));
        else
            r.translate(0, dy);
    }
    return r;
}

} // namespace

// A child, where the design put it, and the edges of the parent it keeps its distances from.
struct EdgeAnchors::Anchored {
    QWidget* child;
    QRect design;
    Qt::Edges edges;
};

EdgeAnchors::EdgeAnchors(QWidget* parent) : QObject(parent), m_designSize(parent->size())
{
    parent->installEventFilter(this);
}

EdgeAnchors::~EdgeAnchors() = default;

void EdgeAnchors::add(QWidget* child, Qt::Edges edges)
{
    m_anchored.push_back({child, child->geometry(), edges});
}

bool EdgeAnchors::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize)
        follow(static_cast<QResizeEvent*>(event)->size());
    return QObject::eventFilter(watched, event);
}

void EdgeAnchors::follow(QSize size) const
{
    const int dx = size.width() - m_designSize.width();
    const int dy = size.height() - m_designSize.height();
    for (const Anchored& a : m_anchored)
        a.child->setGeometry(stretched(a.design, a.edges, dx, dy));
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QPoint at)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->move(at);
    return label;
}

QLabel* makeStaticText(QWidget* parent, const char* name, const QString& text, QPoint at)
{
    QLabel* label = makeLabel(parent, name, text, at);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setBackgroundRole(QPalette::Light);
    label->setAutoFillBackground(true);
    label->adjustSize();
    return label;
}

QCheckBox* makeCheckBox(QWidget* parent, const char* name, const QString& text, const QRect& place)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(place);
    return box;
}

QToolButton* makeToolButton(QWidget* parent, const char* name, const QString& toolTip, const QRect& place)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(toolTip);
    button->setFocusPolicy(Qt::TabFocus);
    button->setAutoRaise(true);
    button->setGeometry(place);
    return button;
}

void centreOnScreen(QWidget* window, QSize outerSize)
{
    const QScreen* display = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!display)
        return;
    QRect outer(QPoint(), outerSize);
    outer.moveCenter(display->availableGeometry().center());
    window->move(outer.topLeft());
}

QFont dialogFont()
{
    return QFont(QStringLiteral("MS Sans Serif"), 8);
}

QFont shrunkFont(QFont font, qreal smallest, const std::function<bool(const QFont&)>& fits)
{
    while (!fits(font) && font.pointSizeF() > smallest)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    return font;
}

QAction* addItem(QMenu* menu, const char* name, const QString& text)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction* addSeparator(QMenu* menu, const char* name)
{
    QAction* action = menu->addSeparator();
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction* addCheckItem(QMenu* menu, const char* name, const QString& text, bool checked)
{
    QAction* action = addItem(menu, name, text);
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

QAction* addDisabledItem(QMenu* menu, const char* name, const QString& text)
{
    QAction* action = addItem(menu, name, text);
    action->setEnabled(false);
    return action;
}

QFileDialog* makeOpenDialog(QWidget* parent, const QString& filter)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QStringLiteral("OpenD"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilter(filter);
    // A name typed in full and taken with Enter leaves the completion list open; it would stay over the window
    // the dialog closed to, holding the keys.
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog] {
        for (const QCompleter* completer : dialog->findChildren<QCompleter*>())
            completer->popup()->hide();
    });
    return dialog;
}

// Nothing to do is all done: a gauge of no steps would show as busy instead of full.
void showProgress(QProgressBar* gauge, qint64 done, qint64 total)
{
    if (total <= 0)
        done = total = 1;
    const int most = int(std::min<qint64>(total, std::numeric_limits<int>::max()));
    if (gauge->maximum() != most)
        gauge->setRange(0, most);
    gauge->setValue(int(std::min<qint64>(done, most)));
    gauge->repaint();
}

void enable(std::initializer_list<QWidget*> controls, bool on)
{
    for (QWidget* control : controls)
        control->setEnabled(on);
}

void enable(std::initializer_list<QAction*> items, bool on)
{
    for (QAction* item : items)
        item->setEnabled(on);
}
