#pragma once

#include "document/diarydocument.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

// Asks for the password of the protected diary at `path` before it is opened, until `check` accepts
// the typed password or the person gives up. exec() returns PasswordMatched once it was accepted,
// else PasswordRefused.
class PasswordPrompt : public QDialog
{
    Q_OBJECT

public:
    static constexpr int PasswordMatched = 1;
    static constexpr int PasswordRefused = 2;

    PasswordPrompt(const QString& path, PasswordCheck check, QWidget* parent);

    // The prompt as the document asks it, over `parent`.
    static PasswordAsker askerOver(QWidget* parent);

    // Esc and the close box refuse the same way as "Закрыть".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void enableAccepting();
    void checkTypedPassword();
    void refuseTypedPassword();

    const QString m_path;
    const PasswordCheck m_check;
    QLabel* m_caption = nullptr;
    QLabel* m_fileName = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_acceptButton = nullptr;
};
