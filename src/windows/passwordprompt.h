#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class RecordFile;

// Asks for the password of the protected diary at `path` before it is opened; `probe` is open on
// that diary, and its header is read again on every attempt. exec() returns PasswordMatched once the
// typed password matched, and key() is then the key of the diary's entries, or PasswordRefused.
class TPassDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int PasswordMatched = 1;
    static constexpr int PasswordRefused = 2;

    TPassDlg(const QString& path, const RecordFile& probe, QWidget* parent);

    // The prompt as a question: the accepted key, or nothing when the person gave up.
    static std::optional<QByteArray> ask(const QString& path, const RecordFile& probe, QWidget* parent);

    const std::optional<QByteArray>& key() const { return m_key; }

    // Esc and the close box refuse the same way as "Закрыть".
    void reject() override;

    QLabel* Label1 = nullptr;
    QLabel* FileName = nullptr;
    QLineEdit* PassIn = nullptr;
    QPushButton* BbOK = nullptr;
    QPushButton* BbClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void refuseTypedPassword();

    void FormShow();
    void PassInChange();
    void BbOKClick();
    void BbCloseClick();

    const QString m_path;
    const RecordFile& m_probe;
    std::optional<QByteArray> m_key;
};
