#include "passwordwindow.h"

#include "crypto/sodiumglue.h"
#include "document/diarydocument.h"
#include "store/diaryedit.h"
#include "store/error.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

#include <optional>

namespace
{

constexpr int WindowWidth = 252;
constexpr int SetHeight = 140;
constexpr int ChangeHeight = 213;

// A field holds no more than a password can be long, so what is typed is exactly what is stored.
constexpr int MaxPasswordLength = 255;

} // namespace

PasswordWindow::PasswordWindow(DiaryDocument& document, QWidget* parent)
    : SecondaryWindow(parent, QSize(WindowWidth, document.view().hasPassword() ? ChangeHeight : SetHeight)),
      m_document(document), m_changing(document.view().hasPassword())
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Защита"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
}

void PasswordWindow::buildControls()
{
    auto* group =
        new QGroupBox(m_changing ? QStringLiteral("Изменение пароля") : QStringLiteral("Установка пароля"), this);
    group->setObjectName(QStringLiteral("GB"));
    group->setGeometry(8, 4, 161, m_changing ? 168 : 98);
    m_first = addField(group, "passIn1", "Label1",
                       m_changing ? QStringLiteral("введите старый пароль:") : QStringLiteral("введите пароль:"),
                       m_changing ? QStringLiteral("Старый пароль") : QStringLiteral("Пароль"), 32);
    m_second =
        addField(group, "passIn2", "Label2",
                 m_changing ? QStringLiteral("введите новый пароль:") : QStringLiteral("повторите пароль:"),
                 m_changing ? QStringLiteral("Новый пароль") : QStringLiteral("Повтор пароля"), m_changing ? 80 : 68);
    m_third = addField(group, "PassIn3", "Label3", QStringLiteral("повторите новый пароль:"),
                       QStringLiteral("Повтор нового пароля"), 116);
    m_removing = makeCheckBox(group, "CBnone", QStringLiteral("Убрать пароль"), QRect(8, 144, 145, 17));
    m_third->setVisible(m_changing);
    group->findChild<QLabel*>(QStringLiteral("Label3"))->setVisible(m_changing);
    // An encrypted diary always has its passphrase: it goes with the encryption (EncryptionWindow).
    m_removing->setVisible(m_changing && !m_document.view().isEncrypted());
    connect(m_removing, &QCheckBox::clicked, this, &PasswordWindow::enableNewPasswordFields);

    QPushButton* accept = addButton("BitBtn1", QStringLiteral("OK"), QStyle::SP_DialogOkButton, QRect(176, 12, 68, 25));
    QPushButton* cancel =
        addButton("BitBtn2", QStringLiteral("Отмена "), QStyle::SP_DialogCancelButton, QRect(176, 44, 68, 25));
    setKeyButtons(accept, cancel);
    connect(accept, &QPushButton::clicked, this, &PasswordWindow::changePassword);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
}

// What is typed shows in clear, but for an encrypted diary's passphrase. The label asks for the password; `readName`
// tells a screen reader which password the field holds.
QLineEdit* PasswordWindow::addField(QGroupBox* group, const char* name, const char* labelName, const QString& label,
                                    const QString& readName, int top)
{
    makeLabel(group, labelName, label, QPoint(8, top - 16));
    auto* field = makeField<QLineEdit>(group, name, QRect(8, top, 145, 21));
    field->setAccessibleName(readName);
    field->setMaxLength(MaxPasswordLength);
    // An encrypted diary's passphrase is typed where others may see the screen.
    if (m_document.view().isEncrypted())
        field->setEchoMode(QLineEdit::Password);
    return field;
}

// The disabled fields keep what was typed in them.
void PasswordWindow::enableNewPasswordFields()
{
    enable({m_second, m_third}, !m_removing->isChecked());
}

// A password changed but not yet safe on disk is changed all the same: the person is told, and the
// window's work is done.
void PasswordWindow::changePassword()
{
    std::optional<QByteArray> password;
    const auto forget = qScopeGuard([&] {
        if (password)
            wipe(*password);
    });
    try {
        password = chosenPassword();
        if (!password)
            return;
        m_document.rekey(*password);
    } catch (const NotDurableError& error) {
        showMessage(this, error.text());
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    close();
}

std::optional<QByteArray> PasswordWindow::chosenPassword()
{
    if (!m_changing) {
        if (m_first->text() != m_second->text()) {
            showMessage(this, QStringLiteral("Внимательнее введите и повторите пароль"));
            return std::nullopt;
        }
        return passwordFileBytes(m_first->text());
    }
    // The repeated fields are compared even while removal leaves them disabled.
    if (m_third->text() != m_second->text()) {
        showMessage(this, QStringLiteral("Внимательнее введите и повторите новый пароль"));
        return std::nullopt;
    }
    if (!m_document.isPassword(m_first->text())) {
        showMessage(this, QStringLiteral("Неверный пароль!"));
        return std::nullopt;
    }
    return m_removing->isChecked() ? QByteArray() : passwordFileBytes(m_second->text());
}
