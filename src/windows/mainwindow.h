#pragma once

#include "document/diarydocument.h"

#include <QDate>
#include <QMainWindow>
#include <QString>

#include <array>
#include <memory>

class DateListView;
class DayClock;
class DiaryOpener;
class EntryEditor;
class EntrySearch;
class QAction;
class QDateTime;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;
class SecondaryWindow;
class SettingsWindow;
class SpellChecking;
class SpellDictionary;
struct BackupOptions;
struct StartupOptions;

// The main window: shows the open diary's list of entries and the entry on view, and turns the
// person's commands into operations of the diary document, which it owns. Writing an entry is the
// entry editor's; the controls are laid out in mainwindowlayout.cpp.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `dataDir`, the folder the program keeps its files in (programDataDir()), holds Settings.ini; new diaries are
    // made in `diariesDir` (diariesDir(); by default `dataDir`), where the open dialog starts until a diary is opened.
    // The diaries' dated copies go under `backupsRoot` (backupsRoot()); none are made while it is empty.
    explicit MainWindow(const QString& dataDir, const QString& diariesDir = QString(),
                        const QString& backupsRoot = QString(), QWidget* parent = nullptr);
    ~MainWindow() override;

    DiaryDocument& document() { return m_document; }
    const DiaryDocument& document() const { return m_document; }
    QString settingsPath() const;

    // "Сегодня " and today's date: what the date label holds while no entry is on view.
    static QString todayCaption(const QDate& today = QDate::currentDate());

    // False while a window of the program blocks this one (a secondary window, a message, a prompt).
    bool takesInput() const;

    // The secondary windows, made once at program start; their commands show them.
    void setNewDiaryWindow(SecondaryWindow* window);
    void setSettingsWindow(SettingsWindow* window);
    void setExportWindow(SecondaryWindow* window);
    void setImportWindow(SecondaryWindow* window);
    void setAboutWindow(SecondaryWindow* window);

    // Opens the diary at `path` as "Открыть" does with the file chosen (from the command line).
    void openDiary(const QString& path);
    // The program is asked to end (QuitSignals): what is being written goes into the draft at once, and the
    // program ends as closing does, without the question.
    void leaveKeepingDraft();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The layout (mainwindowlayout.cpp). The four panels of the status bar are numbered from 0.
    static constexpr int StatusPanelCount = 4;
    // How close to the longest entry the count starts saying how many characters remain.
    static constexpr int CountWarningChars = 100;
    void buildLayout();
    void buildMenu();
    void buildLabels(QWidget* client);
    void buildToolBar(QWidget* client);
    void buildEntryBand(QFrame* bar);
    void buildWordBand(QFrame* bar);
    void buildDateBand(QFrame* bar);
    void buildAllBand(QFrame* bar);
    void buildTextAndList(QWidget* client);
    void buildStatusBar();
    // The keys (mainwindowkeys.cpp).
    void buildKeys();
    void buildMenuKeys();
    void buildEntryKeys();
    void buildSearchKeys();
    void buildTabOrder();
    void setStatusText(int panel, const QString& text);
    // The panels' widths follow the window's outer width, which is known only once it is shown.
    void sizeStatusPanels();
    void fitStatusPanels();

    void connectCommands();
    template <class Sender, class Signal, class Receiver>
    void route(Sender* sender, Signal signal, Receiver* receiver, void (Receiver::*command)());
    template <class Sender, class Signal> void route(Sender* sender, Signal signal, void (MainWindow::*command)());
    // The one place where a failed operation is shown: runs it, and on QuillnestError shows the
    // error's text in the message box; says whether it was done. An operation that is done but not
    // yet safe on disk (NotDurableError) counts as done, once the person has been told.
    bool attempt(const std::function<void()>& operation);
    // Decides the availability of every command and control from the document and the editor's mode.
    void updateControls();

    // Commands.
    void showNewDiaryWindow();
    void applyEditingMark();
    void showSettingsWindow();
    void showStatistics();
    void showExportWindow();
    void showImportWindow();
    void showPasswordWindow();
    void showEncryptionWindow();
    void showDiaryInformation();
    void showAboutWindow();
    void deleteViewedEntry();
    void viewSelectedEntry();
    void viewEntryOfRow(int row);
    void showCharacterCount();
    void followDay(const QDate& today);

    // What the commands have in common.
    void readStartupSettings();
    void followEditorMode();
    void showSecondaryWindow(SecondaryWindow* window);
    SecondaryWindow* standingOver(SecondaryWindow* window);
    void showOpenedDiary();
    void showClosedDiary();
    void showHeading();
    void showNoEntry();
    void showDiscardedEntry();
    void applySettings(const StartupOptions& boxes);
    // Spelling is checked while an entry is written and the mark is on; the dictionaries are loaded the first
    // time it is, so that starting the program does not wait for them.
    void readSpellingMark();
    void applySpellingMark();
    void followSpellingMark();
    // The word search ignores letter case and ё while the mark is on; off where Settings.ini does not say.
    void readFoldedSearchMark();
    void applyFoldedSearchMark();
    // Dated copies and deletions undone (mainwindowbackups.cpp).
    void undoDeletion();
    void showBackupsWindow();
    void showBackupOptionsWindow();
    void restoreCopy(const QString& copyPath, const QDateTime& taken);
    // Which dated copies are made follows Settings.ini from start, and the backup options window once it saves.
    void applyBackupOptions(const BackupOptions& options);
    // Only the first copy of a session that could not be made is told of: the next change tries again.
    void showBackupFailure(const QString& cause);
    // Marks `places` over the text box's text, never in it: where the entry on view holds the word it was found by.
    void markFoundWord(const std::vector<TextSpan>& places);

    DiaryDocument m_document;
    QString m_dataDir;
    const QString m_backupsRoot;
    std::unique_ptr<SpellDictionary> m_dictionary;
    SpellChecking* m_spelling = nullptr;
    EntryEditor* m_editor = nullptr;
    EntrySearch* m_search = nullptr;
    DiaryOpener* m_opener = nullptr;
    DayClock* m_dayClock = nullptr;
    // The text box holds an entry or typed text, so "Статистика" has something to count.
    bool m_textShown = false;
    // A diary was closed and none opened since: the text box is disabled.
    bool m_diaryClosed = false;
    // "Показать все записи" follows the date-search mark as it was when a diary was opened while none was.
    bool m_allEntriesAllowed = true;
    bool m_statusPanelsSized = false;
    bool m_toldOfBackupFailure = false;
    SecondaryWindow* m_newDiaryWindow = nullptr;
    SettingsWindow* m_settingsWindow = nullptr;
    SecondaryWindow* m_exportWindow = nullptr;
    SecondaryWindow* m_importWindow = nullptr;
    SecondaryWindow* m_aboutWindow = nullptr;

    QAction* m_openAction = nullptr;
    QAction* m_newAction = nullptr;
    QAction* m_closeAction = nullptr;
    QAction* m_undoDeletionAction = nullptr;
    QAction* m_backupsAction = nullptr;
    QAction* m_exitAction = nullptr;
    QAction* m_editingAction = nullptr;
    QAction* m_dateSearchAction = nullptr;
    QAction* m_wordSearchAction = nullptr;
    QAction* m_settingsAction = nullptr;
    QAction* m_backupOptionsAction = nullptr;
    QAction* m_spellingAction = nullptr;
    QAction* m_foldedSearchAction = nullptr;
    QAction* m_statisticsAction = nullptr;
    QAction* m_exportAction = nullptr;
    QAction* m_importAction = nullptr;
    QAction* m_passwordAction = nullptr;
    QAction* m_encryptionAction = nullptr;
    QAction* m_mainDiaryAction = nullptr;
    QAction* m_diaryInfoAction = nullptr;
    QAction* m_aboutAction = nullptr;

    QLabel* m_dateLabel = nullptr;
    QLabel* m_titleLabel = nullptr;
    QLabel* m_ownerLabel = nullptr;
    QToolButton* m_clearButton = nullptr;
    QToolButton* m_addButton = nullptr;
    QToolButton* m_saveNewButton = nullptr;
    QToolButton* m_changeButton = nullptr;
    QToolButton* m_saveChangeButton = nullptr;
    QToolButton* m_deleteButton = nullptr;
    QLineEdit* m_wordField = nullptr;
    QToolButton* m_searchButton = nullptr;
    QToolButton* m_clearWordButton = nullptr;
    QDateEdit* m_datePicker = nullptr;
    QToolButton* m_dayButton = nullptr;
    QToolButton* m_todayButton = nullptr;
    QToolButton* m_allEntriesButton = nullptr;
    QPlainTextEdit* m_textBox = nullptr;
    DateListView* m_dateList = nullptr;
    std::array<QLabel*, StatusPanelCount> m_statusPanels{};
    std::array<int, StatusPanelCount> m_statusPanelWidths{};
};
