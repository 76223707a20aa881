#pragma once

#include <QString>

class QWidget;

// Every message of the program: the application title, the text and one OK button; returns once
// the user has closed it.
void showMessage(QWidget* parent, const QString& text);

// The program's questions, in the same box: "Да", "Нет" and, where the person may also change their
// mind, "Отмена". Esc and the close box answer Cancel, with or without its button: neither is a "Нет".
enum class Answer { Yes, No, Cancel };
Answer askYesNoCancel(QWidget* parent, const QString& text);
Answer askYesNo(QWidget* parent, const QString& text);
