#include "messagebox.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace
{

// The buttons carry their Russian names whatever translations the desktop has.
Answer ask(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillnest"), text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.setDefaultButton(QMessageBox::Yes);
    if (auto* cancel = box.button(QMessageBox::Cancel)) {
        cancel->setText(QStringLiteral("Отмена"));
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(box.button(QMessageBox::No));
    }
    const int answer = box.exec();
    return answer == QMessageBox::Yes ? Answer::Yes : answer == QMessageBox::No ? Answer::No : Answer::Cancel;
}

} // namespace

void showMessage(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillnest"), text, QMessageBox::Ok, parent);
    // File names and diary texts end up in messages: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

Answer askYesNoCancel(QWidget* parent, const QString& text)
{
    return ask(parent, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

bool askYesNo(QWidget* parent, const QString& text)
{
    return ask(parent, text, QMessageBox::Yes | QMessageBox::No) == Answer::Yes;
}
