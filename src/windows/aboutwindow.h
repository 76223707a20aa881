#pragma once

#include "widgets/secondarywindow.h"

class QPlainTextEdit;
class QShowEvent;

// "О программе": the program's name, its picture, what it is for and who made it. Made once and
// hidden on close, so that whatever is typed into the description stays until the program ends.
class AboutWindow : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit AboutWindow(QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void fitDescription();

    QPlainTextEdit* m_description = nullptr;
};
