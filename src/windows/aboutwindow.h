#pragma once

#include "widgets/secondarywindow.h"

class QLabel;
class QPlainTextEdit;
class QShowEvent;

// "О программе": the program's name, its picture, what it is for and who made it. Made once and
// hidden on close, so that whatever is typed into the description stays until the program ends.
class TForm2 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent);

    QLabel* Label5 = nullptr;
    QLabel* Image1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* StaticText1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void fitDescription();
};
