#pragma once

#include "diarystate.h"
#include "store/diaryedit.h" // the line-break conversions, which the other windows take from here

#include <QMainWindow>
#include <QString>
#include <QStringList>

class QAction;
class QDateEdit;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenuBar;
class QPlainTextEdit;
class QStatusBar;
class QToolButton;
class TForm3;
class TForm4;
struct DiaryView;

// The main window: owns the open diary and shows its list of entries and the entry on view.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    // `programDir` is the folder that holds the program and its Settings.ini.
    explicit TForm1(const QString& programDir, QWidget* parent = nullptr);

    DiaryState& state() { return m_state; }
    const DiaryState& state() const { return m_state; }
    const QString& programDir() const { return m_programDir; }
    QString settingsPath() const;

    // The four panels of the status bar, numbered from 0.
    static constexpr int StatusPanelCount = 4;
    void setStatusText(int panel, const QString& text);
    QString statusText(int panel) const;

    // "Сегодня " and today's date: what Ldate holds while no entry is on view.
    static QString todayCaption();

    // While a secondary window is shown the main window takes no input. Only the contents are
    // disabled: disabling the window itself would disable the secondary windows parented to it.
    void setTakesInput(bool on);
    bool takesInput() const;

    // Opens DiaryFile on DiaryPath and shows the diary's title, owner and list of every entry. Nothing
    // on screen changes when reading fails: the FileError is thrown on with DiaryFile closed. Also
    // the way to show a diary again after its file was rebuilt.
    void loadDiaryView();
    // The search controls are available exactly when their menu item carries its check mark.
    void enableDateSearch(bool on);
    void enableWordSearch(bool on);

    // The new-diary window, made once at program start; "Создать" shows it.
    void setNewDiaryWindow(TForm3* window) { m_newDiaryWindow = window; }
    // The settings window, made once at program start; "Настройки" shows it.
    void setSettingsWindow(TForm4* window) { m_settingsWindow = window; }

    // Search and deletion work on the date list and begin by giving it the focus. While an entry is
    // being written the list is disabled: the user is told so and false is returned.
    bool focusDateList();

    // Controls, by their names. The program's other windows read and set them directly.
    QLabel* Ldate = nullptr;
    QLabel* StaticText1 = nullptr;
    QLabel* dname = nullptr;
    QLabel* StaticText2 = nullptr;
    QLabel* mname = nullptr;

    QFrame* CoolBar = nullptr;
    QFrame* Panel1 = nullptr;
    QToolButton* Bclear = nullptr;
    QToolButton* Badd = nullptr;
    QToolButton* BSave1 = nullptr;
    QToolButton* Bchange = nullptr;
    QToolButton* BSave2 = nullptr;
    QToolButton* Bdel = nullptr;
    QFrame* Panel2 = nullptr;
    QLineEdit* InWord = nullptr;
    QToolButton* Search = nullptr;
    QToolButton* ClearSearch = nullptr;
    QFrame* Panel3 = nullptr;
    QDateEdit* DTPicker = nullptr;
    QToolButton* ToChNum = nullptr;
    QToolButton* Today = nullptr;
    QFrame* Panel5 = nullptr;
    QToolButton* AllRec = nullptr;

    QFrame* Panel4 = nullptr;
    QPlainTextEdit* mm = nullptr;
    QListWidget* LBdate = nullptr;

    QStatusBar* SBar = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QAction* N2 = nullptr;  // "Открыть"
    QAction* N12 = nullptr; // "Создать"
    QAction* N14 = nullptr; // "Закрыть"
    QAction* N3 = nullptr;
    QAction* N4 = nullptr;  // "Выход"
    QAction* N10 = nullptr; // "Редактирование"
    QAction* N19 = nullptr; // "Поиск по дате"
    QAction* N20 = nullptr; // "Поиск по слову"
    QAction* N22 = nullptr;
    QAction* N23 = nullptr; // "Настройки"
    QAction* N13 = nullptr; // "Статистика"
    QAction* N25 = nullptr; // "Экспорт записей"
    QAction* N11 = nullptr; // "Импорт записей"
    QAction* N21 = nullptr; // "Защита"
    QAction* N24 = nullptr; // "Сделать главным"
    QAction* N26 = nullptr; // "Помощь"
    QAction* N7 = nullptr;  // "О дневнике"
    QAction* N8 = nullptr;  // "О программе"

    // Made when "Открыть" is first used.
    QFileDialog* OpenD = nullptr;

private:
    void buildMenu();
    void buildLabels(QWidget* client);
    void buildCoolBar(QWidget* client);
    void buildEntryBand();
    void buildWordBand();
    void buildDateBand();
    void buildAllBand();
    void buildPanel4(QWidget* client);
    void buildStatusBar();
    void placeOnScreen();

    void FormCreate();
    void createStatusPanels();
    void showToday();
    void readStartupSettings();
    bool grantStartupAccess();
    bool loadStartupDiary();
    void showNoDiaryState();
    void showDiaryView(const DiaryView& view);
    void showDateList(const QStringList& items);

    bool askPassword(const QString& path, QByteArray& key);
    QString chooseDiaryFile();
    bool probeDiary(const QString& path, bool& hasPassword, QByteArray& key);
    void openDiary(const QString& path);
    void showOpenedDiary(const DiaryView& view);
    void enableDiaryCommands();
    void closeDiary();
    void endWriting();
    void showNoEntry();
    QString editorText() const;
    QString labelKey() const;
    void restoreFullList();
    void removeDeletedEntry();

    void N2Click();
    void N12Click();
    void N14Click();
    void BexitClick();
    void LBdateDblClick();
    void mmChange();
    void BaddClick();
    void Bsave1Click();
    void BchangeClick();
    void Bsave2Click();
    void BdelClick();
    void BclearClick();

    void SearchClick();
    void ClearSearchClick();
    void TodayClick();
    void ToChNumClick();
    void AllRecClick();
    void ShowEntriesOfDate(const QString& dateText);
    void N19Click();
    void N20Click();
    void N7Click();
    void N13Click();
    void N24Click();
    void N10Click();
    void N23Click();

    bool hasEntries() const;
    QByteArray searchPhrase() const;
    void showFoundEntries(const std::vector<double>& stamps);
    void showPickerToday();
    void updateEntryButtons();
    qsizetype editorCharCount() const;
    QString diaryInformation() const;

    QString m_programDir;
    DiaryState m_state;
    TForm3* m_newDiaryWindow = nullptr;
    TForm4* m_settingsWindow = nullptr;
    // The open dialog's answer after a cancel: the name chosen last time.
    QString m_lastChosenDiary;
    QLabel* m_statusPanels[StatusPanelCount] = {};
};
