#pragma once

#include "widgets/secondarywindow.h"

#include <QByteArray>

#include <optional>

class DiaryDocument;
class QCheckBox;
class QGroupBox;
class QLineEdit;

// Sets a password on the open diary, changes it or removes it. A new window is made for every use:
// it sets one while the diary has no password, and changes or removes the one it has.
class PasswordWindow : public SecondaryWindow
{
    Q_OBJECT

public:
    PasswordWindow(DiaryDocument& document, QWidget* parent);

private:
    void buildControls();
    QLineEdit* addField(QGroupBox* group, const char* name, const char* labelName, const QString& label,
                        const QString& readName, int top);

    void enableNewPasswordFields();
    void changePassword();
    // The typed texts checked in the order the user is told of them; what to store, or nothing.
    std::optional<QByteArray> chosenPassword();

    DiaryDocument& m_document;
    // The diary has a password, which the window changes or removes.
    const bool m_changing;
    QLineEdit* m_first = nullptr;  // the password, or the old one
    QLineEdit* m_second = nullptr; // its repetition, or the new one
    QLineEdit* m_third = nullptr;  // the new one repeated
    QCheckBox* m_removing = nullptr;
};
