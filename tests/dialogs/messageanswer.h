#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>

namespace messageanswer
{

struct Watch {
    bool stop = false;
    QString text;
};

inline void poll(const std::shared_ptr<Watch>& watch)
{
    QTimer::singleShot(10, [watch] {
        if (watch->stop)
            return;
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return poll(watch);
        watch->stop = true;
        watch->text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
}

} // namespace messageanswer

// Reads the message box that `action` shows and presses its OK; returns the text (empty if none).
inline QString answerMessageDuring(const std::function<void()>& action)
{
    auto watch = std::make_shared<messageanswer::Watch>();
    messageanswer::poll(watch);
    action();
    watch->stop = true;
    return watch->text;
}
