#include "keys.h"

#include <QAbstractButton>
#include <QAction>
#include <QWidget>

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
