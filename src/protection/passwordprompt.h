#pragma once

#include <QDialog>

class QHideEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class TForm1;
struct DiaryState;

// Asks for the password of a protected diary before the main window opens it. The caller has set
// DiaryPath and left ProbeFile open on that diary. exec() returns PasswordMatched once the typed
// password matched, with EntryKey set to the clear password, or PasswordRefused; nothing else of
// the state changes.
class TPassDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int PasswordMatched = 1;
    static constexpr int PasswordRefused = 2;

    TPassDlg(DiaryState& state, TForm1& mainWindow);

    // Esc and the close box refuse the same way as "Закрыть".
    void reject() override;

    QLabel* Label1 = nullptr;
    QLabel* FileName = nullptr;
    QLineEdit* PassIn = nullptr;
    QPushButton* BbOK = nullptr;
    QPushButton* BbClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildControls();
    void refuseTypedPassword();

    void FormShow();
    void PassInChange();
    void BbOKClick();
    void BbCloseClick();
    void FormHide();

    DiaryState& m_state;
    TForm1& m_mainWindow;
};
