#include "mainwindow.h"

#include "dialogs/newdiarywindow.h"
#include "messagebox.h"
#include "protection/passwordprompt.h"
#include "settings/privateprofile.h"
#include "settings/settingsfile.h"
#include "settings/settingswindow.h"
#include "store/cp1251.h"
#include "store/datelist.h"
#include "store/diaryopen.h"
#include "store/search.h"
#include "store/stamp.h"
#include "toolpictures.h"

#include <QAction>
#include <QDate>
#include <QDateEdit>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>
#include <initializer_list>
#include <vector>

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

const QString StatusVersionLine = QStringLiteral("2.1.1");
const QString WaitingText = QStringLiteral(" Ожидание...");
const QString FoundText = QStringLiteral(" Найдено записей: ");
// The form in which shortDateText writes a date.
const QString ShortDateFormat = QStringLiteral("dd.MM.yyyy");

// Closes a handle that is open only while one step runs, however the step ends.
class ClosingGuard
{
public:
    explicit ClosingGuard(RecordFile& file) : m_file(file) {}
    ~ClosingGuard() { m_file.close(); }
    ClosingGuard(const ClosingGuard&) = delete;
    ClosingGuard& operator=(const ClosingGuard&) = delete;

private:
    RecordFile& m_file;
};

// Keeps children at the distances from their parent's edges that the design gave them, so that
// the parts anchored to opposite edges grow with the window and those anchored right move with it.
class EdgeAnchors : public QObject
{
public:
    // The parent must have its design size already.
    explicit EdgeAnchors(QWidget* parent) : QObject(parent), m_designSize(parent->size())
    {
        parent->installEventFilter(this);
    }

    void add(QWidget* child, Qt::Edges edges) { m_anchored.push_back({child, child->geometry(), edges}); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            follow(static_cast<QResizeEvent*>(event)->size());
        return QObject::eventFilter(watched, event);
    }

private:
    struct Anchored {
        QWidget* child;
        QRect design;
        Qt::Edges edges;
    };

    void follow(QSize size) const
    {
        const int dx = size.width() - m_designSize.width();
        const int dy = size.height() - m_designSize.height();
        for (const Anchored& a : m_anchored)
            a.child->setGeometry(stretched(a.design, a.edges, dx, dy));
    }

    static QRect stretched(QRect r, Qt::Edges edges, int dx, int dy)
    {
        if (edges & Qt::RightEdge) {
            if (edges & Qt::LeftEdge)
                r.setWidth(std::max(0, r.width() + dx));
            else
                r.translate(dx, 0);
        }
        if (edges & Qt::BottomEdge) {
            if (edges & Qt::TopEdge)
                r.setHeight(std::max(0, r.height() + dy));
            else
                r.translate(0, dy);
        }
        return r;
    }

    QSize m_designSize;
    std::vector<Anchored> m_anchored;
};

constexpr Qt::Edges AllEdges = Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge;

// Diary titles and names are shown as they are, never as markup.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QPoint at)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->move(at);
    return label;
}

QLabel* makeStaticText(QWidget* parent, const char* name, const QString& text, QPoint at)
{
    QLabel* label = makeLabel(parent, name, text, at);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setBackgroundRole(QPalette::Light);
    label->setAutoFillBackground(true);
    label->adjustSize();
    return label;
}

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
    return band;
}

template <class Field> Field* makeField(QWidget* band, const char* name, int x, int width)
{
    auto* field = new Field(band);
    field->setObjectName(QLatin1String(name));
    field->setGeometry(x, FieldTop, width, FieldHeight);
    return field;
}

// Tool-bar buttons act on the diary, never on the text being typed, so they take no focus.
QToolButton* makeButton(QWidget* band, const char* name, const QString& toolTip, int x, int width = ButtonSide)
{
    auto* button = new QToolButton(band);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(toolTip);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(true);
    button->setGeometry(x, ButtonTop, width, ButtonSide);
    return button;
}

QToolButton* makePictureButton(QWidget* band, const char* name, ToolPicture picture, const QString& toolTip, int x,
                               int width = ButtonSide)
{
    QToolButton* button = makeButton(band, name, toolTip, x, width);
    button->setIcon(toolPicture(picture));
    return button;
}

QAction* addItem(QMenu* menu, const char* name, const QString& text)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction* addSeparator(QMenu* menu, const char* name)
{
    QAction* action = menu->addSeparator();
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction* addCheckItem(QMenu* menu, const char* name, const QString& text, bool checked)
{
    QAction* action = addItem(menu, name, text);
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

QAction* addDisabledItem(QMenu* menu, const char* name, const QString& text)
{
    QAction* action = addItem(menu, name, text);
    action->setEnabled(false);
    return action;
}

} // namespace

TForm1::TForm1(const QString& programDir, QWidget* parent) : QMainWindow(parent), m_programDir(programDir)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quillnest (v 2.1.1)"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

    buildMenu();
    auto* client = new QWidget(this);
    client->resize(ClientWidth, ClientHeight - StatusBarHeight);
    buildLabels(client);
    buildCoolBar(client);
    buildPanel4(client);
    setCentralWidget(client);
    buildStatusBar();
    resize(ClientWidth, MainMenu1->sizeHint().height() + ClientHeight);
    placeOnScreen();

    FormCreate();
}

QString TForm1::settingsPath() const
{
    return settingsFilePath(m_programDir);
}

void TForm1::buildMenu()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = MainMenu1->addMenu(QStringLiteral("Файл"));
    N2 = addItem(file, "N2", QStringLiteral("Открыть"));
    N12 = addItem(file, "N12", QStringLiteral("Создать"));
    N14 = addItem(file, "N14", QStringLiteral("Закрыть"));
    N3 = addSeparator(file, "N3");
    N4 = addItem(file, "N4", QStringLiteral("Выход"));
    connect(N2, &QAction::triggered, this, &TForm1::N2Click);
    connect(N12, &QAction::triggered, this, &TForm1::N12Click);
    connect(N14, &QAction::triggered, this, &TForm1::N14Click);
    connect(N4, &QAction::triggered, this, &TForm1::BexitClick);

    QMenu* options = MainMenu1->addMenu(QStringLiteral("Опции"));
    N10 = addCheckItem(options, "N10", QStringLiteral("Редактирование"), false);
    N19 = addCheckItem(options, "N19", QStringLiteral("Поиск по дате"), true);
    N20 = addCheckItem(options, "N20", QStringLiteral("Поиск по слову"), true);
    N22 = addSeparator(options, "N22");
    N23 = addItem(options, "N23", QStringLiteral("Настройки"));
    // A check item's mark has already flipped when it is triggered: the handlers read it as it now is.
    connect(N10, &QAction::triggered, this, &TForm1::N10Click);
    connect(N19, &QAction::triggered, this, &TForm1::N19Click);
    connect(N20, &QAction::triggered, this, &TForm1::N20Click);
    connect(N23, &QAction::triggered, this, &TForm1::N23Click);

    QMenu* service = MainMenu1->addMenu(QStringLiteral("Сервис"));
    N13 = addDisabledItem(service, "N13", QStringLiteral("Статистика"));
    N25 = addItem(service, "N25", QStringLiteral("Экспорт записей"));
    N11 = addItem(service, "N11", QStringLiteral("Импорт записей"));
    N21 = addItem(service, "N21", QStringLiteral("Защита"));
    N24 = addItem(service, "N24", QStringLiteral("Сделать главным"));
    connect(N13, &QAction::triggered, this, &TForm1::N13Click);
    connect(N24, &QAction::triggered, this, &TForm1::N24Click);

    // There is no help file, so "Помощь" never becomes available.
    QMenu* help = MainMenu1->addMenu(QStringLiteral("Справка"));
    N26 = addDisabledItem(help, "N26", QStringLiteral("Помощь"));
    N7 = addItem(help, "N7", QStringLiteral("О дневнике"));
    N8 = addItem(help, "N8", QStringLiteral("О программе"));
    connect(N7, &QAction::triggered, this, &TForm1::N7Click);
}

// Ldate is made before the tool bar so that the bar covers it: it only records which entry is on
// view, for the program's own use.
void TForm1::buildLabels(QWidget* client)
{
    Ldate = makeLabel(client, "Ldate", QString(), QPoint(25, 8));
    Ldate->resize(150, 14);
    StaticText1 = makeStaticText(client, "StaticText1", QStringLiteral("Дневник:"), QPoint(8, 38));
    dname = makeNameLabel(client, "dname", StaticText1, QPoint(64, 40), 228);
    StaticText2 = makeStaticText(client, "StaticText2", QStringLiteral("Владелец:"), QPoint(296, 38));
    mname = makeNameLabel(client, "mname", StaticText2, QPoint(358, 40), 235);
}

void TForm1::buildCoolBar(QWidget* client)
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
void TForm1::buildEntryBand()
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
    connect(Bclear, &QToolButton::clicked, this, &TForm1::BclearClick);
    connect(Badd, &QToolButton::clicked, this, &TForm1::BaddClick);
    connect(BSave1, &QToolButton::clicked, this, &TForm1::Bsave1Click);
    connect(Bchange, &QToolButton::clicked, this, &TForm1::BchangeClick);
    connect(BSave2, &QToolButton::clicked, this, &TForm1::Bsave2Click);
    connect(Bdel, &QToolButton::clicked, this, &TForm1::BdelClick);
}

void TForm1::buildWordBand()
{
    Panel2 = makeBand(CoolBar, "Panel2", 107, 221, QStringLiteral("Поиск по слову"));
    InWord = makeField<QLineEdit>(Panel2, "InWord", 10, 150);
    Search = makePictureButton(Panel2, "Search", ToolPicture::Search, QStringLiteral("Поиск"), 164);
    ClearSearch = makePictureButton(Panel2, "ClearSearch", ToolPicture::ClearSearch, QStringLiteral("Стереть"), 190);
    connect(Search, &QToolButton::clicked, this, &TForm1::SearchClick);
    connect(ClearSearch, &QToolButton::clicked, this, &TForm1::ClearSearchClick);
}

void TForm1::buildDateBand()
{
    Panel3 = makeBand(CoolBar, "Panel3", 328, 213, QStringLiteral("Поиск по дате"));
    DTPicker = makeField<QDateEdit>(Panel3, "DTPicker", 10, 102);
    DTPicker->setCalendarPopup(false);
    DTPicker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    ToChNum = makePictureButton(Panel3, "ToChNum", ToolPicture::GoToDate, QStringLiteral("К выбранному числу"), 115);
    Today = makeButton(Panel3, "Today", QStringLiteral("Сегодняшнее число"), 140, 62);
    Today->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Without a picture only a raised frame shows that the date is a button.
    Today->setAutoRaise(false);
    connect(ToChNum, &QToolButton::clicked, this, &TForm1::ToChNumClick);
    connect(Today, &QToolButton::clicked, this, &TForm1::TodayClick);
}

void TForm1::buildAllBand()
{
    Panel5 = makeBand(CoolBar, "Panel5", 541, 54);
    AllRec =
        makePictureButton(Panel5, "AllRec", ToolPicture::AllEntries, QStringLiteral("Показать все записи"), 11, 32);
    connect(AllRec, &QToolButton::clicked, this, &TForm1::AllRecClick);
}

void TForm1::buildPanel4(QWidget* client)
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
    connect(mm, &QPlainTextEdit::textChanged, this, &TForm1::mmChange);

    // A diary may hold 65,535 entries; items of one height keep the list quick to fill and scroll.
    LBdate = new QListWidget(Panel4);
    LBdate->setObjectName(QStringLiteral("LBdate"));
    LBdate->setGeometry(456, 8, 129, 289);
    LBdate->setUniformItemSizes(true);
    // The list is narrow: a condensed face, where there is one, keeps a date with its time in view.
    LBdate->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont listFont = LBdate->font();
    listFont.setStretch(QFont::SemiCondensed);
    LBdate->setFont(listFont);
    connect(LBdate, &QListWidget::itemDoubleClicked, this, &TForm1::LBdateDblClick);

    auto* clientAnchors = new EdgeAnchors(client);
    clientAnchors->add(Panel4, AllEdges);
    auto* panelAnchors = new EdgeAnchors(Panel4);
    panelAnchors->add(mm, AllEdges);
    panelAnchors->add(LBdate, Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
}

void TForm1::buildStatusBar()
{
    SBar = statusBar();
    SBar->setObjectName(QStringLiteral("SBar"));
    SBar->setFixedHeight(StatusBarHeight);
}

void TForm1::placeOnScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm1::setStatusText(int panel, const QString& text)
{
    if (panel >= 0 && panel < StatusPanelCount && m_statusPanels[panel])
        m_statusPanels[panel]->setText(text);
}

QString TForm1::statusText(int panel) const
{
    if (panel >= 0 && panel < StatusPanelCount && m_statusPanels[panel])
        return m_statusPanels[panel]->text();
    return {};
}

QString TForm1::todayCaption()
{
    return QStringLiteral("Сегодня ") + shortDateText(QDate::currentDate());
}

void TForm1::setTakesInput(bool on)
{
    centralWidget()->setEnabled(on);
    MainMenu1->setEnabled(on);
}

bool TForm1::takesInput() const
{
    return centralWidget()->isEnabledTo(this) && MainMenu1->isEnabledTo(this);
}

void TForm1::enableDateSearch(bool on)
{
    for (QWidget* control : std::initializer_list<QWidget*>{DTPicker, ToChNum, Today})
        control->setEnabled(on);
}

void TForm1::enableWordSearch(bool on)
{
    for (QWidget* control : std::initializer_list<QWidget*>{InWord, Search, ClearSearch})
        control->setEnabled(on);
}

void TForm1::FormCreate()
{
    createStatusPanels();
    showToday();
    m_state.EntryKey = FixedKey;
    m_state.DiaryPath.clear();
    m_state.EditAllowed = false;
    readStartupSettings();
    if (!grantStartupAccess() || !loadStartupDiary())
        showNoDiaryState();
    N10->setChecked(m_state.OptEditing);
    N19->setChecked(m_state.OptByDate);
    N20->setChecked(m_state.OptByWord);
}

// The widths come from the window's width at start-up and stay when the window is resized later.
void TForm1::createStatusPanels()
{
    const int outerWidth = frameGeometry().width();
    const int widths[StatusPanelCount] = {qRound(outerWidth * 0.45), qRound(outerWidth * 0.05),
                                          qRound(outerWidth * 0.25), LastStatusPanelWidth};
    for (int i = 0; i < StatusPanelCount; ++i) {
        auto* panel = new QLabel(SBar);
        panel->setObjectName(QStringLiteral("SBarPanel%1").arg(i));
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setFixedWidth(widths[i]);
        SBar->addWidget(panel);
        m_statusPanels[i] = panel;
    }
    setStatusText(3, StatusVersionLine);
}

// No day after today can hold an entry, so the date picker stops there.
void TForm1::showToday()
{
    const QDate today = QDate::currentDate();
    DTPicker->setDate(today);
    Ldate->setText(todayCaption());
    DTPicker->setMaximumDate(today);
    Today->setText(shortDateText(today));
}

void TForm1::readStartupSettings()
{
    DiaryState& s = m_state;
    const PrivateProfile profile(settingsPath());
    const bool exists = profile.exists();
    const StartupOptions options = exists ? StartupOptions::read(profile) : StartupOptions();
    s.OptEditing = options.Editing;
    s.OptByWord = options.ByWord;
    s.OptByDate = options.ByDate;
    s.OptOpenLast = options.OpenLast;
    s.OptOpenFave = options.OpenFave;
    // Without a settings file the controls keep the state they were made with.
    if (!exists)
        return;
    s.EditAllowed = s.OptEditing;
    enableDateSearch(s.OptByDate);
    enableWordSearch(s.OptByWord);

    using namespace SettingsKeys;
    if (s.OptOpenLast)
        s.DiaryPath = profile.readString(Directory, LastDiary, NoFile).left(MaxPathLength);
    // Read second so that the main diary wins when both are asked for.
    if (s.OptOpenFave)
        s.DiaryPath = profile.readString(Directory, FaveDiary, NoFile).left(MaxPathLength);
    // Only a regular file: opening a folder or a pipe as a diary would fail or block.
    if (!QFileInfo(s.DiaryPath).isFile() || !s.DiaryPath.contains(QLatin1String(".qnb")))
        s.DiaryPath.clear();
}

// Start-up opens nothing it cannot read and says nothing about it: the user simply finds no
// diary open and can open one from the menu.
bool TForm1::grantStartupAccess()
{
    DiaryState& s = m_state;
    if (s.DiaryPath.isEmpty())
        return false;
    try {
        QByteArray key;
        if (!probeDiary(s.DiaryPath, s.HasPassword, key))
            return false;
        s.EntryKey = key;
        return true;
    } catch (const QuillnestError&) {
        return false;
    }
}

bool TForm1::loadStartupDiary()
{
    try {
        loadDiaryView();
    } catch (const QuillnestError&) {
        return false;
    }
    Bchange->setEnabled(false);
    Bdel->setEnabled(false);
    setStatusText(1, QStringLiteral("0"));
    setStatusText(0, WaitingText);
    return true;
}

void TForm1::loadDiaryView()
{
    DiaryState& s = m_state;
    s.DiaryFile.close();
    s.DiaryFile.open(s.DiaryPath);
    DiaryView view;
    try {
        view = readDiaryView(s.DiaryFile);
    } catch (...) {
        s.DiaryFile.close();
        throw;
    }
    showDiaryView(view);
}

void TForm1::showDiaryView(const DiaryView& view)
{
    DiaryState& s = m_state;
    const DiaryHeader& header = view.header;
    s.DiaryCreated = header.Created;
    dname->setText(header.Title.isEmpty() ? QStringLiteral("Один Из Многих") : fromCp1251(header.Title));
    mname->setText(header.Owner.isEmpty() ? QStringLiteral("Аноним") : fromCp1251(header.Owner));
    showDateList(view.items);
    setStatusText(2, QLatin1Char(' ') + QFileInfo(s.DiaryPath).fileName());
    s.setFullListMode();
}

void TForm1::showDateList(const QStringList& items)
{
    LBdate->clear();
    LBdate->addItems(items);
}

// Neither a diary nor its password is at hand, so nothing that works on one may be used.
void TForm1::showNoDiaryState()
{
    DiaryState& s = m_state;
    s.DiaryFile.close();
    s.EntryKey = FixedKey;
    s.DiaryPath.clear();
    s.HasPassword = false;
    for (QWidget* control : std::initializer_list<QWidget*>{Badd, Bchange, Bdel, Bclear, DTPicker, ToChNum, AllRec,
                                                            Today, InWord, Search, ClearSearch})
        control->setEnabled(false);
    for (QAction* item : {N10, N19, N20, N21, N25, N7, N24})
        item->setEnabled(false);
    setStatusText(0, QStringLiteral(" Нет открытых дневников"));
}

// The prompt names the diary by DiaryPath and answers in EntryKey. Both are the open diary's own again
// afterwards, whatever the answer, so that a refusal changes nothing.
bool TForm1::askPassword(const QString& path, QByteArray& key)
{
    DiaryState& s = m_state;
    const QString openPath = s.DiaryPath;
    const QByteArray openKey = s.EntryKey;
    s.DiaryPath = path;
    TPassDlg prompt(s, *this);
    const bool granted = prompt.exec() == TPassDlg::PasswordMatched;
    key = s.EntryKey;
    s.DiaryPath = openPath;
    s.EntryKey = openKey;
    return granted;
}

// Reads the header through ProbeFile and asks for the password when the header holds one. On access
// `key` is the key of the diary's entries.
bool TForm1::probeDiary(const QString& path, bool& hasPassword, QByteArray& key)
{
    DiaryState& s = m_state;
    const ClosingGuard closeProbe(s.ProbeFile);
    s.ProbeFile.open(path);
    s.ProbeFile.read(0, s.RecordBuffer);
    hasPassword = !DiaryHeader::fromRecord(s.RecordBuffer).Password.isEmpty();
    key = FixedKey;
    return !hasPassword || askPassword(path, key);
}

// The name the dialog holds afterwards is taken whatever the answer: after a cancel that is the name
// chosen last time, or none before the first choice.
QString TForm1::chooseDiaryFile()
{
    if (!OpenD) {
        OpenD = new QFileDialog(this);
        OpenD->setObjectName(QStringLiteral("OpenD"));
        OpenD->setOption(QFileDialog::DontUseNativeDialog);
        OpenD->setFileMode(QFileDialog::ExistingFile);
        OpenD->setAcceptMode(QFileDialog::AcceptOpen);
        OpenD->setNameFilter(QStringLiteral("Файл-дневник (*.qnb)"));
    }
    OpenD->setDirectory(m_programDir);
    if (OpenD->exec() == QDialog::Accepted)
        m_lastChosenDiary = OpenD->selectedFiles().value(0);
    return m_lastChosenDiary;
}

void TForm1::N2Click()
{
    const QString chosen = chooseDiaryFile().left(MaxPathLength);
    // The same file under another name (a link, another spelling) is still the open diary.
    if (m_state.diaryOpen() && isSameFile(m_state.DiaryPath, chosen)) {
        showMessage(this, QStringLiteral("Файл уже открыт"));
        return;
    }
    // A folder is no diary, and reading a pipe would never end.
    if (!QFileInfo(chosen).isFile()) {
        showMessage(this, QStringLiteral("Файл не найден"));
        return;
    }
    try {
        openDiary(chosen);
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
    }
}

// Everything that can fail happens before the window lets go of the diary it shows: a file that cannot
// be read, a refused password or an unwritable Settings.ini leave the open diary open and working.
void TForm1::openDiary(const QString& path)
{
    DiaryState& s = m_state;
    bool hasPassword = false;
    QByteArray key;
    if (!probeDiary(path, hasPassword, key))
        return;
    RecordFile candidate;
    candidate.open(path);
    const DiaryView view = readDiaryView(candidate);
    PrivateProfile(settingsPath()).writeString(SettingsKeys::Directory, SettingsKeys::LastDiary, path);
    s.DiaryFile.open(path);
    s.DiaryPath = path;
    s.HasPassword = hasPassword;
    s.EntryKey = key;
    showOpenedDiary(view);
}

// An entry being added or changed in the previous diary is dropped unsaved.
void TForm1::showOpenedDiary(const DiaryView& view)
{
    N13->setEnabled(false);
    endWriting();
    mm->setEnabled(true);
    mm->clear();
    enableDiaryCommands();
    Bclear->setEnabled(true);
    Badd->setEnabled(true);
    showNoEntry();
    setStatusText(1, QStringLiteral("0"));
    setStatusText(0, WaitingText);
    showDiaryView(view);
}

// Coming from no diary, the options and the search controls come back as their check marks say.
void TForm1::enableDiaryCommands()
{
    for (QAction* item : {N7, N21, N25, N24})
        item->setEnabled(true);
    if (N10->isEnabled())
        return;
    for (QAction* item : {N10, N19, N20})
        item->setEnabled(true);
    enableDateSearch(N19->isChecked());
    AllRec->setEnabled(N19->isChecked());
    enableWordSearch(N20->isChecked());
}

void TForm1::N12Click()
{
    if (!m_newDiaryWindow)
        return;
    setTakesInput(false);
    m_newDiaryWindow->show();
}

void TForm1::N14Click()
{
    closeDiary();
}

// Text typed but not saved goes with the diary: nothing may be written into a closed one.
void TForm1::closeDiary()
{
    DiaryState& s = m_state;
    for (QWidget* control : std::initializer_list<QWidget*>{Badd, Bchange, Bdel, Bclear, DTPicker, ToChNum, AllRec,
                                                            Today, InWord, Search, ClearSearch})
        control->setEnabled(false);
    for (QAction* item : {N10, N13, N19, N20, N21, N25, N7, N24})
        item->setEnabled(false);
    endWriting();
    LBdate->clear();
    mm->clear();
    mm->setEnabled(false);
    dname->clear();
    mname->clear();
    setStatusText(1, QString());
    setStatusText(2, QString());
    setStatusText(0, QStringLiteral(" Нет открытых дневников"));
    s.DiaryPath.clear();
    s.DiaryFile.close();
    s.ViewedRecord = 0;
}

void TForm1::BexitClick()
{
    close();
}

// Leaves adding or changing: the save buttons go, the list can be used again, the text is read-only.
void TForm1::endWriting()
{
    BSave1->hide();
    BSave2->hide();
    LBdate->setEnabled(true);
    mm->setReadOnly(true);
}

void TForm1::showNoEntry()
{
    Ldate->setText(todayCaption());
    Bchange->setEnabled(false);
    Bdel->setEnabled(false);
    m_state.ViewedRecord = 0;
}

QString TForm1::labelKey() const
{
    return Ldate->text().left(LabelKeyLength);
}

// The text as typed: toPlainText() would turn no-break spaces into plain ones.
QString TForm1::editorText() const
{
    QString text = mm->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

bool TForm1::focusDateList()
{
    if (!LBdate->isEnabled()) {
        showMessage(this, QStringLiteral("Cannot focus a disabled or invisible window"));
        return false;
    }
    LBdate->setFocus();
    return true;
}

// The record is read before anything changes, so a failed read leaves the entry that was on view.
void TForm1::LBdateDblClick()
{
    DiaryState& s = m_state;
    const QList<QListWidgetItem*> selected = LBdate->selectedItems();
    if (selected.isEmpty() || !s.DiaryFile.isOpen())
        return;
    const QListWidgetItem* item = selected.first();
    const std::int32_t record = recordOfListItem(s, LBdate->row(item));
    if (record < 1)
        return;
    QString text;
    try {
        text = readEntryText(s.DiaryFile, record, s.EntryKey, s.RecordBuffer);
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    mm->clear();
    if (s.EditAllowed) {
        Bchange->setEnabled(true);
        Bdel->setEnabled(true);
    }
    N13->setEnabled(true);
    setStatusText(0, QStringLiteral(" Просмотр"));
    Ldate->setText(item->text().left(LabelKeyLength));
    s.ViewedRecord = record;
    mm->setPlainText(text);
}

void TForm1::mmChange()
{
    setStatusText(1, QString::number(editorCharCount()));
}

void TForm1::BaddClick()
{
    LBdate->setEnabled(false);
    mm->setReadOnly(false);
    for (QWidget* button : {Bchange, Bdel, Badd})
        button->setEnabled(false);
    BSave1->show();
    mm->clear();
    N13->setEnabled(true);
    Ldate->setText(todayCaption());
    m_state.ViewedRecord = 0;
    setStatusText(0, QStringLiteral(" Добавление новой записи"));
    mm->setFocus();
}

// Text that cannot be stored whole is refused before anything changes, and the user stays in adding
// mode to correct it.
void TForm1::Bsave1Click()
{
    DiaryState& s = m_state;
    if (!s.DiaryFile.isOpen())
        return;
    try {
        const QByteArray text = entryFileBytes(editorText());
        if (!s.ListComplete)
            restoreFullList();
        const double stamp = currentStamp();
        appendEntry(s.DiaryFile, text, s.EntryKey, stamp, s.RecordBuffer);
        LBdate->addItem(stampText(stamp));
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    endWriting();
    Badd->setEnabled(true);
    setStatusText(0, QStringLiteral(" Новая запись успешно добавлена"));
}

// A new entry goes to the end of the file, so the list must show every entry for its item to follow.
void TForm1::restoreFullList()
{
    DiaryState& s = m_state;
    showDateList(dateListItems(s.DiaryFile));
    s.setFullListMode();
    showPickerToday();
}

void TForm1::BchangeClick()
{
    if (!m_state.DiaryFile.isOpen())
        return;
    for (QWidget* button : {Badd, Bdel, Bchange})
        button->setEnabled(false);
    BSave2->show();
    LBdate->setEnabled(false);
    mm->setReadOnly(false);
    mm->setFocus();
    setStatusText(0, QStringLiteral(" Изменение записи"));
}

// Only the record on view is rewritten, and only while its stamp still reads as the label says. A
// refused save keeps the changing mode, so the typed text is not lost.
void TForm1::Bsave2Click()
{
    DiaryState& s = m_state;
    if (!s.DiaryFile.isOpen())
        return;
    try {
        const QByteArray text = entryFileBytes(editorText());
        rewriteEntry(s.DiaryFile, s.ViewedRecord, labelKey(), text, s.EntryKey, s.RecordBuffer);
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    endWriting();
    Badd->setEnabled(true);
    if (s.EditAllowed) {
        Bdel->setEnabled(true);
        Bchange->setEnabled(true);
    }
    setStatusText(0, QStringLiteral(" Запись успешно изменена"));
}

// Exactly the record on view leaves the diary, whatever other entries share its time stamp. A failed
// deletion leaves the diary whole and open; only when its rebuilt file cannot be opened again is the
// diary closed (the file on disk is whole either way).
void TForm1::BdelClick()
{
    DiaryState& s = m_state;
    if (!focusDateList() || !s.DiaryFile.isOpen())
        return;
    try {
        deleteEntry(s.DiaryFile, s.ViewedRecord, labelKey());
    } catch (const DiaryReopenError& error) {
        closeDiary();
        showMessage(this, error.text());
        return;
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    setStatusText(0, QStringLiteral(" Запись успешно удалена из базы"));
    removeDeletedEntry();
    N13->setEnabled(false);
    showNoEntry();
    mm->clear();
}

// The list loses the item of the deleted record, if it shows one, and every other item still leads
// to its own entry.
void TForm1::removeDeletedEntry()
{
    const int row = forgetDeletedRecord(m_state, m_state.ViewedRecord, LBdate->count());
    if (row >= 0)
        delete LBdate->takeItem(row);
}

void TForm1::BclearClick()
{
    if (!m_state.diaryOpen())
        return;
    endWriting();
    LBdate->setFocus();
    mm->clear();
    Badd->setEnabled(true);
    N13->setEnabled(false);
    showNoEntry();
    setStatusText(1, QStringLiteral("0"));
    setStatusText(0, WaitingText);
}

// Counted as the diary file will hold the text, with CR LF line breaks.
qsizetype TForm1::editorCharCount() const
{
    return toFileLineBreaks(mm->toPlainText()).size();
}

bool TForm1::hasEntries() const
{
    return m_state.DiaryFile.isOpen() && m_state.DiaryFile.count() > 1;
}

// The phrase as the diary file would hold it. A character that Windows-1251 lacks cannot occur in
// any entry, so such a phrase becomes empty and finds nothing, instead of matching the '?' that
// would stand in for the character.
QByteArray TForm1::searchPhrase() const
{
    const QString phrase = InWord->text().left(SlotCapacity);
    return fitsCp1251(phrase) ? toCp1251(phrase) : QByteArray();
}

void TForm1::showFoundEntries(const std::vector<double>& stamps)
{
    QStringList items;
    items.reserve(qsizetype(stamps.size()));
    for (const double stamp : stamps)
        items.append(stampText(stamp));
    showDateList(items);
}

// The program may have been running since before midnight: the picker must still reach today.
void TForm1::showPickerToday()
{
    const QDate today = QDate::currentDate();
    DTPicker->setMaximumDate(today);
    DTPicker->setDate(today);
}

// The whole search runs before the list changes, so a failed read leaves the list and its mapping
// as they were.
void TForm1::SearchClick()
{
    DiaryState& s = m_state;
    if (!focusDateList())
        return;
    std::vector<std::uint16_t> found;
    std::vector<double> stamps;
    try {
        if (!hasEntries())
            return;
        found = findEntriesContaining(s.DiaryFile, searchPhrase(), s.EntryKey, &stamps);
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    showFoundEntries(stamps);
    const qsizetype count = qsizetype(found.size());
    s.setSearchListMode(std::move(found), true);
    setStatusText(0, FoundText + QString::number(count));
}

void TForm1::ClearSearchClick()
{
    InWord->clear();
    InWord->setFocus();
}

// Each item keeps the record number of its own entry, so that the entries of one day need not lie
// side by side in the file. Errors go to the caller.
void TForm1::ShowEntriesOfDate(const QString& dateText)
{
    DiaryState& s = m_state;
    std::vector<double> stamps;
    const QDate day = QDate::fromString(dateText, ShortDateFormat);
    std::vector<std::uint16_t> found = findEntriesOfDay(s.DiaryFile, day, &stamps);
    showFoundEntries(stamps);
    const qsizetype count = qsizetype(found.size());
    s.setSearchListMode(std::move(found), false);
    setStatusText(0, count > 0 ? dateText + FoundText + QString::number(count)
                               : dateText + QStringLiteral(" Записей нет!"));
}

void TForm1::TodayClick()
{
    if (!focusDateList())
        return;
    try {
        if (!hasEntries())
            return;
        ShowEntriesOfDate(shortDateText(QDate::currentDate()));
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    showPickerToday();
}

void TForm1::ToChNumClick()
{
    if (!focusDateList())
        return;
    try {
        if (hasEntries())
            ShowEntriesOfDate(shortDateText(DTPicker->date()));
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
    }
}

// The text box keeps what it shows, but no entry is on view any more: nothing can be changed or
// deleted until one is chosen again.
void TForm1::AllRecClick()
{
    DiaryState& s = m_state;
    if (!focusDateList() || !s.DiaryFile.isOpen())
        return;
    QStringList items;
    try {
        if (s.DiaryFile.count() == 0)
            return;
        items = dateListItems(s.DiaryFile);
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    showDateList(items);
    s.setFullListMode();
    setStatusText(0, QStringLiteral("Всего записей: ") + QString::number(items.size()));
    showNoEntry();
    showPickerToday();
}

void TForm1::N19Click()
{
    enableDateSearch(N19->isChecked());
}

void TForm1::N20Click()
{
    enableWordSearch(N20->isChecked());
}

void TForm1::N7Click()
{
    if (!m_state.diaryOpen())
        return;
    QString text;
    try {
        text = diaryInformation();
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    showMessage(this, text);
}

// The creation time of day is shown as hour and minute without leading zeros.
QString TForm1::diaryInformation() const
{
    const DiaryState& s = m_state;
    const qint64 entries = std::max<qint64>(s.DiaryFile.count() - 1, 0);
    const QDateTime created = stampToDateTime(s.DiaryCreated);
    const QString hour = created.isValid() ? QString::number(created.time().hour()) : QStringLiteral("?");
    const QString minute = created.isValid() ? QString::number(created.time().minute()) : QStringLiteral("?");
    return QStringLiteral("Файл: ") + QFileInfo(s.DiaryPath).fileName() + QLatin1Char('\r') +
           QStringLiteral("Количество записей в дневнике: ") + QString::number(entries) + QLatin1Char('\r') +
           QStringLiteral("Создан: ") + shortDateText(created.date()) + QStringLiteral(" (") + hour +
           QStringLiteral("ч ") + minute + QStringLiteral("мин)");
}

void TForm1::N13Click()
{
    showMessage(this, QStringLiteral("Количество символов данной записи: ") + QString::number(editorCharCount()));
}

void TForm1::N24Click()
{
    if (!m_state.diaryOpen())
        return;
    try {
        PrivateProfile(settingsPath()).writeString(SettingsKeys::Directory, SettingsKeys::FaveDiary, m_state.DiaryPath);
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
    }
}

void TForm1::N10Click()
{
    m_state.EditAllowed = N10->isChecked();
    updateEntryButtons();
}

// "Изменить" and "Удалить" follow the editing mode and the entry on view; while an entry is being
// written they stay disabled, so that it cannot be deleted or changed twice over.
void TForm1::updateEntryButtons()
{
    const DiaryState& s = m_state;
    const bool writing = !BSave1->isHidden() || !BSave2->isHidden();
    const bool allowed = s.diaryOpen() && s.ViewedRecord != 0 && !writing && s.EditAllowed;
    Bchange->setEnabled(allowed);
    Bdel->setEnabled(allowed);
}

// The settings window gives the main window its input back when it closes, however it closes.
void TForm1::N23Click()
{
    if (!m_settingsWindow)
        return;
    setTakesInput(false);
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}
