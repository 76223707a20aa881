#include "settingswindow.h"

#include "store/error.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"
#include "widgets/radiogroup.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStyle>

namespace
{

constexpr QSize OuterSize(298, 252);
constexpr qreal SmallestPoints = 7;

bool captionsFit(const QList<QAbstractButton*>& buttons)
{
    for (const QAbstractButton* button : buttons) {
        if (button->sizeHint().width() > button->width())
            return false;
    }
    return true;
}

// The items of "При запуске программы ", by index.
enum StartupItem { OpenLastItem, OpenFaveItem, NothingItem };

StartupItem startupItemFor(const StartupOptions& options)
{
    // The main diary wins at start when both are set, so that is what the window shows.
    if (options.openFave)
        return OpenFaveItem;
    if (options.openLast)
        return OpenLastItem;
    return NothingItem;
}

} // namespace

SettingsWindow::SettingsWindow(const QString& settingsPath, QWidget* parent)
    : SecondaryWindow(parent, OuterSize), m_settingsPath(settingsPath)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Настройки "));
    buildStartupGroup();
    buildWorkGroup();
    buildButtons();
    fitFont();
}

void SettingsWindow::buildStartupGroup()
{
    const QStringList items{QStringLiteral("Автоматически открывать последний дневник"),
                            QStringLiteral("Автоматически открывать главный дневник"),
                            QStringLiteral("Ничего не делать")};
    m_startup = new RadioGroup(QStringLiteral("При запуске программы "), items, QRect(8, 8, 273, 81), this);
    m_startup->setObjectName(QStringLiteral("Run"));
}

void SettingsWindow::buildWorkGroup()
{
    auto* group = new QGroupBox(QStringLiteral("При работе с дневником "), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setGeometry(8, 96, 273, 89);
    m_editing =
        makeCheckBox(group, "editing", QStringLiteral("Режим редактирования активизирован"), QRect(8, 16, 257, 17));
    m_wordSearch = makeCheckBox(group, "word", QStringLiteral("Доступен поиск по слову/фразе"), QRect(8, 40, 257, 17));
    m_dateSearch = makeCheckBox(group, "date", QStringLiteral("Доступен поик по дате"), QRect(8, 64, 257, 17));
}

void SettingsWindow::buildButtons()
{
    m_defaults = makeCheckBox(this, "default", QStringLiteral("По умолчанию"), QRect(8, 192, 97, 17));
    QPushButton* accept =
        addButton("BitBtn1", QStringLiteral("Принять"), QStyle::SP_DialogOkButton, QRect(112, 192, 81, 25));
    accept->setDefault(true);
    QPushButton* closing =
        addButton("BitBtn3", QStringLiteral("Закрыть"), QStyle::SP_DialogCancelButton, QRect(200, 192, 81, 25));
    setKeyButtons(accept, closing);
    connect(accept, &QPushButton::clicked, this, &SettingsWindow::saveOptions);
    connect(closing, &QPushButton::clicked, this, &QWidget::close);
}

// The whole window gets the smaller font, so that every caption stays inside its control's fixed
// width. The font is set only once it differs: the window keeps following the main window's font
// while that one fits.
void SettingsWindow::fitFont()
{
    const QList<QAbstractButton*> buttons = findChildren<QAbstractButton*>();
    shrunkFont(font(), SmallestPoints, [&](const QFont& candidate) {
        if (candidate != font())
            setFont(candidate);
        return captionsFit(buttons);
    });
}

// Restoring the window from a minimised main window is no new showing: the choices made so far stay.
void SettingsWindow::showEvent(QShowEvent* event)
{
    SecondaryWindow::showEvent(event);
    if (!event->spontaneous())
        showSavedOptions();
}

// The window shows what the file holds, not the main window's current menu marks, which the
// search items change without saving. A missing file reads as the defaults.
void SettingsWindow::showSavedOptions()
{
    m_defaults->setChecked(false);
    showOptions(StartupOptions::read(PrivateProfile(m_settingsPath)));
}

void SettingsWindow::showOptions(const StartupOptions& options)
{
    m_editing->setChecked(options.editing);
    m_wordSearch->setChecked(options.byWord);
    m_dateSearch->setChecked(options.byDate);
    m_startup->setItemIndex(startupItemFor(options));
}

StartupOptions SettingsWindow::chosenOptions() const
{
    return m_defaults->isChecked() ? StartupOptions() : boxOptions();
}

StartupOptions SettingsWindow::boxOptions() const
{
    StartupOptions options;
    options.editing = m_editing->isChecked();
    options.byWord = m_wordSearch->isChecked();
    options.byDate = m_dateSearch->isChecked();
    options.openLast = m_startup->itemIndex() == OpenLastItem;
    options.openFave = m_startup->itemIndex() == OpenFaveItem;
    return options;
}

// All five keys go in one replacement of the file, so a failure leaves it as it was.
bool SettingsWindow::writeOptions(const StartupOptions& options)
{
    PrivateProfile profile(m_settingsPath);
    try {
        options.write(profile);
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return false;
    }
    return true;
}

void SettingsWindow::saveOptions()
{
    if (!writeOptions(chosenOptions()))
        return;
    emit accepted(boxOptions());
    close();
}
