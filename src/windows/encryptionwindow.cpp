#include "encryptionwindow.h"

#include "crypto/sodiumglue.h"
#include "document/diarydocument.h"
#include "store/diaryedit.h"
#include "store/error.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

namespace
{

constexpr int Width = 420;
constexpr int FieldWidth = 250;
constexpr int MaxPassphraseLength = 255;

const QString PlainDiaryAbout =
    QStringLiteral("Шифрование не даст прочесть текст записей, название и владельца дневника никому без пароля, даже "
                   "с файлом дневника в руках, но даты записей останутся видны, резервные копии, сделанные до "
                   "шифрования, останутся нешифрованными, а забытый пароль не восстановит никто.");
const QString EncryptedDiaryAbout =
    QStringLiteral("Дневник зашифрован; если снять шифрование, записи останутся только под паролем дневника, и "
                   "прочесть их сможет всякий, у кого есть файл и знание программы.");

} // namespace

EncryptionWindow::EncryptionWindow(DiaryDocument& document, QWidget* parent)
    : SecondaryWindow(parent, QSize(Width, document.view().isEncrypted() ? 190 : 236)), m_document(document),
      m_encrypted(document.view().isEncrypted())
{
    setObjectName(QStringLiteral("encryption"));
    setWindowTitle(QStringLiteral("Шифрование"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
}

void EncryptionWindow::buildControls()
{
    QLabel* about = makeLabel(this, "encryptionAbout", m_encrypted ? EncryptedDiaryAbout : PlainDiaryAbout, {8, 8});
    about->setWordWrap(true);
    about->setGeometry(8, 8, Width - 16, m_encrypted ? 64 : 96);
    int top = m_encrypted ? 96 : 128;
    m_passphrase = addField("encryptionPassphrase",
                            m_encrypted ? QStringLiteral("Пароль дневника:") : QStringLiteral("Пароль:"), top);
    if (!m_encrypted)
        m_repeat = addField("encryptionRepeat", QStringLiteral("Повторите пароль:"), top += 46);
    const int buttonsTop = top + 40;
    QPushButton* start =
        addButton("encryptionStart", m_encrypted ? QStringLiteral("Снять шифрование") : QStringLiteral("Зашифровать"),
                  QStyle::SP_DialogOkButton, QRect(Width - 8 - 96 - 8 - 140, buttonsTop, 140, 25));
    start->setDefault(true);
    QPushButton* closing = addButton("encryptionClose", QStringLiteral("Отмена"), QStyle::SP_DialogCancelButton,
                                     QRect(Width - 8 - 96, buttonsTop, 96, 25));
    setKeyButtons(start, closing);
    connect(start, &QPushButton::clicked, this, &EncryptionWindow::convert);
    connect(closing, &QPushButton::clicked, this, &QWidget::close);
}

// What is typed does not show: a passphrase is typed where others may see the screen.
QLineEdit* EncryptionWindow::addField(const char* name, const QString& label, int top)
{
    QLabel* caption = makeLabel(this, QByteArray(name).append("Label").constData(), label, {8, top});
    auto* field = makeField<QLineEdit>(this, name, QRect(8, top + 16, FieldWidth, 21));
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(MaxPassphraseLength);
    field->setAccessibleName(label.chopped(1));
    caption->setBuddy(field);
    return field;
}

QByteArray EncryptionWindow::chosenPassphrase()
{
    if (m_encrypted) {
        if (!m_document.isPassword(m_passphrase->text())) {
            showMessage(this, QStringLiteral("Неверный пароль!"));
            return {};
        }
        return passphraseBytes(m_passphrase->text());
    }
    if (m_passphrase->text() != m_repeat->text()) {
        showMessage(this, QStringLiteral("Внимательнее введите и повторите пароль"));
        return {};
    }
    return passwordFileBytes(m_passphrase->text());
}

// A conversion done but not yet safe on disk is done all the same: the person is told, and the window's work is
// over. The fields are emptied whatever happens.
void EncryptionWindow::convert()
{
    QByteArray passphrase;
    const auto forget = qScopeGuard([&] {
        wipe(passphrase);
        clearFields();
    });
    try {
        passphrase = chosenPassphrase();
        if (passphrase.isEmpty())
            return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        m_encrypted ? m_document.decrypt(passphrase) : m_document.encrypt(passphrase);
    } catch (const NotDurableError& error) {
        showMessage(this, error.text());
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    emit converted(m_encrypted ? QStringLiteral(" Шифрование снято") : QStringLiteral(" Дневник зашифрован"));
    close();
}

void EncryptionWindow::clearFields()
{
    m_passphrase->clear();
    if (m_repeat)
        m_repeat->clear();
}
