#include "passwordwindow.h"

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

#include <optional>

namespace
{

constexpr int WindowWidth = 252;
constexpr int SetHeight = 140;
constexpr int ChangeHeight = 213;

// A field holds no more than a password can be long, so what is typed is exactly what is stored.
constexpr int MaxPasswordLength = 255;

} // namespace

TForm5::TForm5(DiaryDocument& document, QWidget* parent)
    : SecondaryWindow(parent, QSize(WindowWidth, document.view().hasPassword() ? ChangeHeight : SetHeight)),
      m_document(document), m_changeMode(document.view().hasPassword())
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Защита"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    setKeyButtons(BitBtn1, BitBtn2);
    connect(CBnone, &QCheckBox::clicked, this, &TForm5::CBnoneClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm5::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QWidget::close);
}

void TForm5::buildControls()
{
    GB = new QGroupBox(m_changeMode ? QStringLiteral("Изменение пароля") : QStringLiteral("Установка пароля"), this);
    GB->setObjectName(QStringLiteral("GB"));
    GB->setGeometry(8, 4, 161, m_changeMode ? 168 : 98);
    passIn1 = addField("passIn1", "Label1",
                       m_changeMode ? QStringLiteral("введите старый пароль:") : QStringLiteral("введите пароль:"),
                       m_changeMode ? QStringLiteral("Старый пароль") : QStringLiteral("Пароль"), 32);
    passIn2 = addField("passIn2", "Label2",
                       m_changeMode ? QStringLiteral("введите новый пароль:") : QStringLiteral("повторите пароль:"),
                       m_changeMode ? QStringLiteral("Новый пароль") : QStringLiteral("Повтор пароля"),
                       m_changeMode ? 80 : 68);
    PassIn3 = addField("PassIn3", "Label3", QStringLiteral("повторите новый пароль:"),
                       QStringLiteral("Повтор нового пароля"), 116);
    CBnone = makeCheckBox(GB, "CBnone", QStringLiteral("Убрать пароль"), QRect(8, 144, 145, 17));
    PassIn3->setVisible(m_changeMode);
    GB->findChild<QLabel*>(QStringLiteral("Label3"))->setVisible(m_changeMode);
    CBnone->setVisible(m_changeMode);

    BitBtn1 = addButton("BitBtn1", QStringLiteral("OK"), QStyle::SP_DialogOkButton, QRect(176, 12, 68, 25));
    BitBtn2 = addButton("BitBtn2", QStringLiteral("Отмена "), QStyle::SP_DialogCancelButton, QRect(176, 44, 68, 25));
    passIn1->setFocus();
}

// What is typed shows in clear. The label asks for the password; `readName` tells a screen reader
// which password the field holds.
QLineEdit* TForm5::addField(const char* name, const char* labelName, const QString& label, const QString& readName,
                            int top)
{
    makeLabel(GB, labelName, label, QPoint(8, top - 16));
    auto* field = makeField<QLineEdit>(GB, name, QRect(8, top, 145, 21));
    field->setAccessibleName(readName);
    field->setMaxLength(MaxPasswordLength);
    return field;
}

// The disabled fields keep what was typed in them.
void TForm5::CBnoneClick()
{
    enable({passIn2, PassIn3}, !CBnone->isChecked());
}

// A password changed but not yet safe on disk is changed all the same: the person is told, and the
// window's work is done.
void TForm5::BitBtn1Click()
{
    try {
        const std::optional<QByteArray> password = chosenPassword();
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

std::optional<QByteArray> TForm5::chosenPassword()
{
    if (!m_changeMode) {
        if (passIn1->text() != passIn2->text()) {
            showMessage(this, QStringLiteral("Внимательнее введите и повторите пароль"));
            return std::nullopt;
        }
        return passwordFileBytes(passIn1->text());
    }
    // The repeated fields are compared even while removal leaves them disabled.
    if (PassIn3->text() != passIn2->text()) {
        showMessage(this, QStringLiteral("Внимательнее введите и повторите новый пароль"));
        return std::nullopt;
    }
    if (!m_document.isPassword(passIn1->text())) {
        showMessage(this, QStringLiteral("Неверный пароль!"));
        return std::nullopt;
    }
    return CBnone->isChecked() ? QByteArray() : passwordFileBytes(passIn2->text());
}
