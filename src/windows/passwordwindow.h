#pragma once

#include "widgets/secondarywindow.h"

#include <QByteArray>

#include <optional>

class DiaryDocument;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Sets a password on the open diary, changes it or removes it. A new window is made for every use,
// in SetMode while the diary has no password and in ChangeMode while it has one.
class TForm5 : public SecondaryWindow
{
    Q_OBJECT

public:
    TForm5(DiaryDocument& document, QWidget* parent);

    bool changeMode() const { return m_changeMode; }

    QGroupBox* GB = nullptr;
    QLineEdit* passIn1 = nullptr;
    QLineEdit* passIn2 = nullptr;
    QLineEdit* PassIn3 = nullptr;
    QCheckBox* CBnone = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

private:
    void buildControls();
    QLineEdit* addField(const char* name, const char* labelName, const QString& label, const QString& readName,
                        int top);

    void CBnoneClick();
    void BitBtn1Click();
    // The typed texts checked in the order the user is told of them; what to store, or nothing.
    std::optional<QByteArray> chosenPassword();

    DiaryDocument& m_document;
    const bool m_changeMode;
};
