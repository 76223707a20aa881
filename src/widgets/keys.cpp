#include "keys.h"

#include <QAbstractButton>
#include <QAction>
#include <QKeyEvent>
#include <QWidget>

namespace
{

// A shortcut runs only where the focused widget lets the keys go when they are offered to it first.
class KeysKeeper : public QObject
{
public:
    KeysKeeper(QWidget* field, QKeySequence::StandardKey keys) : QObject(field), m_keys(keys)
    {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ShortcutOverride || !static_cast<QKeyEvent*>(event)->matches(m_keys))
            return QObject::eventFilter(watched, event);
        // The key press that follows is the field's, as its own keys are.
        event->accept();
        return true;
    }

private:
    const QKeySequence::StandardKey m_keys;
};

} // namespace

QAction* addKeys(QWidget* owner, const QKeySequence& keys, const std::function<void()>& command,
                 Qt::ShortcutContext context)
{
    auto* action = new QAction(owner);
    action->setShortcut(keys);
    action->setShortcutContext(context);
    owner->addAction(action);
    QObject::connect(action, &QAction::triggered, owner, command);
    return action;
}

QAction* pressOnKeys(QWidget* owner, const QList<QAbstractButton*>& buttons, const QKeySequence& keys,
                     Qt::ShortcutContext context)
{
    for (QAbstractButton* button : buttons)
        showKeysInToolTip(button, keys);
    return addKeys(
        owner, keys,
        [buttons] {
            for (QAbstractButton* button : buttons) {
                if (!button->isHidden() && button->isEnabled())
                    return button->click();
            }
        },
        context);
}

void keepKeysInField(QWidget* field, QKeySequence::StandardKey keys)
{
    new KeysKeeper(field, keys);
}

QKeySequence desktopKeys(QKeySequence::StandardKey key, const QKeySequence& otherwise)
{
    const QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    return keys.isEmpty() ? otherwise : keys.constFirst();
}

QString withKeys(const QString& text, const QKeySequence& keys)
{
    return text + QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) + QLatin1Char(')');
}

void showKeysInToolTip(QWidget* control, const QKeySequence& keys)
{
    control->setToolTip(withKeys(control->toolTip(), keys));
}
