#pragma once

#include "import/olddiary.h"
#include "widgets/secondarywindow.h"

#include <QColor>
#include <QString>

class DiaryDocument;
class QFileDialog;
class QGroupBox;
class QHideEvent;
class QLabel;
class QLineEdit;
class QListView;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QShowEvent;
class QStatusBar;
class SourceEntryModel;

// Brings the entries of an older diary file into the open diary or into a new diary in the folder the
// program keeps its files in: all of them, those with text, or those picked by hand with a preview. Made once and shown
// again: the choice of entries and the target keep their check marks between showings, while the
// source is opened anew each time.
class TForm8 : public SecondaryWindow
{
    Q_OBJECT

public:
    // `dataDir`, the folder the program keeps its files in (programDataDir()), is where the file dialog
    // starts and new diaries go.
    TForm8(DiaryDocument& document, const QString& dataDir, QWidget* parent);

    // The text of the status bar's one panel.
    QString statusText() const;

    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* EInF = nullptr;
    QPushButton* Find = nullptr;
    QPushButton* Open = nullptr;
    QGroupBox* PassBox = nullptr;
    QLineEdit* EPass = nullptr;
    QPushButton* PassOk = nullptr;
    QGroupBox* OutBox = nullptr;
    QRadioButton* RBAll = nullptr;
    QRadioButton* RBFull = nullptr;
    QRadioButton* RBHand = nullptr;
    QListView* CLB = nullptr; // a check list of the source's entries
    QPlainTextEdit* MLook = nullptr;
    QGroupBox* ToBox = nullptr;
    QRadioButton* RBThis = nullptr;
    QRadioButton* RBNew = nullptr;
    QLabel* LFName = nullptr;
    QLineEdit* EFName = nullptr;
    QLabel* LDName = nullptr;
    QLineEdit* EDName = nullptr;
    QLabel* LMName = nullptr;
    QLineEdit* EMName = nullptr;
    QGroupBox* GroupBox5 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* LName = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* LNum = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* LVer = nullptr;
    QLabel* Att = nullptr;
    QLabel* Lhelp = nullptr;
    QProgressBar* PBar = nullptr;
    QPushButton* BbGo = nullptr;
    QPushButton* BBClose = nullptr;
    QStatusBar* SBar = nullptr;
    QFileDialog* OpenD = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildSourceBox();
    void buildPassBox();
    void buildOutBox();
    void buildToBox();
    void buildInfoBox();
    void buildBottom();
    void connectHandlers();
    void setPassCaption(const QString& caption, QColor colour);
    void setStatusText(const QString& text);
    // Back to how the window was before the click on "OK", with `error` shown.
    void failImport(const QString& error);

    void ResetImportWindow();
    void FormShow();
    void FormClose();
    void EInFChange();
    void FindClick();
    void OpenClick();
    void RBHandClick();
    void RBThisClick();
    void PassOkClick();
    void CLBClick();
    void BBGoClick();
    void BBCloseClick();

    DiaryDocument& m_document;
    const QString m_dataDir;
    OldDiarySource m_source;
    SourceEntryModel* m_entries = nullptr;
    QLabel* m_statusPanel = nullptr;
    // The password was accepted: the preview may show the source's text.
    bool m_unlocked = false;
    // What the file dialog was last left with: a cancel keeps the name chosen before.
    QString m_lastChosenSource;
};
