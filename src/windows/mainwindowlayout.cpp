// The main window's controls where the design puts them, pixel by pixel.
#include "mainwindow.h"

#include "datelistview.h"
#include "document/datelistmodel.h"
#include "toolpictures.h"
#include "widgets/controls.h"
#include "widgets/datepicker.h"

#include <QAction>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolButton>

namespace
{

// The window as designed: client area (under the menu bar, status bar included) and its parts.
constexpr int ClientWidth = 601;
constexpr int ClientHeight = 381;
constexpr int StatusBarHeight = 20;
constexpr int CoolBarHeight = 41;
constexpr int BandTop = 2;
constexpr int BandHeight = 37;
constexpr int ButtonSide = 22;
constexpr int ButtonTop = (BandHeight - ButtonSide) / 2;
constexpr int FieldHeight = 21;
constexpr int FieldTop = (BandHeight - FieldHeight) / 2;
constexpr int LastStatusPanelWidth = 50;

// The design leaves room for the caption in the classic dialog font; a wider stand-in font must not
// put the name over the end of the caption.
QLabel* makeNameLabel(QWidget* parent, const char* name, const QWidget* caption, QPoint at, int width)
{
    const int x = std::max(at.x(), caption->geometry().right() + 4);
    QLabel* label = makeLabel(parent, name, QString(), QPoint(x, at.y()));
    label->resize(at.x() + width - x, 15);
    return label;
}

QFrame* makeBand(QWidget* bar, const char* name, int x, int width, const QString& toolTip = QString())
{
    auto* band = new QFrame(bar);
    band->setObjectName(QLatin1String(name));
    band->setFrameStyle(QFrame::Panel | QFrame::Raised);
    band->setGeometry(x, BandTop, width, BandHeight);
    band->setToolTip(toolTip);
    // A screen reader names the group a field and its buttons are in as the tool tip does.
    band->setAccessibleName(toolTip);
    return band;
}

QToolButton* makeButton(QWidget* band, const char* name, const QString& toolTip, int x, int width = ButtonSide)
{
    return makeToolButton(band, name, toolTip, QRect(x, ButtonTop, width, ButtonSide));
}

QToolButton* makePictureButton(QWidget* band, const char* name, ToolPicture picture, const QString& toolTip, int x,
                               int width = ButtonSide)
{
    QToolButton* button = makeButton(band, name, toolTip, x, width);
    button->setIcon(toolPicture(picture));
    // A picture says nothing to a screen reader: the button is named as its tool tip names it.
    button->setAccessibleName(toolTip);
    return button;
}

} // namespace

void MainWindow::buildLayout()
{
    setFont(dialogFont());
    buildMenu();
    auto* client = new QWidget(this);
    client->resize(ClientWidth, ClientHeight - StatusBarHeight);
    buildLabels(client);
    buildToolBar(client);
    buildTextAndList(client);
    setCentralWidget(client);
    buildStatusBar();
    resize(ClientWidth, menuBar()->sizeHint().height() + ClientHeight);
    centreOnScreen(this, size());
    sizeStatusPanels();
}

void MainWindow::buildMenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    // Each menu and item has a letter of its own within its menu, which Alt (in a menu, the letter alone) chooses.

    QMenu* file = bar->addMenu(QStringLiteral("&Файл"));
    m_openAction = addItem(file, "N2", QStringLiteral("&Открыть"));
    m_newAction = addItem(file, "N12", QStringLiteral("&Создать"));
    m_closeAction = addItem(file, "N14", QStringLiteral("&Закрыть"));
    addSeparator(file, "backupsSeparator");
    m_undoDeletionAction = addItem(file, "actionUndoDeletion", QStringLiteral("Отменить &удаление"));
    m_backupsAction = addItem(file, "actionBackups", QStringLiteral("&Резервные копии…"));
    addSeparator(file, "N3");
    m_exitAction = addItem(file, "N4", QStringLiteral("В&ыход"));

    QMenu* options = bar->addMenu(QStringLiteral("&Опции"));
    m_editingAction = addCheckItem(options, "N10", QStringLiteral("&Редактирование"), false);
    m_dateSearchAction = addCheckItem(options, "N19", QStringLiteral("Поиск по &дате"), true);
    m_wordSearchAction = addCheckItem(options, "N20", QStringLiteral("Поиск по &слову"), true);
    addSeparator(options, "N22");
    m_settingsAction = addItem(options, "N23", QStringLiteral("&Настройки"));
    m_backupOptionsAction = addItem(options, "actionBackupOptions", QStringLiteral("Резервные &копии…"));
    addSeparator(options, "spellingSeparator");
    m_spellingAction = addCheckItem(options, "actionSpelling", QStringLiteral("Проверка &орфографии"), true);
    m_foldedSearchAction =
        addCheckItem(options, "actionFoldedSearch", QStringLiteral("Поиск &без учёта регистра и ё"), false);
    options->setToolTipsVisible(true);

    QMenu* service = bar->addMenu(QStringLiteral("&Сервис"));
    m_statisticsAction = addDisabledItem(service, "N13", QStringLiteral("С&татистика"));
    m_exportAction = addItem(service, "N25", QStringLiteral("&Экспорт записей"));
    m_importAction = addItem(service, "N11", QStringLiteral("&Импорт записей"));
    m_passwordAction = addItem(service, "N21", QStringLiteral("&Защита"));
    m_encryptionAction = addItem(service, "actionEncryption", QStringLiteral("&Шифрование…"));
    m_mainDiaryAction = addItem(service, "N24", QStringLiteral("Сделать &главным"));

    // There is no help file, so "Помощь" never becomes available.
    QMenu* help = bar->addMenu(QStringLiteral("С&правка"));
    addDisabledItem(help, "N26", QStringLiteral("&Помощь"));
    m_diaryInfoAction = addItem(help, "N7", QStringLiteral("О &дневнике"));
    m_aboutAction = addItem(help, "N8", QStringLiteral("О п&рограмме"));
}

// The date label is made before the tool bar so that the bar covers it: it only records which entry is
// on view, for the program's own use.
void MainWindow::buildLabels(QWidget* client)
{
    m_dateLabel = makeLabel(client, "Ldate", QString(), QPoint(25, 8));
    m_dateLabel->resize(150, 14);
    const QLabel* titleCaption = makeStaticText(client, "StaticText1", QStringLiteral("Дневник:"), QPoint(8, 38));
    m_titleLabel = makeNameLabel(client, "dname", titleCaption, QPoint(64, 40), 228);
    const QLabel* ownerCaption = makeStaticText(client, "StaticText2", QStringLiteral("Владелец:"), QPoint(296, 38));
    m_ownerLabel = makeNameLabel(client, "mname", ownerCaption, QPoint(358, 40), 235);
}

void MainWindow::buildToolBar(QWidget* client)
{
    auto* bar = new QFrame(client);
    bar->setObjectName(QStringLiteral("CoolBar"));
    bar->setGeometry(0, 0, ClientWidth, CoolBarHeight);
    bar->setAutoFillBackground(true);
    bar->raise();
    buildEntryBand(bar);
    buildWordBand(bar);
    buildDateBand(bar);
    buildAllBand(bar);

    auto* anchors = new EdgeAnchors(client);
    anchors->add(bar, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge);
}

// The save buttons take the place of "Добавить" and "Изменить" while an entry is being written.
void MainWindow::buildEntryBand(QFrame* bar)
{
    QFrame* band = makeBand(bar, "Panel1", 0, 107);
    m_clearButton = makePictureButton(band, "Bclear", ToolPicture::Clear, QStringLiteral("Очистить"), 10);
    m_addButton = makePictureButton(band, "Badd", ToolPicture::Add, QStringLiteral("Добавить"), 34);
    m_saveNewButton = makePictureButton(band, "BSave1", ToolPicture::Save, QStringLiteral("Сохранить запись"), 34);
    m_saveNewButton->hide();
    m_changeButton = makePictureButton(band, "Bchange", ToolPicture::Change, QStringLiteral("Изменить"), 58);
    m_saveChangeButton =
        makePictureButton(band, "BSave2", ToolPicture::Save, QStringLiteral("Сохранить изменения"), 58);
    m_saveChangeButton->hide();
    m_deleteButton = makePictureButton(band, "Bdel", ToolPicture::Delete, QStringLiteral("Удалить"), 82);
}

void MainWindow::buildWordBand(QFrame* bar)
{
    QFrame* band = makeBand(bar, "Panel2", 107, 221, QStringLiteral("Поиск по слову"));
    m_wordField = makeField<QLineEdit>(band, "InWord", QRect(10, FieldTop, 150, FieldHeight));
    m_wordField->setAccessibleName(QStringLiteral("Слово для поиска"));
    m_searchButton = makePictureButton(band, "Search", ToolPicture::Search, QStringLiteral("Поиск"), 164);
    m_clearWordButton =
        makePictureButton(band, "ClearSearch", ToolPicture::ClearSearch, QStringLiteral("Стереть"), 190);
}

void MainWindow::buildDateBand(QFrame* bar)
{
    QFrame* band = makeBand(bar, "Panel3", 328, 213, QStringLiteral("Поиск по дате"));
    m_datePicker = makeField<DatePicker>(band, "DTPicker", QRect(10, FieldTop, 102, FieldHeight));
    m_datePicker->setCalendarPopup(true);
    m_datePicker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_datePicker->setAccessibleName(QStringLiteral("Дата для поиска"));
    m_dayButton = makePictureButton(band, "ToChNum", ToolPicture::GoToDate, QStringLiteral("К выбранному числу"), 115);
    m_todayButton = makeButton(band, "Today", QStringLiteral("Сегодняшнее число"), 140, 62);
    m_todayButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Without a picture only a raised frame shows that the date is a button.
    m_todayButton->setAutoRaise(false);
}

void MainWindow::buildAllBand(QFrame* bar)
{
    QFrame* band = makeBand(bar, "Panel5", 541, 54);
    m_allEntriesButton =
        makePictureButton(band, "AllRec", ToolPicture::AllEntries, QStringLiteral("Показать все записи"), 11, 32);
}

void MainWindow::buildTextAndList(QWidget* client)
{
    auto* panel = new QFrame(client);
    panel->setObjectName(QStringLiteral("Panel4"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(5, 56, 589, 305);

    m_textBox = new QPlainTextEdit(panel);
    m_textBox->setObjectName(QStringLiteral("mm"));
    m_textBox->setGeometry(4, 8, 449, 289);
    m_textBox->setReadOnly(true);
    m_textBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_textBox->setAccessibleName(QStringLiteral("Текст записи"));

    m_dateList = new DateListView(panel);
    m_dateList->setObjectName(QStringLiteral("LBdate"));
    m_dateList->setGeometry(456, 8, 129, 289);
    m_dateList->setModel(m_document.listModel());
    m_dateList->setAccessibleName(QStringLiteral("Записи по датам"));
    // The list is narrow: a condensed face, where there is one, keeps a date with its time in view.
    QFont listFont = m_dateList->font();
    listFont.setStretch(QFont::SemiCondensed);
    m_dateList->setFont(listFont);

    auto* clientAnchors = new EdgeAnchors(client);
    clientAnchors->add(panel, AllEdges);
    auto* panelAnchors = new EdgeAnchors(panel);
    panelAnchors->add(m_textBox, AllEdges);
    panelAnchors->add(m_dateList, Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
}

void MainWindow::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("SBar"));
    bar->setFixedHeight(StatusBarHeight);
    for (int i = 0; i < StatusPanelCount; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("SBarPanel%1").arg(i));
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addWidget(panel);
        if (i == 1)
            panel->setToolTip(QStringLiteral("Символы записи, как их хранит дневник: перевод строки считается за два"));
        m_statusPanels[std::size_t(i)] = panel;
    }
}

// The widths come from the window's outer width, frame included, and stay when it is resized later.
void MainWindow::sizeStatusPanels()
{
    const int outerWidth = frameGeometry().width();
    const int widths[StatusPanelCount] = {qRound(outerWidth * 0.45), qRound(outerWidth * 0.05),
                                          qRound(outerWidth * 0.25), LastStatusPanelWidth};
    for (int i = 0; i < StatusPanelCount; ++i) {
        m_statusPanelWidths[std::size_t(i)] = widths[i];
        m_statusPanels[std::size_t(i)]->setFixedWidth(widths[i]);
    }
    fitStatusPanels();
}

// The count's panel shows its whole text however long it grows, at the cost of the first panel. The message and
// the file name then share what the two panels have: each keeps what its text needs, and lends the rest to the
// other where that one's text is longer than its panel.
void MainWindow::fitStatusPanels()
{
    const auto needed = [](const QLabel* panel) {
        return panel->fontMetrics().horizontalAdvance(panel->text()) + 2 * panel->frameWidth() + 6;
    };
    const auto& widths = m_statusPanelWidths;
    const int countExtra = std::max(0, needed(m_statusPanels[1]) - widths[1]);
    m_statusPanels[1]->setFixedWidth(widths[1] + countExtra);
    const int message = std::max(0, widths[0] - countExtra);
    const int name = widths[2];
    // What a panel whose text needs `wanted` takes from its neighbour, which keeps what its own text needs.
    const auto lent = [](int wanted, int width, int otherWanted, int otherWidth) {
        return std::max(0, std::min(wanted - width, otherWidth - otherWanted));
    };
    const int toMessage = lent(needed(m_statusPanels[0]), message, needed(m_statusPanels[2]), name);
    const int toName = lent(needed(m_statusPanels[2]), name, needed(m_statusPanels[0]), message);
    m_statusPanels[0]->setFixedWidth(message + toMessage - toName);
    m_statusPanels[2]->setFixedWidth(name + toName - toMessage);
}

void MainWindow::setStatusText(int panel, const QString& text)
{
    if (panel < 0 || panel >= StatusPanelCount)
        return;
    m_statusPanels[std::size_t(panel)]->setText(text);
    if (panel != 3)
        fitStatusPanels();
}
