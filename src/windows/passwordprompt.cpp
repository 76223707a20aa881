#include "passwordprompt.h"

#include "store/diaryedit.h"
#include "store/diaryrecord.h"
#include "store/error.h"
#include "store/recordfile.h"
#include "store/scramble.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace
{

constexpr int WindowWidth = 196;
constexpr int WindowHeight = 133;

const QString AskCaption = QStringLiteral("Введите пароль для файла:");
const QString WrongCaption = QStringLiteral("Неверный пароль! ");

} // namespace

TPassDlg::TPassDlg(const QString& path, const RecordFile& probe, QWidget* parent)
    : QDialog(parent, Qt::Tool), m_path(path), m_probe(probe)
{
    setObjectName(QStringLiteral("PassDlg"));
    setWindowTitle(QStringLiteral("Дневник защищён паролем"));
    setFont(dialogFont());
    resize(WindowWidth, WindowHeight);
    buildControls();

    connect(PassIn, &QLineEdit::textChanged, this, &TPassDlg::PassInChange);
    connect(BbOK, &QPushButton::clicked, this, &TPassDlg::BbOKClick);
    connect(BbClose, &QPushButton::clicked, this, &TPassDlg::BbCloseClick);
}

std::optional<QByteArray> TPassDlg::ask(const QString& path, const RecordFile& probe, QWidget* parent)
{
    TPassDlg prompt(path, probe, parent);
    prompt.exec();
    return prompt.key();
}

void TPassDlg::buildControls()
{
    Label1 = new QLabel(AskCaption, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 8, 180, 16);

    // A file name is shown as it is, never as markup.
    FileName = new QLabel(this);
    FileName->setObjectName(QStringLiteral("FileName"));
    FileName->setTextFormat(Qt::PlainText);
    FileName->setGeometry(8, 26, 180, 16);

    PassIn = new QLineEdit(this);
    PassIn->setObjectName(QStringLiteral("PassIn"));
    PassIn->setEchoMode(QLineEdit::Password);
    PassIn->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    PassIn->setGeometry(8, 48, 177, 21);
    PassIn->setAccessibleName(QStringLiteral("Пароль дневника"));

    BbOK = new QPushButton(QStringLiteral("Принять"), this);
    BbOK->setObjectName(QStringLiteral("BbOK"));
    BbOK->setDefault(true);
    BbOK->setEnabled(false);
    BbOK->setGeometry(8, 80, 81, 25);

    BbClose = new QPushButton(QStringLiteral("Закрыть"), this);
    BbClose->setObjectName(QStringLiteral("BbClose"));
    BbClose->setAutoDefault(false);
    BbClose->setGeometry(104, 80, 81, 25);
}

void TPassDlg::reject()
{
    BbCloseClick();
}

void TPassDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TPassDlg::FormShow()
{
    FileName->setText(QFileInfo(m_path).fileName());
    centreOnScreen(this, frameGeometry().size());
    PassIn->setFocus();
}

void TPassDlg::PassInChange()
{
    BbOK->setEnabled(!PassIn->text().isEmpty());
}

void TPassDlg::BbOKClick()
{
    // The header is read again on every attempt, so that the password compared is the one in the
    // file now.
    DiaryRecord header;
    try {
        header = m_probe.readHeader();
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    const QByteArray clearPassword = DecodePassword(DiaryHeader::fromRecord(header).Password);
    if (!isTypedPassword(PassIn->text(), clearPassword)) {
        refuseTypedPassword();
        return;
    }
    m_key = clearPassword;
    done(PasswordMatched);
}

void TPassDlg::refuseTypedPassword()
{
    PassIn->clear();
    PassIn->setFocus();
    Label1->setText(WrongCaption);
}

void TPassDlg::BbCloseClick()
{
    done(PasswordRefused);
}
