#include "passwordprompt.h"

#include "store/error.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace
{

constexpr int WindowWidth = 196;
constexpr int WindowHeight = 133;

const QString AskCaption = QStringLiteral("Введите пароль для файла:");
const QString WrongCaption = QStringLiteral("Неверный пароль! ");

} // namespace

PasswordPrompt::PasswordPrompt(const QString& path, PasswordCheck check, QWidget* parent)
    : QDialog(parent, Qt::Tool), m_path(path), m_check(std::move(check))
{
    setObjectName(QStringLiteral("PassDlg"));
    setWindowTitle(QStringLiteral("Дневник защищён паролем"));
    setFont(dialogFont());
    resize(WindowWidth, WindowHeight);
    buildControls();
}

PasswordAsker PasswordPrompt::askerOver(QWidget* parent)
{
    return [parent](const QString& path, const PasswordCheck& check) {
        PasswordPrompt prompt(path, check, parent);
        prompt.exec();
    };
}

void PasswordPrompt::buildControls()
{
    m_caption = new QLabel(AskCaption, this);
    m_caption->setObjectName(QStringLiteral("Label1"));
    m_caption->setGeometry(8, 8, 180, 16);

    // A file name is shown as it is, never as markup.
    m_fileName = new QLabel(this);
    m_fileName->setObjectName(QStringLiteral("FileName"));
    m_fileName->setTextFormat(Qt::PlainText);
    m_fileName->setGeometry(8, 26, 180, 16);

    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("PassIn"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    m_password->setGeometry(8, 48, 177, 21);
    m_password->setAccessibleName(QStringLiteral("Пароль дневника"));
    connect(m_password, &QLineEdit::textChanged, this, &PasswordPrompt::enableAccepting);

    m_acceptButton = new QPushButton(QStringLiteral("Принять"), this);
    m_acceptButton->setObjectName(QStringLiteral("BbOK"));
    m_acceptButton->setDefault(true);
    m_acceptButton->setEnabled(false);
    m_acceptButton->setGeometry(8, 80, 81, 25);
    connect(m_acceptButton, &QPushButton::clicked, this, &PasswordPrompt::checkTypedPassword);

    auto* closing = new QPushButton(QStringLiteral("Закрыть"), this);
    closing->setObjectName(QStringLiteral("BbClose"));
    closing->setAutoDefault(false);
    closing->setGeometry(104, 80, 81, 25);
    connect(closing, &QPushButton::clicked, this, &PasswordPrompt::reject);
}

void PasswordPrompt::reject()
{
    done(PasswordRefused);
}

void PasswordPrompt::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_fileName->setText(QFileInfo(m_path).fileName());
    centreOnScreen(this, frameGeometry().size());
    m_password->setFocus();
}

void PasswordPrompt::enableAccepting()
{
    m_acceptButton->setEnabled(!m_password->text().isEmpty());
}

// The check reads the diary's header again on every attempt, so that the password compared is the one
// in the file now; one that cannot be read is said so, and the prompt stays as it was.
void PasswordPrompt::checkTypedPassword()
{
    bool accepted = false;
    try {
        accepted = m_check(m_password->text());
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    // A passphrase leaves memory as soon as it has done its work.
    if (accepted) {
        m_password->clear();
        done(PasswordMatched);
    } else
        refuseTypedPassword();
}

void PasswordPrompt::refuseTypedPassword()
{
    m_password->clear();
    m_password->setFocus();
    m_caption->setText(WrongCaption);
}
