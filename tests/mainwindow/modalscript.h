#pragma once

#include "protection/passwordprompt.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include <functional>

// Runs `action` and plays the user in the modal windows it opens. The open dialog and the password
// prompt each take the next of `answers` (a file name to accept, a password to try); an empty or
// missing answer cancels, so a test fails instead of hanging. Message boxes are read and closed with
// OK. Returns what showed, in order: message texts and the other windows' names.
inline QStringList answering(QStringList answers, const std::function<void()>& action)
{
    QStringList seen;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen << box->text();
            box->button(QMessageBox::Ok)->click();
            return;
        }
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (!dialog)
            return;
        seen << dialog->objectName();
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        if (answer.isEmpty()) {
            dialog->reject();
        } else if (auto* prompt = qobject_cast<TPassDlg*>(dialog)) {
            prompt->PassIn->setText(answer);
            prompt->BbOK->click();
        } else {
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(answer);
            dialog->accept();
        }
    });
    timer.start(10);
    action();
    return seen;
}
