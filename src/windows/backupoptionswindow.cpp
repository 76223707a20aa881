#include "backupoptionswindow.h"

#include "store/error.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace
{

constexpr QSize OuterSize(330, 150);

} // namespace

BackupOptionsWindow::BackupOptionsWindow(const QString& settingsPath, QWidget* parent)
    : SecondaryWindow(parent, OuterSize), m_settingsPath(settingsPath)
{
    setObjectName(QStringLiteral("backupOptions"));
    setWindowTitle(QStringLiteral("Резервные копии"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    buildButtons();
    showOptions(BackupOptions::read(PrivateProfile(m_settingsPath)));
}

// The number of days means nothing while no copies are made.
void BackupOptionsWindow::buildControls()
{
    m_enabled = makeCheckBox(this, "backupsEnabled", QStringLiteral("Делать резервные копии"), QRect(8, 8, 310, 17));
    QLabel* caption =
        makeLabel(this, "backupDaysLabel", QStringLiteral("Хранить копии за последние дни с изменениями:"), {8, 34});
    caption->resize(310, 15);
    m_days = makeField<QSpinBox>(this, "backupDays", QRect(8, 52, 60, 21));
    m_days->setRange(BackupOptions::FewestDays, BackupOptions::MostDays);
    caption->setBuddy(m_days);
    m_days->setAccessibleName(caption->text());
    connect(m_enabled, &QCheckBox::toggled, m_days, &QWidget::setEnabled);
}

void BackupOptionsWindow::buildButtons()
{
    QPushButton* accept =
        addButton("backupOk", QStringLiteral("OK"), QStyle::SP_DialogOkButton, QRect(152, 84, 81, 25));
    accept->setDefault(true);
    QPushButton* closing =
        addButton("backupCancel", QStringLiteral("Отмена"), QStyle::SP_DialogCancelButton, QRect(237, 84, 81, 25));
    setKeyButtons(accept, closing);
    connect(accept, &QPushButton::clicked, this, &BackupOptionsWindow::saveOptions);
    connect(closing, &QPushButton::clicked, this, &QWidget::close);
}

void BackupOptionsWindow::showOptions(const BackupOptions& options)
{
    m_enabled->setChecked(options.enabled);
    m_days->setValue(options.days);
    m_days->setEnabled(options.enabled);
}

// A file that cannot be written keeps the window open, its choices as they are.
void BackupOptionsWindow::saveOptions()
{
    const BackupOptions options{m_enabled->isChecked(), m_days->value()};
    try {
        PrivateProfile profile(m_settingsPath);
        options.write(profile);
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    emit accepted(options);
    close();
}
