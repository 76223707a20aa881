#pragma once

#include "widgets/secondarywindow.h"

#include <QString>

class DiaryDocument;
class QLabel;
class QLineEdit;

// Encrypts the open diary under a passphrase typed twice, or makes an encrypted one scrambled again under the
// passphrase it has, which the person types to confirm. One sentence says what encryption protects and what it
// does not. A new window is made for every use.
class EncryptionWindow : public SecondaryWindow
{
    Q_OBJECT

public:
    EncryptionWindow(DiaryDocument& document, QWidget* parent);

signals:
    // The diary was converted; `status` says to what.
    void converted(const QString& status);

private:
    void buildControls();
    QLineEdit* addField(const char* name, const QString& label, int top);
    void convert();
    // The passphrase to use, checked in the order the person is told of the trouble; empty when there is trouble.
    QByteArray chosenPassphrase();
    void clearFields();

    DiaryDocument& m_document;
    const bool m_encrypted;
    QLineEdit* m_passphrase = nullptr;
    QLineEdit* m_repeat = nullptr;
};
