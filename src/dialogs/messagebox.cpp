#include "messagebox.h"

#include <QMessageBox>

void showMessage(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillnest"), text, QMessageBox::Ok, parent);
    // File names and diary texts end up in messages: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
