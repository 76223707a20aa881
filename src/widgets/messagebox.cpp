#include "messagebox.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace
{

// The buttons carry their Russian names whatever translations the desktop has. Without a "Отмена" on
// show, Esc and the close box press a hidden one.
Answer ask(QWidget* parent, const QString& text, bool cancelShown)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillnest"), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.button(QMessageBox::Cancel)->setVisible(cancelShown);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(box.button(QMessageBox::Cancel));
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
    return ask(parent, text, true);
}

Answer askYesNo(QWidget* parent, const QString& text)
{
    return ask(parent, text, false);
}
