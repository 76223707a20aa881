#pragma once

// Commands reached from the keyboard: keys that run them, and tool tips that name those keys.

#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>

class QAbstractButton;
class QAction;
class QWidget;

// An action of `owner` that runs `command` on `keys`, within `context` of it.
QAction* addKeys(QWidget* owner, const QKeySequence& keys, const std::function<void()>& command,
                 Qt::ShortcutContext context = Qt::WindowShortcut);

// Keys that press a button: they click the first of `buttons` that is shown and enabled, as the mouse
// does, and leave the focus where it was, so that typing goes on where it stood. Buttons that stand in
// one another's place share their keys this way. Each button's tool tip names the keys.
QAction* pressOnKeys(QWidget* owner, const QList<QAbstractButton*>& buttons, const QKeySequence& keys,
                     Qt::ShortcutContext context = Qt::WindowShortcut);

// `field` takes `keys` before any command of its window, also while it is read only and does nothing with them:
// keys pressed in a text are meant for the text.
void keepKeysInField(QWidget* field, QKeySequence::StandardKey keys);

// The desktop's own keys for `key`, or `otherwise` where its desktop has none (no Quit on some).
QKeySequence desktopKeys(QKeySequence::StandardKey key, const QKeySequence& otherwise);

// "Добавить (Ctrl+N)": a tool tip that names the keys of its command.
QString withKeys(const QString& text, const QKeySequence& keys);
void showKeysInToolTip(QWidget* control, const QKeySequence& keys);
