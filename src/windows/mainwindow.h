#pragma once

#include "document/diarydocument.h"
#include "mainwindowlayout.h"

#include <QMainWindow>
#include <QString>

class DateListView;
class DraftKeeper;
class QAction;
class QDateEdit;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPlainTextEdit;
class QStatusBar;
class QToolButton;
class SecondaryWindow;
class TForm4;
struct StartupOptions;

// The main window: shows the open diary's list of entries and the entry on view, and turns the
// person's commands into operations of the diary document, which it owns.
class TForm1 : public QMainWindow, public Form1Layout
{
    Q_OBJECT

public:
    // `dataDir`, the folder the program keeps its files in (programDataDir()), holds Settings.ini; the open
    // dialog starts there.
    explicit TForm1(const QString& dataDir, QWidget* parent = nullptr);

    DiaryDocument& document() { return m_document; }
    const DiaryDocument& document() const { return m_document; }
    QString settingsPath() const;

    // "Сегодня " and today's date: what Ldate holds while no entry is on view.
    static QString todayCaption();

    // False while a window of the program blocks this one (a secondary window, a message, a prompt).
    bool takesInput() const;

    // The new-diary window, made once at program start; "Создать" shows it.
    void setNewDiaryWindow(SecondaryWindow* window);
    // The settings window, made once at program start; "Настройки" shows it.
    void setSettingsWindow(TForm4* window);
    // The export window, made once at program start; "Экспорт записей" shows it.
    void setExportWindow(SecondaryWindow* window);
    // The import window, made once at program start; "Импорт записей" shows it.
    void setImportWindow(SecondaryWindow* window);
    // Opens the diary `path` as "Открыть" does with the file chosen (also from the command line).
    void openChosen(const QString& path);
    // The About window, made once at program start; "О программе" shows it.
    void setAboutWindow(SecondaryWindow* window);

    // Made when "Открыть" is first used.
    QFileDialog* OpenD = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the person is doing with the text box.
    enum class Mode { Viewing, Adding, Changing };

    void connectHandlers();
    template <class Sender, class Signal> void route(Sender* sender, Signal signal, void (TForm1::*handler)());

    // The one place where a failed operation is shown: runs it, and on QuillnestError shows the
    // error's text in the message box; says whether it was done. An operation that is done but not
    // yet safe on disk (NotDurableError) counts as done, once the person has been told.
    bool attempt(const std::function<void()>& operation);
    // Decides the availability of every command and control from the document and the mode.
    void updateControls();

    void FormCreate();
    void showToday();
    bool openStartupDiary(const QString& path);
    PasswordAsker passwordAsker();
    QString chooseDiaryFile();
    void openDiary(const QString& path);
    void showSecondaryWindow(SecondaryWindow* window);

    void showOpenedDiary();
    void offerDraft();
    bool mayLeaveTypedText();
    void showClosedDiary();
    void showHeading();
    void showNoEntry();
    void showPickerToday();
    bool showEntriesOfDay(const QDate& day);
    QString editorText() const;
    bool focusDateList();
    void applySettings(const StartupOptions& boxes);

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
    void N19Click();
    void N20Click();
    void N7Click();
    void N13Click();
    void N24Click();
    void N10Click();
    void N23Click();
    void N25Click();
    void N21Click();
    void N11Click();
    void N8Click();
    SecondaryWindow* standingOver(SecondaryWindow* window);

    QString m_dataDir;
    DiaryDocument m_document;
    Mode m_mode = Mode::Viewing;
    DraftKeeper* m_draft = nullptr;
    // The text box holds an entry or typed text, so "Статистика" has something to count.
    bool m_textShown = false;
    // A diary was closed and none opened since: the text box is disabled.
    bool m_diaryClosed = false;
    // "Показать все записи" follows the date-search mark as it was when a diary was opened while none was.
    bool m_allEntriesAllowed = true;
    bool m_statusPanelsSized = false;
    SecondaryWindow* m_newDiaryWindow = nullptr;
    TForm4* m_settingsWindow = nullptr;
    SecondaryWindow* m_exportWindow = nullptr;
    SecondaryWindow* m_importWindow = nullptr;
    SecondaryWindow* m_aboutWindow = nullptr;
    // The open dialog's answer after a cancel: the name chosen last time.
    QString m_lastChosenDiary;
};
