#pragma once

#include <QString>

class QWidget;

// Every message of the program: the application title, the text and one OK button; returns once
// the user has closed it.
void showMessage(QWidget* parent, const QString& text);
