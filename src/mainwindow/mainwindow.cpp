#include "mainwindow.h"

#include "datelistview.h"
#include "dialogs/controls.h"
#include "dialogs/messagebox.h"
#include "dialogs/secondarywindow.h"
#include "protection/passwordprompt.h"
#include "protection/passwordwindow.h"
#include "settings/privateprofile.h"
#include "settings/settingsfile.h"
#include "settings/settingswindow.h"
#include "store/datelistmodel.h"
#include "store/diaryopen.h"
#include "store/error.h"
#include "store/stamp.h"
#include "toolpictures.h"
#include "version.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextDocument>
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

const QString WaitingText = QStringLiteral(" Ожидание...");
const QString NoDiaryText = QStringLiteral(" Нет открытых дневников");
const QString FoundText = QStringLiteral(" Найдено записей: ");

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

QToolButton* makeButton(QWidget* band, const char* name, const QString& toolTip, int x, int width = ButtonSide)
{
    return makeToolButton(band, name, toolTip, QRect(x, ButtonTop, width, ButtonSide));
}

QToolButton* makePictureButton(QWidget* band, const char* name, ToolPicture picture, const QString& toolTip, int x,
                               int width = ButtonSide)
{
    QToolButton* button = makeButton(band, name, toolTip, x, width);
    button->setIcon(toolPicture(picture));
    return button;
}

} // namespace

// Every handler ends with the controls brought in line with what it did.
template <class Sender, class Signal> void TForm1::route(Sender* sender, Signal signal, void (TForm1::*handler)())
{
    connect(sender, signal, this, [this, handler] {
        (this->*handler)();
        updateControls();
    });
}

TForm1::TForm1(const QString& programDir, QWidget* parent) : QMainWindow(parent), m_programDir(programDir)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quillnest (v ") + QLatin1String(QuillnestVersion) + QLatin1Char(')'));
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
    centreOnScreen(this, size());

    connect(&m_document, &DiaryDocument::opened, this, &TForm1::showOpenedDiary);
    connect(&m_document, &DiaryDocument::closed, this, &TForm1::showClosedDiary);
    connect(&m_document, &DiaryDocument::reloaded, this, &TForm1::showHeading);
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
    route(N2, &QAction::triggered, &TForm1::N2Click);
    route(N12, &QAction::triggered, &TForm1::N12Click);
    route(N14, &QAction::triggered, &TForm1::N14Click);
    route(N4, &QAction::triggered, &TForm1::BexitClick);

    QMenu* options = MainMenu1->addMenu(QStringLiteral("Опции"));
    N10 = addCheckItem(options, "N10", QStringLiteral("Редактирование"), false);
    N19 = addCheckItem(options, "N19", QStringLiteral("Поиск по дате"), true);
    N20 = addCheckItem(options, "N20", QStringLiteral("Поиск по слову"), true);
    N22 = addSeparator(options, "N22");
    N23 = addItem(options, "N23", QStringLiteral("Настройки"));
    // A check item's mark has already flipped when it is triggered: the handlers read it as it now is.
    route(N10, &QAction::triggered, &TForm1::N10Click);
    route(N19, &QAction::triggered, &TForm1::N19Click);
    route(N20, &QAction::triggered, &TForm1::N20Click);
    route(N23, &QAction::triggered, &TForm1::N23Click);

    QMenu* service = MainMenu1->addMenu(QStringLiteral("Сервис"));
    N13 = addDisabledItem(service, "N13", QStringLiteral("Статистика"));
    N25 = addItem(service, "N25", QStringLiteral("Экспорт записей"));
    N11 = addItem(service, "N11", QStringLiteral("Импорт записей"));
    N21 = addItem(service, "N21", QStringLiteral("Защита"));
    N24 = addItem(service, "N24", QStringLiteral("Сделать главным"));
    route(N13, &QAction::triggered, &TForm1::N13Click);
    route(N25, &QAction::triggered, &TForm1::N25Click);
    route(N11, &QAction::triggered, &TForm1::N11Click);
    route(N21, &QAction::triggered, &TForm1::N21Click);
    route(N24, &QAction::triggered, &TForm1::N24Click);

    // There is no help file, so "Помощь" never becomes available.
    QMenu* help = MainMenu1->addMenu(QStringLiteral("Справка"));
    N26 = addDisabledItem(help, "N26", QStringLiteral("Помощь"));
    N7 = addItem(help, "N7", QStringLiteral("О дневнике"));
    N8 = addItem(help, "N8", QStringLiteral("О программе"));
    route(N7, &QAction::triggered, &TForm1::N7Click);
    route(N8, &QAction::triggered, &TForm1::N8Click);
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
    route(Bclear, &QToolButton::clicked, &TForm1::BclearClick);
    route(Badd, &QToolButton::clicked, &TForm1::BaddClick);
    route(BSave1, &QToolButton::clicked, &TForm1::Bsave1Click);
    route(Bchange, &QToolButton::clicked, &TForm1::BchangeClick);
    route(BSave2, &QToolButton::clicked, &TForm1::Bsave2Click);
    route(Bdel, &QToolButton::clicked, &TForm1::BdelClick);
}

void TForm1::buildWordBand()
{
    Panel2 = makeBand(CoolBar, "Panel2", 107, 221, QStringLiteral("Поиск по слову"));
    InWord = makeField<QLineEdit>(Panel2, "InWord", QRect(10, FieldTop, 150, FieldHeight));
    Search = makePictureButton(Panel2, "Search", ToolPicture::Search, QStringLiteral("Поиск"), 164);
    ClearSearch = makePictureButton(Panel2, "ClearSearch", ToolPicture::ClearSearch, QStringLiteral("Стереть"), 190);
    route(Search, &QToolButton::clicked, &TForm1::SearchClick);
    route(ClearSearch, &QToolButton::clicked, &TForm1::ClearSearchClick);
}

void TForm1::buildDateBand()
{
    Panel3 = makeBand(CoolBar, "Panel3", 328, 213, QStringLiteral("Поиск по дате"));
    DTPicker = makeField<QDateEdit>(Panel3, "DTPicker", QRect(10, FieldTop, 102, FieldHeight));
    DTPicker->setCalendarPopup(false);
    DTPicker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    ToChNum = makePictureButton(Panel3, "ToChNum", ToolPicture::GoToDate, QStringLiteral("К выбранному числу"), 115);
    Today = makeButton(Panel3, "Today", QStringLiteral("Сегодняшнее число"), 140, 62);
    Today->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Without a picture only a raised frame shows that the date is a button.
    Today->setAutoRaise(false);
    route(ToChNum, &QToolButton::clicked, &TForm1::ToChNumClick);
    route(Today, &QToolButton::clicked, &TForm1::TodayClick);
}

void TForm1::buildAllBand()
{
    Panel5 = makeBand(CoolBar, "Panel5", 541, 54);
    AllRec =
        makePictureButton(Panel5, "AllRec", ToolPicture::AllEntries, QStringLiteral("Показать все записи"), 11, 32);
    route(AllRec, &QToolButton::clicked, &TForm1::AllRecClick);
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

    LBdate = new DateListView(Panel4);
    LBdate->setObjectName(QStringLiteral("LBdate"));
    LBdate->setGeometry(456, 8, 129, 289);
    LBdate->setModel(m_document.listModel());
    // The list is narrow: a condensed face, where there is one, keeps a date with its time in view.
    QFont listFont = LBdate->font();
    listFont.setStretch(QFont::SemiCondensed);
    LBdate->setFont(listFont);
    route(LBdate, &QAbstractItemView::doubleClicked, &TForm1::LBdateDblClick);
    LBdate->viewport()->installEventFilter(this);

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

bool TForm1::takesInput() const
{
    return QApplication::activeModalWidget() == nullptr;
}

// However a secondary window closes, the main window was waiting for it only and takes the input back.
SecondaryWindow* TForm1::standingOver(SecondaryWindow* window)
{
    connect(window, &SecondaryWindow::closed, this, &QWidget::activateWindow);
    return window;
}

void TForm1::setNewDiaryWindow(SecondaryWindow* window)
{
    m_newDiaryWindow = standingOver(window);
}

void TForm1::setExportWindow(SecondaryWindow* window)
{
    m_exportWindow = standingOver(window);
}

void TForm1::setImportWindow(SecondaryWindow* window)
{
    m_importWindow = standingOver(window);
}

void TForm1::setAboutWindow(SecondaryWindow* window)
{
    m_aboutWindow = standingOver(window);
}

void TForm1::setSettingsWindow(TForm4* window)
{
    m_settingsWindow = window;
    standingOver(window);
    connect(window, &TForm4::accepted, this, &TForm1::applySettings);
}

bool TForm1::attempt(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const NotDurableError& error) {
        updateControls();
        showMessage(this, error.text());
    } catch (const QuillnestError& error) {
        updateControls();
        showMessage(this, error.text());
        return false;
    }
    return true;
}

// "Изменить" and "Удалить" need an entry on view and the editing mode; while an entry is being written
// they stay disabled, so that it cannot be deleted or changed twice over.
void TForm1::updateControls()
{
    const DiaryView& diary = m_document.view();
    const bool open = diary.isOpen();
    const bool viewing = m_mode == Mode::Viewing;
    const bool changeable = open && viewing && diary.viewedRecord() != 0 && diary.editAllowed();
    Bclear->setEnabled(open);
    Badd->setEnabled(open && viewing);
    enable({Bchange, Bdel}, changeable);
    BSave1->setVisible(open && m_mode == Mode::Adding);
    BSave2->setVisible(open && m_mode == Mode::Changing);
    LBdate->setEnabled(viewing);
    mm->setReadOnly(viewing);
    mm->setEnabled(open || !m_diaryClosed);
    enable({N10, N19, N20, N21, N25, N7, N24}, open);
    N13->setEnabled(open && m_textShown);
    enable({DTPicker, ToChNum, Today}, open && N19->isChecked());
    enable({InWord, Search, ClearSearch}, open && N20->isChecked());
    AllRec->setEnabled(open && m_allEntriesAllowed);
}

void TForm1::FormCreate()
{
    createStatusPanels();
    showToday();
    const PrivateProfile profile(settingsPath());
    const StartupOptions options = StartupOptions::read(profile);
    N10->setChecked(options.Editing);
    N19->setChecked(options.ByDate);
    N20->setChecked(options.ByWord);
    m_document.setEditAllowed(options.Editing);
    if (!openStartupDiary(options.startupDiary(profile).left(MaxPathLength)))
        setStatusText(0, NoDiaryText);
    updateControls();
}

// Start-up opens nothing it cannot read and says nothing about it: the user simply finds no diary
// open and can open one from the menu. Only a regular file: opening a folder or a pipe as a diary
// would fail or block.
bool TForm1::openStartupDiary(const QString& path)
{
    if (!QFileInfo(path).isFile() || !path.contains(QLatin1String(".qnb")))
        return false;
    try {
        return m_document.open(path, passwordAsker());
    } catch (const QuillnestError&) {
        return false;
    }
}

PasswordAsker TForm1::passwordAsker()
{
    return [this](const QString& path, const RecordFile& probe) { return TPassDlg::ask(path, probe, this); };
}

void TForm1::createStatusPanels()
{
    for (int i = 0; i < StatusPanelCount; ++i) {
        auto* panel = new QLabel(SBar);
        panel->setObjectName(QStringLiteral("SBarPanel%1").arg(i));
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        SBar->addWidget(panel);
        m_statusPanels[i] = panel;
    }
    sizeStatusPanels();
    setStatusText(3, QLatin1String(QuillnestVersion));
}

// The widths come from the window's outer width, frame included, and stay when it is resized later.
void TForm1::sizeStatusPanels()
{
    const int outerWidth = frameGeometry().width();
    const int widths[StatusPanelCount] = {qRound(outerWidth * 0.45), qRound(outerWidth * 0.05),
                                          qRound(outerWidth * 0.25), LastStatusPanelWidth};
    for (int i = 0; i < StatusPanelCount; ++i)
        m_statusPanels[i]->setFixedWidth(widths[i]);
}

// The frame is known only once the window is shown.
void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_statusPanelsSized) {
        m_statusPanelsSized = true;
        sizeStatusPanels();
    }
}

// A double click beside the rows shows the selected entry, as one on it does.
bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LBdate->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* click = static_cast<QMouseEvent*>(event);
        if (click->button() == Qt::LeftButton && !LBdate->indexAt(click->position().toPoint()).isValid()) {
            LBdateDblClick();
            updateControls();
        }
    }
    return QMainWindow::eventFilter(watched, event);
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

// An entry being added or changed in the previous diary is dropped unsaved.
void TForm1::showOpenedDiary()
{
    m_mode = Mode::Viewing;
    m_textShown = false;
    m_diaryClosed = false;
    mm->clear();
    showNoEntry();
    setStatusText(1, QStringLiteral("0"));
    setStatusText(0, WaitingText);
    showHeading();
    if (const QString notice = m_document.unlistedEntriesNotice(); !notice.isEmpty())
        showMessage(this, notice);
}

// Text typed but not saved goes with the diary: nothing may be written into a closed one. The date
// label keeps its text.
void TForm1::showClosedDiary()
{
    m_mode = Mode::Viewing;
    m_textShown = false;
    m_diaryClosed = true;
    mm->clear();
    dname->clear();
    mname->clear();
    setStatusText(1, QString());
    setStatusText(2, QString());
    setStatusText(0, NoDiaryText);
    updateControls();
}

void TForm1::showHeading()
{
    const QString& title = m_document.view().title();
    const QString& owner = m_document.view().owner();
    dname->setText(title.isEmpty() ? QStringLiteral("Один Из Многих") : title);
    mname->setText(owner.isEmpty() ? QStringLiteral("Аноним") : owner);
    setStatusText(2, QLatin1Char(' ') + QFileInfo(m_document.view().path()).fileName());
    updateControls();
}

void TForm1::showNoEntry()
{
    Ldate->setText(todayCaption());
    m_document.forgetViewedEntry();
}

// The program may have been running since before midnight: the picker must still reach today.
void TForm1::showPickerToday()
{
    const QDate today = QDate::currentDate();
    DTPicker->setMaximumDate(today);
    DTPicker->setDate(today);
}

// The text as typed: toPlainText() would turn no-break spaces into plain ones.
QString TForm1::editorText() const
{
    QString text = mm->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

// Search and deletion work on the date list and begin by giving it the focus. While an entry is being
// written the list is disabled: the user is told so and false is returned.
bool TForm1::focusDateList()
{
    if (!LBdate->isEnabled()) {
        showMessage(this, QStringLiteral("Cannot focus a disabled or invisible window"));
        return false;
    }
    LBdate->setFocus();
    return true;
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
    openChosen(chooseDiaryFile().left(MaxPathLength));
}

void TForm1::openChosen(const QString& chosen)
{
    // The same file under another name (a link, another spelling) is still the open diary.
    if (m_document.isOpen() && isSameFile(m_document.view().path(), chosen)) {
        showMessage(this, QStringLiteral("Файл уже открыт"));
        return;
    }
    // A folder is no diary, and reading a pipe would never end.
    if (!QFileInfo(chosen).isFile()) {
        showMessage(this, QStringLiteral("Файл не найден"));
        return;
    }
    attempt([&] { openDiary(chosen); });
    updateControls();
}

// Everything that can fail happens before the document lets go of the diary it holds: a file that
// cannot be read, a refused password or an unwritable Settings.ini leave the open diary open and working.
void TForm1::openDiary(const QString& path)
{
    std::optional<PreparedDiary> diary = m_document.prepare(path, passwordAsker());
    if (!diary)
        return;
    PrivateProfile(settingsPath()).writeString(SettingsKeys::Directory, SettingsKeys::LastDiary, path);
    if (!m_document.isOpen())
        m_allEntriesAllowed = N19->isChecked();
    m_document.adopt(std::move(*diary));
}

void TForm1::showSecondaryWindow(SecondaryWindow* window)
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

void TForm1::N12Click()
{
    showSecondaryWindow(m_newDiaryWindow);
}

void TForm1::N23Click()
{
    showSecondaryWindow(m_settingsWindow);
}

void TForm1::N25Click()
{
    if (m_document.isOpen())
        showSecondaryWindow(m_exportWindow);
}

void TForm1::N8Click()
{
    showSecondaryWindow(m_aboutWindow);
}

// Also with no diary open: old entries can go into a new diary.
void TForm1::N11Click()
{
    showSecondaryWindow(m_importWindow);
}

// A new window every time: its fields start empty and its mode follows the diary's password.
void TForm1::N21Click()
{
    if (m_document.isOpen())
        showSecondaryWindow(standingOver(new TForm5(m_document, this)));
}

// Also with no diary open: the text box is then disabled, as after closing one.
void TForm1::N14Click()
{
    m_document.close();
}

void TForm1::BexitClick()
{
    close();
}

// The record is read before anything changes, so a failed read leaves the entry that was on view.
void TForm1::LBdateDblClick()
{
    const QModelIndexList selected = LBdate->selectionModel()->selectedIndexes();
    if (selected.isEmpty() || !m_document.isOpen())
        return;
    std::optional<QString> text;
    if (!attempt([&] { text = m_document.viewEntry(selected.first().row()); }) || !text)
        return;
    mm->clear();
    m_textShown = true;
    setStatusText(0, QStringLiteral(" Просмотр"));
    Ldate->setText(m_document.view().viewedLabel());
    mm->setPlainText(*text);
}

// Counted as the diary file will hold the text, with CR LF line breaks.
void TForm1::mmChange()
{
    setStatusText(1, QString::number(m_document.characterCount(editorText())));
}

void TForm1::BaddClick()
{
    if (!m_document.isOpen())
        return;
    m_mode = Mode::Adding;
    mm->clear();
    m_textShown = true;
    showNoEntry();
    setStatusText(0, QStringLiteral(" Добавление новой записи"));
    mm->setFocus();
}

// Text that cannot be stored whole is refused before anything changes, and the user stays in adding
// mode to correct it.
void TForm1::Bsave1Click()
{
    if (m_mode != Mode::Adding)
        return;
    const bool listComplete = m_document.view().listsEveryEntry();
    const bool added = attempt([&] { m_document.add(editorText()); });
    if (!listComplete && m_document.view().listsEveryEntry())
        showPickerToday();
    if (!added)
        return;
    m_mode = Mode::Viewing;
    setStatusText(0, QStringLiteral(" Новая запись успешно добавлена"));
}

void TForm1::BchangeClick()
{
    if (!m_document.isOpen() || m_document.view().viewedRecord() == 0)
        return;
    m_mode = Mode::Changing;
    mm->setFocus();
    setStatusText(0, QStringLiteral(" Изменение записи"));
}

// Only the record on view is rewritten, and only while its stamp still reads as the label says. A
// refused save keeps the changing mode, so the typed text is not lost.
void TForm1::Bsave2Click()
{
    if (m_mode != Mode::Changing || !attempt([&] { m_document.change(editorText()); }))
        return;
    m_mode = Mode::Viewing;
    setStatusText(0, QStringLiteral(" Запись успешно изменена"));
}

// Exactly the record on view leaves the diary, whatever other entries share its time stamp. A failed
// deletion leaves the diary whole and open as it was.
void TForm1::BdelClick()
{
    if (!focusDateList() || !m_document.isOpen() || !attempt([&] { m_document.deleteViewedEntry(); }))
        return;
    setStatusText(0, QStringLiteral(" Запись успешно удалена из базы"));
    m_textShown = false;
    showNoEntry();
    mm->clear();
}

void TForm1::BclearClick()
{
    if (!m_document.isOpen())
        return;
    m_mode = Mode::Viewing;
    updateControls();
    LBdate->setFocus();
    mm->clear();
    m_textShown = false;
    showNoEntry();
    setStatusText(1, QStringLiteral("0"));
    setStatusText(0, WaitingText);
}

// The whole search runs before the list changes, so a failed read leaves the list as it was.
void TForm1::SearchClick()
{
    std::optional<int> found;
    if (!focusDateList() || !attempt([&] { found = m_document.findWord(InWord->text()); }) || !found)
        return;
    setStatusText(0, FoundText + QString::number(*found));
}

void TForm1::ClearSearchClick()
{
    InWord->clear();
    InWord->setFocus();
}

// The entries of one day need not lie side by side in the file (the clock may have been set back).
// False when nothing was searched.
bool TForm1::showEntriesOfDay(const QDate& day)
{
    std::optional<int> found;
    if (!attempt([&] { found = m_document.findDay(day); }) || !found)
        return false;
    const QString dateText = shortDateText(day);
    setStatusText(0, *found > 0 ? dateText + FoundText + QString::number(*found)
                                : dateText + QStringLiteral(" Записей нет!"));
    return true;
}

void TForm1::TodayClick()
{
    if (focusDateList() && showEntriesOfDay(QDate::currentDate()))
        showPickerToday();
}

void TForm1::ToChNumClick()
{
    if (focusDateList())
        showEntriesOfDay(DTPicker->date());
}

// The text box keeps what it shows, but no entry is on view any more: nothing can be changed or
// deleted until one is chosen again.
void TForm1::AllRecClick()
{
    int count = 0;
    if (!focusDateList() || !m_document.isOpen() || !attempt([&] { count = m_document.listAll(); }))
        return;
    setStatusText(0, QStringLiteral("Всего записей: ") + QString::number(count));
    showNoEntry();
    showPickerToday();
}

// The search controls follow the check marks (see updateControls); the marks change no setting.
void TForm1::N19Click() {}

void TForm1::N20Click() {}

void TForm1::N10Click()
{
    m_document.setEditAllowed(N10->isChecked());
}

void TForm1::N7Click()
{
    QString text;
    if (m_document.isOpen() && attempt([&] { text = m_document.information(); }))
        showMessage(this, text);
}

void TForm1::N13Click()
{
    showMessage(this, QStringLiteral("Количество символов данной записи: ") +
                          QString::number(m_document.characterCount(editorText())));
}

void TForm1::N24Click()
{
    if (!m_document.isOpen())
        return;
    attempt([&] {
        PrivateProfile(settingsPath())
            .writeString(SettingsKeys::Directory, SettingsKeys::FaveDiary, m_document.view().path());
    });
}

// The settings window's boxes take effect at once. With no diary open the word-search mark waits for
// the next start. The editing box is a start-up option only: the current mode stays the menu's.
void TForm1::applySettings(const StartupOptions& boxes)
{
    N19->setChecked(boxes.ByDate);
    if (m_document.isOpen())
        N20->setChecked(boxes.ByWord);
    m_document.setEditAllowed(N10->isChecked());
    updateControls();
}
