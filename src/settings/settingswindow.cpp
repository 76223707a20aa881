#include "settingswindow.h"

#include "mainwindow/mainwindow.h"
#include "mainwindow/messagebox.h"
#include "settings/settingsfile.h"
#include "store/error.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>

namespace
{

constexpr QSize OuterSize(298, 252);
constexpr int ItemsTop = 16;
constexpr int ItemHeight = 17;
constexpr int ItemMargin = 8;
constexpr int ItemsBottomMargin = 4;
constexpr qreal SmallestPoints = 7;

bool captionsFit(const QList<QAbstractButton*>& buttons)
{
    for (const QAbstractButton* button : buttons) {
        if (button->sizeHint().width() > button->width())
            return false;
    }
    return true;
}

QCheckBox* makeCheckBox(QWidget* parent, const char* name, const QString& text, const QRect& place)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(place);
    return box;
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

// The control's own enabled state: while this window is shown the main window's contents are
// disabled as a whole, which says nothing about whether a diary is open.
bool ownEnabledState(const QWidget* control)
{
    return !control->testAttribute(Qt::WA_ForceDisabled);
}

} // namespace

RadioGroup::RadioGroup(const QString& title, const QStringList& items, const QRect& place, QWidget* parent)
    : QGroupBox(title, parent)
{
    setGeometry(place);
    const int step = items.isEmpty() ? 0 : (place.height() - ItemsTop - ItemsBottomMargin) / int(items.size());
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setGeometry(ItemMargin, ItemsTop + i * step, place.width() - 2 * ItemMargin, ItemHeight);
        m_buttons.append(button);
    }
}

int RadioGroup::itemIndex() const
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i]->isChecked())
            return i;
    }
    return -1;
}

void RadioGroup::setItemIndex(int index)
{
    if (QRadioButton* chosen = button(index)) {
        chosen->setChecked(true);
        return;
    }
    // Exclusive buttons refuse to leave their group with no choice unless told otherwise.
    for (QRadioButton* item : m_buttons) {
        item->setAutoExclusive(false);
        item->setChecked(false);
        item->setAutoExclusive(true);
    }
}

TForm4::TForm4(TForm1& mainWindow) : SecondaryWindow(mainWindow, OuterSize)
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
    showOptions(StartupOptions::read(PrivateProfile(mainWindow().settingsPath())));
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
    if (default_->isChecked())
        return StartupOptions();
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
    PrivateProfile profile(mainWindow().settingsPath());
    try {
        options.write(profile);
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return false;
    }
    return true;
}

// The main window's search follows the check boxes even when the file received the defaults.
void TForm4::BitBtn1Click()
{
    if (!saveOptions(chosenOptions()))
        return;
    applySearchOptions();
    applyEditingMode();
    close();
}

bool TForm4::diaryOpen() const
{
    return ownEnabledState(mainWindow().Bclear);
}

// With no diary open the search controls stay disabled and the word-search mark waits for the next start.
void TForm4::applySearchOptions()
{
    TForm1& main = mainWindow();
    main.N19->setChecked(date->isChecked());
    if (!diaryOpen())
        return;
    main.enableDateSearch(main.N19->isChecked());
    main.N20->setChecked(word->isChecked());
    main.enableWordSearch(main.N20->isChecked());
}

// The editing box of this window is a start-up option only; the current mode stays the menu's.
// "Изменить" and "Удалить" are then set from that mode, so that a diary without editing mode
// never gets them, while adding or changing an entry keeps them as that mode left them.
void TForm4::applyEditingMode()
{
    TForm1& main = mainWindow();
    main.state().EditAllowed = main.N10->isChecked();
    if (!main.BSave1->isHidden() || !main.BSave2->isHidden())
        return;
    const bool entryOnView = diaryOpen() && !main.Ldate->text().contains(QStringLiteral("Сегодня"));
    const bool allowed = entryOnView && main.state().EditAllowed;
    main.Bchange->setEnabled(allowed);
    main.Bdel->setEnabled(allowed);
}

void TForm4::BitBtn3Click()
{
    close();
}
