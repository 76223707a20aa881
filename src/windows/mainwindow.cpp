#include "mainwindow.h"

#include "datelistview.h"
#include "document/datelistmodel.h"
#include "draftkeeper.h"
#include "passwordprompt.h"
#include "passwordwindow.h"
#include "settings/privateprofile.h"
#include "settings/settingsfile.h"
#include "settingswindow.h"
#include "store/diaryopen.h"
#include "store/error.h"
#include "store/stamp.h"
#include "version.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"
#include "widgets/secondarywindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QToolButton>

namespace
{

const QString WaitingText = QStringLiteral(" Ожидание...");
const QString NoDiaryText = QStringLiteral(" Нет открытых дневников");
const QString FoundText = QStringLiteral(" Найдено записей: ");

} // namespace

// Every handler ends with the controls brought in line with what it did.
template <class Sender, class Signal> void TForm1::route(Sender* sender, Signal signal, void (TForm1::*handler)())
{
    connect(sender, signal, this, [this, handler] {
        (this->*handler)();
        updateControls();
    });
}

TForm1::TForm1(const QString& dataDir, QWidget* parent) : QMainWindow(parent), m_dataDir(dataDir)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QLatin1String(QuillnestCaption));
    setupLayout(this, m_document.listModel());
    m_draft = new DraftKeeper(m_document, mm, this);
    connect(m_draft, &DraftKeeper::failed, this,
            [this](const QString& error) { setStatusText(0, QStringLiteral(" Черновик не записан: ") + error); });
    connectHandlers();
    connect(&m_document, &DiaryDocument::opened, this, &TForm1::showOpenedDiary);
    connect(&m_document, &DiaryDocument::closed, this, &TForm1::showClosedDiary);
    connect(&m_document, &DiaryDocument::reloaded, this, &TForm1::showHeading);
    FormCreate();
}

void TForm1::connectHandlers()
{
    route(N2, &QAction::triggered, &TForm1::N2Click);
    route(N12, &QAction::triggered, &TForm1::N12Click);
    route(N14, &QAction::triggered, &TForm1::N14Click);
    route(N4, &QAction::triggered, &TForm1::BexitClick);
    // A check item's mark has already flipped when it is triggered: the handlers read it as it now is.
    route(N10, &QAction::triggered, &TForm1::N10Click);
    route(N19, &QAction::triggered, &TForm1::N19Click);
    route(N20, &QAction::triggered, &TForm1::N20Click);
    route(N23, &QAction::triggered, &TForm1::N23Click);
    route(N13, &QAction::triggered, &TForm1::N13Click);
    route(N25, &QAction::triggered, &TForm1::N25Click);
    route(N11, &QAction::triggered, &TForm1::N11Click);
    route(N21, &QAction::triggered, &TForm1::N21Click);
    route(N24, &QAction::triggered, &TForm1::N24Click);
    route(N7, &QAction::triggered, &TForm1::N7Click);
    route(N8, &QAction::triggered, &TForm1::N8Click);
    route(Bclear, &QToolButton::clicked, &TForm1::BclearClick);
    route(Badd, &QToolButton::clicked, &TForm1::BaddClick);
    route(BSave1, &QToolButton::clicked, &TForm1::Bsave1Click);
    route(Bchange, &QToolButton::clicked, &TForm1::BchangeClick);
    route(BSave2, &QToolButton::clicked, &TForm1::Bsave2Click);
    route(Bdel, &QToolButton::clicked, &TForm1::BdelClick);
    route(Search, &QToolButton::clicked, &TForm1::SearchClick);
    route(ClearSearch, &QToolButton::clicked, &TForm1::ClearSearchClick);
    route(ToChNum, &QToolButton::clicked, &TForm1::ToChNumClick);
    route(Today, &QToolButton::clicked, &TForm1::TodayClick);
    route(AllRec, &QToolButton::clicked, &TForm1::AllRecClick);
    route(LBdate, &QAbstractItemView::doubleClicked, &TForm1::LBdateDblClick);
    connect(mm, &QPlainTextEdit::textChanged, this, &TForm1::mmChange);
    LBdate->viewport()->installEventFilter(this);
    LBdate->installEventFilter(this);
}

QString TForm1::settingsPath() const
{
    return settingsFilePath(m_dataDir);
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
    setStatusText(3, QLatin1String(QuillnestVersion));
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

// The frame is known only once the window is shown.
void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_statusPanelsSized) {
        m_statusPanelsSized = true;
        sizeStatusPanels(this);
    }
}

// A double click beside the rows shows the selected entry, as one on it does. So does Enter, for
// whoever moves through the list with the keys alone.
bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LBdate->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* click = static_cast<QMouseEvent*>(event);
        if (click->button() == Qt::LeftButton && !LBdate->indexAt(click->position().toPoint()).isValid()) {
            LBdateDblClick();
            updateControls();
        }
    }
    if (watched == LBdate && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // The row the person is on, which a first visit to the list makes current unselected.
            if (LBdate->currentIndex().isValid())
                LBdate->selectionModel()->select(LBdate->currentIndex(), QItemSelectionModel::ClearAndSelect);
            LBdateDblClick();
            updateControls();
            return true;
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

// An entry being added or changed in the previous diary was saved or let go when the person was asked.
void TForm1::showOpenedDiary()
{
    m_draft->stop();
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
    offerDraft();
}

// What was being written when the program last stopped without saving it comes back, if the person
// wants it, as it was being written: a change of the entry it was for, while there is one. Esc keeps
// it for the next opening.
void TForm1::offerDraft()
{
    Draft draft;
    QString aside;
    DraftFound found = DraftFound::None;
    attempt([&] { found = m_document.readDraft(draft, aside); });
    if (found == DraftFound::SetAside)
        showMessage(this, QStringLiteral("Несохранённый текст записи не читается с паролем этого дневника, оставлен "
                                         "другим дневником или повреждён. Он сохранён как\r") +
                              aside);
    const QString question = QStringLiteral("Найден несохранённый текст записи от %1. Восстановить?");
    const Answer answer =
        found == DraftFound::Readable ? askYesNo(this, question.arg(stampText(draft.writtenAt))) : Answer::Cancel;
    if (answer == Answer::No)
        attempt([&] { m_document.forgetDraft(); });
    if (answer != Answer::Yes)
        return;
    std::optional<int> row;
    if (draft.changing && attempt([&] { row = m_document.listAllFinding(draft.entryRecord, draft.entryStamp); }) &&
        row) {
        LBdate->setCurrentIndex(LBdate->model()->index(*row, 0));
        LBdateDblClick();
    }
    m_document.view().viewedRecord() != 0 ? BchangeClick() : BaddClick();
    mm->setPlainText(draft.text);
    setStatusText(0, QStringLiteral(" Восстановлен несохранённый текст"));
    updateControls();
}

// Typed text was saved or let go when the person was asked: nothing may be written into a closed diary.
// The date label keeps its text.
void TForm1::showClosedDiary()
{
    m_draft->stop();
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

QString TForm1::editorText() const
{
    return typedText(mm);
}

// Before a command that would leave an entry being written unsaved: true when it may go on. Only
// typed text makes the person choose: "Да" saves it as its save button would (and nothing goes on
// when that fails), "Нет" lets it go as "Очистить" does, "Отмена" keeps everything as it was.
bool TForm1::mayLeaveTypedText()
{
    if (!m_draft->typed())
        return true;
    switch (askYesNoCancel(this, QStringLiteral("Сохранить запись?"))) {
    case Answer::Yes:
        m_mode == Mode::Adding ? Bsave1Click() : Bsave2Click();
        updateControls();
        return m_mode == Mode::Viewing;
    case Answer::No:
        BclearClick();
        updateControls();
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!mayLeaveTypedText()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
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
    OpenD->setDirectory(m_dataDir);
    if (OpenD->exec() == QDialog::Accepted)
        m_lastChosenDiary = OpenD->selectedFiles().value(0);
    return m_lastChosenDiary;
}

void TForm1::N2Click()
{
    if (mayLeaveTypedText())
        openChosen(chooseDiaryFile().left(MaxPathLength));
}

void TForm1::openChosen(const QString& chosen)
{
    if (!mayLeaveTypedText())
        return;
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
    if (mayLeaveTypedText())
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
    if (mayLeaveTypedText())
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
    m_draft->begin(false);
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
    m_draft->end();
    setStatusText(0, QStringLiteral(" Новая запись успешно добавлена"));
}

void TForm1::BchangeClick()
{
    if (!m_document.isOpen() || m_document.view().viewedRecord() == 0)
        return;
    m_mode = Mode::Changing;
    m_draft->begin(true);
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
    m_draft->end();
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
    m_draft->end();
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
    if (m_document.isOpen())
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
