#include "mainwindowlayout.h"

#include "datelistview.h"
#include "toolpictures.h"
#include "widgets/controls.h"

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

void Form1Layout::setupLayout(QMainWindow* window, QAbstractItemModel* dates)
{
    window->setFont(dialogFont());
    buildMenu(window);
    auto* client = new QWidget(window);
    client->resize(ClientWidth, ClientHeight - StatusBarHeight);
    buildLabels(client);
    buildCoolBar(client);
    buildPanel4(client, dates);
    window->setCentralWidget(client);
    buildStatusBar(window);
    createStatusPanels();
    window->resize(ClientWidth, MainMenu1->sizeHint().height() + ClientHeight);
    centreOnScreen(window, window->size());
    sizeStatusPanels(window);
}

void Form1Layout::buildMenu(QMainWindow* window)
{
    MainMenu1 = window->menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = MainMenu1->addMenu(QStringLiteral("Файл"));
    N2 = addItem(file, "N2", QStringLiteral("Открыть"));
    N12 = addItem(file, "N12", QStringLiteral("Создать"));
    N14 = addItem(file, "N14", QStringLiteral("Закрыть"));
    N3 = addSeparator(file, "N3");
    N4 = addItem(file, "N4", QStringLiteral("Выход"));

    QMenu* options = MainMenu1->addMenu(QStringLiteral("Опции"));
    N10 = addCheckItem(options, "N10", QStringLiteral("Редактирование"), false);
    N19 = addCheckItem(options, "N19", QStringLiteral("Поиск по дате"), true);
    N20 = addCheckItem(options, "N20", QStringLiteral("Поиск по слову"), true);
    N22 = addSeparator(options, "N22");
    N23 = addItem(options, "N23", QStringLiteral("Настройки"));

    QMenu* service = MainMenu1->addMenu(QStringLiteral("Сервис"));
    N13 = addDisabledItem(service, "N13", QStringLiteral("Статистика"));
    N25 = addItem(service, "N25", QStringLiteral("Экспорт записей"));
    N11 = addItem(service, "N11", QStringLiteral("Импорт записей"));
    N21 = addItem(service, "N21", QStringLiteral("Защита"));
    N24 = addItem(service, "N24", QStringLiteral("Сделать главным"));

    // There is no help file, so "Помощь" never becomes available.
    QMenu* help = MainMenu1->addMenu(QStringLiteral("Справка"));
    N26 = addDisabledItem(help, "N26", QStringLiteral("Помощь"));
    N7 = addItem(help, "N7", QStringLiteral("О дневнике"));
    N8 = addItem(help, "N8", QStringLiteral("О программе"));
}

// Ldate is made before the tool bar so that the bar covers it: it only records which entry is on
// view, for the program's own use.
void Form1Layout::buildLabels(QWidget* client)
{
    Ldate = makeLabel(client, "Ldate", QString(), QPoint(25, 8));
    Ldate->resize(150, 14);
    StaticText1 = makeStaticText(client, "StaticText1", QStringLiteral("Дневник:"), QPoint(8, 38));
    dname = makeNameLabel(client, "dname", StaticText1, QPoint(64, 40), 228);
    StaticText2 = makeStaticText(client, "StaticText2", QStringLiteral("Владелец:"), QPoint(296, 38));
    mname = makeNameLabel(client, "mname", StaticText2, QPoint(358, 40), 235);
}

void Form1Layout::buildCoolBar(QWidget* client)
{
    CoolBar = new QFrame(client);
    CoolBar->setObjectName(QStringLiteral("CoolBar"));
    CoolBar->setGeometry(0, 0, ClientWidth, CoolBarHeight);
    CoolBar->setAutoFillBackground(true);
    CoolBar->raise();
    buildEntryBand();
    buildWordBand();
    buildDateBand();
    buildAllBand();

    auto* anchors = new EdgeAnchors(client);
    anchors->add(CoolBar, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge);
}

// The save buttons take the place of "Добавить" and "Изменить" while an entry is being written.
void Form1Layout::buildEntryBand()
{
    Panel1 = makeBand(CoolBar, "Panel1", 0, 107);
    Bclear = makePictureButton(Panel1, "Bclear", ToolPicture::Clear, QStringLiteral("Очистить"), 10);
    Badd = makePictureButton(Panel1, "Badd", ToolPicture::Add, QStringLiteral("Добавить"), 34);
    BSave1 = makePictureButton(Panel1, "BSave1", ToolPicture::Save, QStringLiteral("Сохранить запись"), 34);
    BSave1->hide();
    Bchange = makePictureButton(Panel1, "Bchange", ToolPicture::Change, QStringLiteral("Изменить"), 58);
    BSave2 = makePictureButton(Panel1, "BSave2", ToolPicture::Save, QStringLiteral("Сохранить изменения"), 58);
    BSave2->hide();
    Bdel = makePictureButton(Panel1, "Bdel", ToolPicture::Delete, QStringLiteral("Удалить"), 82);
}

void Form1Layout::buildWordBand()
{
    Panel2 = makeBand(CoolBar, "Panel2", 107, 221, QStringLiteral("Поиск по слову"));
    InWord = makeField<QLineEdit>(Panel2, "InWord", QRect(10, FieldTop, 150, FieldHeight));
    InWord->setAccessibleName(QStringLiteral("Слово для поиска"));
    Search = makePictureButton(Panel2, "Search", ToolPicture::Search, QStringLiteral("Поиск"), 164);
    ClearSearch = makePictureButton(Panel2, "ClearSearch", ToolPicture::ClearSearch, QStringLiteral("Стереть"), 190);
}

void Form1Layout::buildDateBand()
{
    Panel3 = makeBand(CoolBar, "Panel3", 328, 213, QStringLiteral("Поиск по дате"));
    DTPicker = makeField<QDateEdit>(Panel3, "DTPicker", QRect(10, FieldTop, 102, FieldHeight));
    DTPicker->setCalendarPopup(false);
    DTPicker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DTPicker->setAccessibleName(QStringLiteral("Дата для поиска"));
    ToChNum = makePictureButton(Panel3, "ToChNum", ToolPicture::GoToDate, QStringLiteral("К выбранному числу"), 115);
    Today = makeButton(Panel3, "Today", QStringLiteral("Сегодняшнее число"), 140, 62);
    Today->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Without a picture only a raised frame shows that the date is a button.
    Today->setAutoRaise(false);
}

void Form1Layout::buildAllBand()
{
    Panel5 = makeBand(CoolBar, "Panel5", 541, 54);
    AllRec =
        makePictureButton(Panel5, "AllRec", ToolPicture::AllEntries, QStringLiteral("Показать все записи"), 11, 32);
}

void Form1Layout::buildPanel4(QWidget* client, QAbstractItemModel* dates)
{
    Panel4 = new QFrame(client);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel4->setGeometry(5, 56, 589, 305);

    mm = new QPlainTextEdit(Panel4);
    mm->setObjectName(QStringLiteral("mm"));
    mm->setGeometry(4, 8, 449, 289);
    mm->setReadOnly(true);
    mm->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mm->setAccessibleName(QStringLiteral("Текст записи"));

    LBdate = new DateListView(Panel4);
    LBdate->setObjectName(QStringLiteral("LBdate"));
    LBdate->setGeometry(456, 8, 129, 289);
    LBdate->setModel(dates);
    LBdate->setAccessibleName(QStringLiteral("Записи по датам"));
    // The list is narrow: a condensed face, where there is one, keeps a date with its time in view.
    QFont listFont = LBdate->font();
    listFont.setStretch(QFont::SemiCondensed);
    LBdate->setFont(listFont);

    auto* clientAnchors = new EdgeAnchors(client);
    clientAnchors->add(Panel4, AllEdges);
    auto* panelAnchors = new EdgeAnchors(Panel4);
    panelAnchors->add(mm, AllEdges);
    panelAnchors->add(LBdate, Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
}

void Form1Layout::buildStatusBar(QMainWindow* window)
{
    SBar = window->statusBar();
    SBar->setObjectName(QStringLiteral("SBar"));
    SBar->setFixedHeight(StatusBarHeight);
}

void Form1Layout::createStatusPanels()
{
    for (int i = 0; i < StatusPanelCount; ++i) {
        auto* panel = new QLabel(SBar);
        panel->setObjectName(QStringLiteral("SBarPanel%1").arg(i));
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        SBar->addWidget(panel);
        m_statusPanels[i] = panel;
    }
}

// The widths come from the window's outer width, frame included, and stay when it is resized later.
void Form1Layout::sizeStatusPanels(const QWidget* window)
{
    const int outerWidth = window->frameGeometry().width();
    const int widths[StatusPanelCount] = {qRound(outerWidth * 0.45), qRound(outerWidth * 0.05),
                                          qRound(outerWidth * 0.25), LastStatusPanelWidth};
    for (int i = 0; i < StatusPanelCount; ++i)
        m_statusPanels[i]->setFixedWidth(widths[i]);
}

void Form1Layout::setStatusText(int panel, const QString& text)
{
    if (panel >= 0 && panel < StatusPanelCount && m_statusPanels[panel])
        m_statusPanels[panel]->setText(text);
}

QString Form1Layout::statusText(int panel) const
{
    if (panel >= 0 && panel < StatusPanelCount && m_statusPanels[panel])
        return m_statusPanels[panel]->text();
    return {};
}
