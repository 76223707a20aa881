#pragma once

#include "import/olddiary.h"
#include "widgets/secondarywindow.h"

#include <QColor>
#include <QSize>
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
class SourceEntryModel;

// Brings the entries of an older diary file into the open diary or into a new diary in the folder the
// program keeps its files in: all of them, those with text, or those picked by hand with a preview. Made
// once and shown again: the choice of entries and the target keep their check marks between showings,
// while the source is opened anew each time. Its controls are laid out in importwindowlayout.cpp.
class ImportWindow : public SecondaryWindow
{
    Q_OBJECT

public:
    // `diariesDir`, where new diaries go (diariesDir()), is where the file dialog starts and where a new diary is
    // made.
    ImportWindow(DiaryDocument& document, const QString& diariesDir, QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The size as designed, frame included.
    static constexpr QSize OuterSize{390, 500};

    void buildControls();
    void buildSourceBox();
    void buildPasswordBox();
    void buildEntryBox();
    void buildTargetBox();
    void buildInfoBox();
    void buildBottom();
    void connectControls();
    void setPasswordCaption(const QString& caption, QColor colour);
    void setStatusText(const QString& text);

    void startAfresh();
    void forgetSource();
    void takeSourceName();
    void browseForSource();
    void openSource();
    void followEntryChoice();
    void followTargetChoice();
    void unlockSource();
    void previewCurrentEntry();
    void importEntries();
    // Back to how the window was before the click on "OK", with `error` shown.
    void failImport(const QString& error);

    DiaryDocument& m_document;
    const QString m_diariesDir;
    OldDiarySource m_source;
    SourceEntryModel* m_entries = nullptr;
    // The password was accepted: the preview may show the source's text.
    bool m_unlocked = false;
    // What the file dialog was last left with: a cancel keeps the name chosen before.
    QString m_lastChosenSource;

    QLineEdit* m_sourceName = nullptr;
    QPushButton* m_browseButton = nullptr;
    QPushButton* m_openButton = nullptr;
    QFileDialog* m_openDialog = nullptr;
    QGroupBox* m_passwordBox = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_passwordButton = nullptr;
    QRadioButton* m_allEntries = nullptr;
    QRadioButton* m_entriesWithText = nullptr;
    QRadioButton* m_pickedEntries = nullptr;
    QListView* m_entryList = nullptr;
    QPlainTextEdit* m_preview = nullptr;
    QRadioButton* m_intoOpenDiary = nullptr;
    QRadioButton* m_intoNewDiary = nullptr;
    QLabel* m_newFileCaption = nullptr;
    QLineEdit* m_newFileName = nullptr;
    QLabel* m_newTitleCaption = nullptr;
    QLineEdit* m_newTitle = nullptr;
    QLabel* m_newOwnerCaption = nullptr;
    QLineEdit* m_newOwner = nullptr;
    QLabel* m_sourceFile = nullptr;
    QLabel* m_sourceEntries = nullptr;
    QLabel* m_sourceVersion = nullptr;
    QLabel* m_attention = nullptr;
    QLabel* m_help = nullptr;
    QProgressBar* m_gauge = nullptr;
    QPushButton* m_importButton = nullptr;
    QLabel* m_statusPanel = nullptr;
};
