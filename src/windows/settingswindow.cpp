#include "settingswindow.h"

#include "store/error.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QAbstractButton>
#include <QCheckBox>
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

int runItemFor(const StartupOptions& options)
{
    // The main diary wins at start when both are set, so that is what the window shows.
    if (options.OpenFave)
        return TForm4::OpenFaveItem;
    if (options.OpenLast)
        return TForm4::OpenLastItem;
    return TForm4::NothingItem;
}

} // namespace

TForm4::TForm4(const QString& settingsPath, QWidget* parent)
    : SecondaryWindow(parent, OuterSize), m_settingsPath(settingsPath)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Настройки "));
    buildRunGroup();
    buildWorkGroup();
    buildButtons();
    fitFont();
    connect(BitBtn1, &QPushButton::clicked, this, &TForm4::BitBtn1Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm4::BitBtn3Click);
}

void TForm4::buildRunGroup()
{
    const QStringList items{QStringLiteral("Автоматически открывать последний дневник"),
                            QStringLiteral("Автоматически открывать главный дневник"),
                            QStringLiteral("Ничего не делать")};
    Run = new RadioGroup(QStringLiteral("При запуске программы "), items, QRect(8, 8, 273, 81), this);
    Run->setObjectName(QStringLiteral("Run"));
}

void TForm4::buildWorkGroup()
{
    GroupBox1 = new QGroupBox(QStringLiteral("При работе с дневником "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 96, 273, 89);
    editing =
        makeCheckBox(GroupBox1, "editing", QStringLiteral("Режим редактирования активизирован"), QRect(8, 16, 257, 17));
    word = makeCheckBox(GroupBox1, "word", QStringLiteral("Доступен поиск по слову/фразе"), QRect(8, 40, 257, 17));
    date = makeCheckBox(GroupBox1, "date", QStringLiteral("Доступен поик по дате"), QRect(8, 64, 257, 17));
}

void TForm4::buildButtons()
{
    default_ = makeCheckBox(this, "default", QStringLiteral("По умолчанию"), QRect(8, 192, 97, 17));
    BitBtn1 = addButton("BitBtn1", QStringLiteral("Принять"), QStyle::SP_DialogOkButton, QRect(112, 192, 81, 25));
    BitBtn1->setDefault(true);
    BitBtn3 = addButton("BitBtn3", QStringLiteral("Закрыть"), QStyle::SP_DialogCancelButton, QRect(200, 192, 81, 25));
    setKeyButtons(BitBtn1, BitBtn3);
}

// The whole window gets the smaller font, so that every caption stays inside its control's fixed
// width. The font is set only once it differs: the window keeps following the main window's font
// while that one fits.
void TForm4::fitFont()
{
    const QList<QAbstractButton*> buttons = findChildren<QAbstractButton*>();
    shrunkFont(font(), SmallestPoints, [&](const QFont& candidate) {
        if (candidate != font())
            setFont(candidate);
        return captionsFit(buttons);
    });
}

// Restoring the window from a minimised main window is no new showing: the choices made so far stay.
void TForm4::showEvent(QShowEvent* event)
{
    SecondaryWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

// The window shows what the file holds, not the main window's current menu marks, which the
// search items change without saving. A missing file reads as the defaults.
void TForm4::FormShow()
{
    default_->setChecked(false);
    showOptions(StartupOptions::read(PrivateProfile(m_settingsPath)));
}

void TForm4::showOptions(const StartupOptions& options)
{
    editing->setChecked(options.Editing);
    word->setChecked(options.ByWord);
    date->setChecked(options.ByDate);
    Run->setItemIndex(runItemFor(options));
}

StartupOptions TForm4::chosenOptions() const
{
    return default_->isChecked() ? StartupOptions() : boxOptions();
}

StartupOptions TForm4::boxOptions() const
{
    StartupOptions options;
    options.Editing = editing->isChecked();
    options.ByWord = word->isChecked();
    options.ByDate = date->isChecked();
    options.OpenLast = Run->itemIndex() == OpenLastItem;
    options.OpenFave = Run->itemIndex() == OpenFaveItem;
    return options;
}

// All five keys go in one replacement of the file, so a failure leaves it as it was.
bool TForm4::saveOptions(const StartupOptions& options)
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

void TForm4::BitBtn1Click()
{
    if (!saveOptions(chosenOptions()))
        return;
    emit accepted(boxOptions());
    close();
}

void TForm4::BitBtn3Click()
{
    close();
}
