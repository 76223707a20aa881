#include "mainwindow.h"

#include "datelistview.h"
#include "diaryopener.h"
#include "encryptionwindow.h"
#include "entryeditor.h"
#include "entrysearch.h"
#include "passwordwindow.h"
#include "settings/privateprofile.h"
#include "settings/settingsfile.h"
#include "settingswindow.h"
#include "spellchecking.h"
#include "spelling/personalwords.h"
#include "spelling/spelldictionary.h"
#include "store/entrycodec.h"
#include "store/error.h"
#include "store/stamp.h"
#include "version.h"
#include "widgets/controls.h"
#include "widgets/dayclock.h"
#include "widgets/messagebox.h"
#include "widgets/secondarywindow.h"
#include "writtendaysmarks.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDateEdit>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

namespace
{

const QString WaitingText = QStringLiteral(" Ожидание...");
const QString NoDiaryText = QStringLiteral(" Нет открытых дневников");
const QString FirstStepsText =
    QStringLiteral("Создайте дневник (Файл → Создать) или откройте существующий (Файл → Открыть)");

} // namespace

// Every command ends with the controls brought in line with what it did.
template <class Sender, class Signal, class Receiver>
void MainWindow::route(Sender* sender, Signal signal, Receiver* receiver, void (Receiver::*command)())
{
    connect(sender, signal, this, [this, receiver, command] {
        (receiver->*command)();
        updateControls();
    });
}

template <class Sender, class Signal>
void MainWindow::route(Sender* sender, Signal signal, void (MainWindow::*command)())
{
    route(sender, signal, this, command);
}

MainWindow::MainWindow(const QString& dataDir, const QString& diariesDir, const QString& backupsRoot, QWidget* parent)
    : QMainWindow(parent), m_dataDir(dataDir), m_backupsRoot(backupsRoot)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QLatin1String(QuillnestCaption));
    buildLayout();
    const auto attempting = [this](const std::function<void()>& operation) { return attempt(operation); };
    m_editor = new EntryEditor(m_document, m_textBox, this, attempting);
    m_dayClock = new DayClock(this);
    m_dayClock->setObjectName(QStringLiteral("dayClock"));
    m_search =
        new EntrySearch(m_document, m_dateList, m_wordField, m_datePicker, m_todayButton, *m_dayClock, attempting);
    new WrittenDaysMarks(m_document, m_datePicker, this);
    m_opener =
        new DiaryOpener(m_document, *m_editor, dataDir, diariesDir.isEmpty() ? dataDir : diariesDir, this, attempting);
    buildKeys();
    connectCommands();
    connect(&m_document, &DiaryDocument::opened, this, &MainWindow::showOpenedDiary);
    connect(&m_document, &DiaryDocument::closed, this, &MainWindow::showClosedDiary);
    connect(&m_document, &DiaryDocument::reloaded, this, &MainWindow::showHeading);
    connect(&m_document, &DiaryDocument::deletionsChanged, this, &MainWindow::updateControls);
    // Told once the command whose change it was has said what it did.
    connect(&m_document, &DiaryDocument::backupFailed, this, &MainWindow::showBackupFailure, Qt::QueuedConnection);
    readStartupSettings();
}

// The spelling checker goes before the dictionary it reads.
MainWindow::~MainWindow()
{
    delete m_spelling;
}

void MainWindow::connectCommands()
{
    route(m_openAction, &QAction::triggered, m_opener, &DiaryOpener::chooseAndOpen);
    route(m_newAction, &QAction::triggered, &MainWindow::showNewDiaryWindow);
    route(m_closeAction, &QAction::triggered, m_opener, &DiaryOpener::close);
    route(m_undoDeletionAction, &QAction::triggered, &MainWindow::undoDeletion);
    route(m_backupsAction, &QAction::triggered, &MainWindow::showBackupsWindow);
    connect(m_exitAction, &QAction::triggered, this, &QWidget::close);
    // A check item's mark has already flipped when it is triggered: the commands read it as it now is.
    // The search controls follow the search marks (see updateControls), which change no setting.
    route(m_editingAction, &QAction::triggered, &MainWindow::applyEditingMark);
    route(m_dateSearchAction, &QAction::triggered, &MainWindow::updateControls);
    route(m_wordSearchAction, &QAction::triggered, &MainWindow::updateControls);
    route(m_settingsAction, &QAction::triggered, &MainWindow::showSettingsWindow);
    route(m_backupOptionsAction, &QAction::triggered, &MainWindow::showBackupOptionsWindow);
    route(m_spellingAction, &QAction::triggered, &MainWindow::applySpellingMark);
    route(m_foldedSearchAction, &QAction::triggered, &MainWindow::applyFoldedSearchMark);
    route(m_statisticsAction, &QAction::triggered, &MainWindow::showStatistics);
    route(m_exportAction, &QAction::triggered, &MainWindow::showExportWindow);
    route(m_importAction, &QAction::triggered, &MainWindow::showImportWindow);
    route(m_passwordAction, &QAction::triggered, &MainWindow::showPasswordWindow);
    route(m_encryptionAction, &QAction::triggered, &MainWindow::showEncryptionWindow);
    route(m_mainDiaryAction, &QAction::triggered, m_opener, &DiaryOpener::makeMain);
    route(m_diaryInfoAction, &QAction::triggered, &MainWindow::showDiaryInformation);
    route(m_aboutAction, &QAction::triggered, &MainWindow::showAboutWindow);
    route(m_clearButton, &QToolButton::clicked, m_editor, &EntryEditor::discardEntry);
    route(m_addButton, &QToolButton::clicked, m_editor, &EntryEditor::addEntry);
    route(m_saveNewButton, &QToolButton::clicked, m_editor, &EntryEditor::saveNewEntry);
    route(m_changeButton, &QToolButton::clicked, m_editor, &EntryEditor::changeEntry);
    route(m_saveChangeButton, &QToolButton::clicked, m_editor, &EntryEditor::saveChangedEntry);
    route(m_deleteButton, &QToolButton::clicked, &MainWindow::deleteViewedEntry);
    route(m_searchButton, &QToolButton::clicked, m_search, &EntrySearch::findWord);
    route(m_clearWordButton, &QToolButton::clicked, m_search, &EntrySearch::clearWord);
    route(m_dayButton, &QToolButton::clicked, m_search, &EntrySearch::findPickedDay);
    route(m_todayButton, &QToolButton::clicked, m_search, &EntrySearch::findToday);
    route(m_allEntriesButton, &QToolButton::clicked, m_search, &EntrySearch::listEveryEntry);
    route(m_dateList, &DateListView::rowChosen, &MainWindow::viewSelectedEntry);
    connect(m_textBox, &QPlainTextEdit::textChanged, this, &MainWindow::showCharacterCount);
    const auto showStatus = [this](const QString& status) { setStatusText(0, status); };
    connect(m_editor, &EntryEditor::modeChanged, this, &MainWindow::followEditorMode);
    connect(m_editor, &EntryEditor::entryWanted, this, &MainWindow::viewEntryOfRow);
    connect(m_editor, &EntryEditor::told, this, showStatus);
    connect(m_editor, &EntryEditor::discarded, this, &MainWindow::showDiscardedEntry);
    connect(m_editor, &EntryEditor::everyEntryListed, m_search, &EntrySearch::pickToday);
    connect(m_search, &EntrySearch::told, this, showStatus);
    // The entry on view came from another list than the one a search makes: its marks go.
    connect(m_search, &EntrySearch::told, this, [this] { markFoundWord({}); });
    connect(m_search, &EntrySearch::everyEntryListed, this, &MainWindow::showNoEntry);
    connect(m_dayClock, &DayClock::dayTurned, this, &MainWindow::followDay);
    connect(m_opener, &DiaryOpener::openingIntoEmptyWindow, this,
            [this] { m_allEntriesAllowed = m_dateSearchAction->isChecked(); });
}

QString MainWindow::settingsPath() const
{
    return m_opener->settingsPath();
}

void MainWindow::openDiary(const QString& path)
{
    m_opener->open(path);
    updateControls();
}

QString MainWindow::todayCaption(const QDate& today)
{
    return QStringLiteral("Сегодня ") + shortDateText(today);
}

// Left open past midnight, the window shows the new day where it shows today; an entry on view keeps its label.
void MainWindow::followDay(const QDate& today)
{
    m_search->followDay(today);
    if (m_document.view().viewedRecord() == 0)
        m_dateLabel->setText(todayCaption(today));
}

bool MainWindow::takesInput() const
{
    return QApplication::activeModalWidget() == nullptr;
}

// However a secondary window closes, the main window was waiting for it only and takes the input back.
SecondaryWindow* MainWindow::standingOver(SecondaryWindow* window)
{
    connect(window, &SecondaryWindow::closed, this, &QWidget::activateWindow);
    return window;
}

void MainWindow::setNewDiaryWindow(SecondaryWindow* window)
{
    m_newDiaryWindow = standingOver(window);
}

void MainWindow::setExportWindow(SecondaryWindow* window)
{
    m_exportWindow = standingOver(window);
}

void MainWindow::setImportWindow(SecondaryWindow* window)
{
    m_importWindow = standingOver(window);
}

void MainWindow::setAboutWindow(SecondaryWindow* window)
{
    m_aboutWindow = standingOver(window);
}

void MainWindow::setSettingsWindow(SettingsWindow* window)
{
    m_settingsWindow = window;
    standingOver(window);
    connect(window, &SettingsWindow::accepted, this, &MainWindow::applySettings);
}

bool MainWindow::attempt(const std::function<void()>& operation)
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
// they stay disabled, so that it cannot be deleted or changed twice over. A copy opened to be read takes no
// command that would change it, nor one that would make it the diary that opens at start.
void MainWindow::updateControls()
{
    const DiaryView& diary = m_document.view();
    const bool open = diary.isOpen();
    const bool writable = open && !diary.isReadOnlyCopy();
    const EntryEditor::Mode mode = m_editor->mode();
    const bool viewing = mode == EntryEditor::Mode::Viewing;
    const bool changeable = writable && viewing && diary.viewedRecord() != 0 && diary.editAllowed();
    m_clearButton->setEnabled(open);
    m_addButton->setEnabled(writable && viewing);
    enable({m_changeButton, m_deleteButton}, changeable);
    m_saveNewButton->setVisible(open && mode == EntryEditor::Mode::Adding);
    m_saveChangeButton->setVisible(open && mode == EntryEditor::Mode::Changing);
    m_dateList->setEnabled(viewing);
    m_textBox->setReadOnly(viewing);
    m_textBox->setEnabled(open || !m_diaryClosed);
    enable({m_editingAction, m_dateSearchAction, m_wordSearchAction, m_exportAction, m_diaryInfoAction}, open);
    enable({m_passwordAction, m_encryptionAction, m_mainDiaryAction, m_backupsAction}, writable);
    m_importAction->setEnabled(!open || writable);
    m_undoDeletionAction->setEnabled(writable && viewing && m_document.undoableDeletion().has_value());
    m_statisticsAction->setEnabled(open && m_textShown);
    enable({m_datePicker, m_dayButton, m_todayButton}, open && m_dateSearchAction->isChecked());
    enable({m_wordField, m_searchButton, m_clearWordButton}, open && m_wordSearchAction->isChecked());
    m_allEntriesButton->setEnabled(open && m_allEntriesAllowed);
    followSpellingMark();
}

void MainWindow::readStartupSettings()
{
    setStatusText(3, QLatin1String(QuillnestVersion));
    m_search->showToday();
    m_dateLabel->setText(todayCaption(m_dayClock->today()));
    const PrivateProfile profile(m_opener->settingsPath());
    const StartupOptions options = StartupOptions::read(profile);
    m_editingAction->setChecked(options.editing);
    m_dateSearchAction->setChecked(options.byDate);
    m_wordSearchAction->setChecked(options.byWord);
    m_document.setEditAllowed(options.editing);
    readSpellingMark();
    readFoldedSearchMark();
    applyBackupOptions(BackupOptions::read(profile));
    if (!m_opener->openAtStart(options.startupDiary(profile).left(MaxPathLength))) {
        setStatusText(0, NoDiaryText);
        m_dateList->setPlaceholderText(FirstStepsText);
    }
    updateControls();
}

// The frame is known only once the window is shown.
void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_statusPanelsSized) {
        m_statusPanelsSized = true;
        sizeStatusPanels();
    }
}

// An entry being added or changed in the previous diary was saved or let go when the person was asked.
void MainWindow::showOpenedDiary()
{
    m_editor->leaveEntry();
    m_textShown = false;
    m_diaryClosed = false;
    m_textBox->clear();
    showNoEntry();
    // The newest entries, which a writer wants most, are the last; nothing is selected yet.
    m_dateList->scrollToBottom();
    m_dateList->setPlaceholderText(QString());
    setStatusText(1, QStringLiteral("0"));
    setStatusText(0, WaitingText);
    showHeading();
    m_opener->tellWhatTheDiaryHolds();
    if (!m_document.view().isReadOnlyCopy())
        m_editor->offerDraft();
}

// Typed text was saved or let go when the person was asked: nothing may be written into a closed diary.
// The date label keeps its text.
void MainWindow::showClosedDiary()
{
    m_editor->leaveEntry();
    m_textShown = false;
    m_diaryClosed = true;
    m_textBox->clear();
    m_titleLabel->clear();
    m_ownerLabel->clear();
    setStatusText(1, QString());
    setStatusText(2, QString());
    setStatusText(0, NoDiaryText);
    m_dateList->setPlaceholderText(FirstStepsText);
    updateControls();
}

void MainWindow::showHeading()
{
    const QString& title = m_document.view().title();
    const QString& owner = m_document.view().owner();
    m_titleLabel->setText(title.isEmpty() ? QStringLiteral("Один Из Многих") : title);
    m_ownerLabel->setText(owner.isEmpty() ? QStringLiteral("Аноним") : owner);
    const QString copyMark = m_document.view().isReadOnlyCopy() ? QStringLiteral(" (копия, только чтение)") : QString();
    setStatusText(2, QLatin1Char(' ') + QFileInfo(m_document.view().path()).fileName() + copyMark);
    updateControls();
}

void MainWindow::showNoEntry()
{
    m_dateLabel->setText(todayCaption(m_dayClock->today()));
    m_document.forgetViewedEntry();
    markFoundWord({});
}

void MainWindow::leaveKeepingDraft()
{
    m_editor->keepDraftNow();
    // Out of any message or window that waits for an answer, too.
    QApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_editor->mayLeaveTypedText()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::showSecondaryWindow(SecondaryWindow* window)
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

void MainWindow::showNewDiaryWindow()
{
    if (m_editor->mayLeaveTypedText())
        showSecondaryWindow(m_newDiaryWindow);
}

void MainWindow::showSettingsWindow()
{
    showSecondaryWindow(m_settingsWindow);
}

void MainWindow::showExportWindow()
{
    if (m_document.isOpen())
        showSecondaryWindow(m_exportWindow);
}

void MainWindow::showAboutWindow()
{
    showSecondaryWindow(m_aboutWindow);
}

// Also with no diary open: old entries can go into a new diary.
void MainWindow::showImportWindow()
{
    showSecondaryWindow(m_importWindow);
}

// A new window every time: its fields start empty and its mode follows the diary's password.
void MainWindow::showPasswordWindow()
{
    if (m_document.isOpen())
        showSecondaryWindow(standingOver(new PasswordWindow(m_document, this)));
}

void MainWindow::showEncryptionWindow()
{
    if (!m_document.isOpen())
        return;
    auto* window = new EncryptionWindow(m_document, this);
    connect(window, &EncryptionWindow::converted, this, [this](const QString& status) { setStatusText(0, status); });
    showSecondaryWindow(standingOver(window));
}

// The record is read before anything changes, so a failed read leaves the entry that was on view.
void MainWindow::viewSelectedEntry()
{
    const QModelIndexList selected = m_dateList->selectionModel()->selectedIndexes();
    if (selected.isEmpty() || !m_document.isOpen())
        return;
    std::optional<QString> text;
    QString damage;
    const auto view = [&] {
        try {
            text = m_document.viewEntry(selected.first().row());
        } catch (const DamagedEntryError& error) {
            // On view all the same, with no text: the person can delete it, or write it anew.
            damage = error.text();
            text = QString();
        }
    };
    if (!attempt(view) || !text)
        return;
    m_textBox->clear();
    m_textShown = true;
    setStatusText(0, QStringLiteral(" Просмотр"));
    m_dateLabel->setText(m_document.view().viewedLabel());
    m_textBox->setPlainText(*text);
    markFoundWord(m_document.listedWordSpans());
    if (!damage.isEmpty())
        showMessage(this, damage);
}

// Counted as the diary file will hold the text, with CR LF line breaks.
// Near the limit the count says how many characters remain, and past it how many are too many, in a colour of
// their own, before a save is refused.
void MainWindow::showCharacterCount()
{
    const qsizetype count = m_document.characterCount(m_editor->text());
    const qsizetype capacity = m_document.view().entryCapacity();
    QString text = QString::number(count);
    if (count > capacity)
        text += QStringLiteral(", лишних %1").arg(count - capacity);
    else if (count >= capacity - CountWarningChars)
        text += QStringLiteral(", осталось %1").arg(capacity - count);
    setStatusText(1, text);
    QPalette colours;
    if (count > capacity)
        colours.setColor(QPalette::WindowText, Qt::red);
    m_statusPanels[1]->setPalette(colours);
}

// A new entry is written in an empty text box, and is not the entry on view.
// The marks of a found word go with the first change of mode: they belong to the entry as it was found.
void MainWindow::followEditorMode()
{
    markFoundWord({});
    if (m_editor->mode() == EntryEditor::Mode::Adding) {
        m_textShown = true;
        showNoEntry();
    }
    updateControls();
}

void MainWindow::viewEntryOfRow(int row)
{
    m_dateList->setCurrentIndex(m_dateList->model()->index(row, 0));
    viewSelectedEntry();
}

// Exactly the record on view leaves the diary, whatever other entries share its time stamp. A failed
// deletion leaves the diary whole and open as it was.
void MainWindow::deleteViewedEntry()
{
    if (!m_dateList->takeFocusForCommand() || !m_document.isOpen() || !attempt([&] { m_document.deleteViewedEntry(); }))
        return;
    const std::optional<double> deleted = m_document.undoableDeletion();
    setStatusText(0, QStringLiteral(" Запись от ") + stampText(deleted.value_or(0)) +
                         QStringLiteral(" удалена. Отменить: ") +
                         m_undoDeletionAction->shortcut().toString(QKeySequence::NativeText));
    m_textShown = false;
    showNoEntry();
    m_textBox->clear();
}

// What was written is gone: the list takes the focus back, and no entry is on view.
void MainWindow::showDiscardedEntry()
{
    updateControls();
    m_dateList->setFocus();
    m_textShown = false;
    showNoEntry();
    setStatusText(1, QStringLiteral("0"));
    setStatusText(0, WaitingText);
}

void MainWindow::applyEditingMark()
{
    m_document.setEditAllowed(m_editingAction->isChecked());
}

// The file's name, how many entries it holds, and when it was made: the time of day as hour and minute
// without leading zeros.
void MainWindow::showDiaryInformation()
{
    qint64 entries = 0;
    if (!m_document.isOpen() || !attempt([&] { entries = m_document.view().entryCount(); }))
        return;
    const QDateTime created = stampToDateTime(m_document.view().created());
    const QString hour = created.isValid() ? QString::number(created.time().hour()) : QStringLiteral("?");
    const QString minute = created.isValid() ? QString::number(created.time().minute()) : QStringLiteral("?");
    showMessage(this, QStringLiteral("Файл: ") + QFileInfo(m_document.view().path()).fileName() + QLatin1Char('\r') +
                          QStringLiteral("Количество записей в дневнике: ") + QString::number(entries) +
                          QLatin1Char('\r') + QStringLiteral("Создан: ") + shortDateText(created.date()) +
                          QStringLiteral(" (") + hour + QStringLiteral("ч ") + minute + QStringLiteral("мин)"));
}

void MainWindow::showStatistics()
{
    showMessage(this, QStringLiteral("Количество символов данной записи: ") +
                          QString::number(m_document.characterCount(m_editor->text())));
}

// The settings window's boxes take effect at once. With no diary open the word-search mark waits for
// the next start. The editing box is a start-up option only: the current mode stays the menu's.
void MainWindow::applySettings(const StartupOptions& boxes)
{
    m_dateSearchAction->setChecked(boxes.byDate);
    if (m_document.isOpen())
        m_wordSearchAction->setChecked(boxes.byWord);
    m_document.setEditAllowed(m_editingAction->isChecked());
    updateControls();
}

// Without the Russian dictionary the mark stays off, and its tool tip says what to install.
void MainWindow::readSpellingMark()
{
    const bool installed = SpellDictionary::isInstalled();
    m_spellingAction->setEnabled(installed);
    m_spellingAction->setToolTip(installed ? QString() : SpellChecking::missingDictionaryText());
    m_spellingAction->setChecked(
        installed && PrivateProfile(settingsPath()).readBool(SettingsKeys::Options, SettingsKeys::Spelling, true));
}

// The mark has already flipped; it is kept for the next start.
void MainWindow::applySpellingMark()
{
    attempt([this] {
        PrivateProfile(settingsPath())
            .writeBool(SettingsKeys::Options, SettingsKeys::Spelling, m_spellingAction->isChecked());
    });
}

void MainWindow::followSpellingMark()
{
    const bool wanted = m_spellingAction->isChecked() && m_editor->mode() != EntryEditor::Mode::Viewing;
    if (wanted && !m_spelling) {
        m_dictionary = std::make_unique<SpellDictionary>(personalwords::pathIn(m_dataDir));
        m_spelling =
            new SpellChecking(m_textBox, *m_dictionary, [this](const QString& text) { showMessage(this, text); });
    }
    if (m_spelling)
        m_spelling->setActive(wanted);
}

// The mark has already flipped; it is kept for the next start.
void MainWindow::applyFoldedSearchMark()
{
    m_search->setFolded(m_foldedSearchAction->isChecked());
    attempt([this] {
        PrivateProfile(settingsPath())
            .writeBool(SettingsKeys::Options, SettingsKeys::FoldedSearch, m_foldedSearchAction->isChecked());
    });
}

void MainWindow::readFoldedSearchMark()
{
    m_foldedSearchAction->setChecked(
        PrivateProfile(settingsPath()).readBool(SettingsKeys::Options, SettingsKeys::FoldedSearch, false));
    m_search->setFolded(m_foldedSearchAction->isChecked());
}

// Yellow under black, as a marker pen would show them, whatever colours the desktop gives the text.
void MainWindow::markFoundWord(const std::vector<TextSpan>& places)
{
    QList<QTextEdit::ExtraSelection> marks;
    for (const TextSpan& place : places) {
        QTextEdit::ExtraSelection mark{QTextCursor(m_textBox->document()), {}};
        mark.cursor.setPosition(place.start);
        mark.cursor.setPosition(place.start + place.length, QTextCursor::KeepAnchor);
        mark.format.setBackground(QColor(Qt::yellow));
        mark.format.setForeground(QColor(Qt::black));
        marks << mark;
    }
    m_textBox->setExtraSelections(marks);
}
