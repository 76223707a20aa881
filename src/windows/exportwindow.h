#pragma once

#include "widgets/secondarywindow.h"

#include <QString>

class DiaryDocument;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QShowEvent;
class RecordListModel;

// Writes entries of the open diary in clear text to a text or an HTML file: every entry, those the
// date list shows, or entries picked by hand. Made once and shown again: the picked entries stay
// picked between showings for as long as the diary they belong to stays open and keeps them.
class ExportWindow : public SecondaryWindow
{
    Q_OBJECT

public:
    ExportWindow(DiaryDocument& document, QWidget* parent);

    // The file the next export writes, as the name field and the browse button made it.
    const QString& exportFileName() const { return m_exportFileName; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* buildNameGroup();
    QGroupBox* buildEntryGroup();
    void buildBottom();
    void buildSaveDialog();
    void anchor(QGroupBox* nameGroup, QGroupBox* entryGroup);
    void followDocument();
    void moveSelected(QListView* from, RecordListModel* source, RecordListModel* target);

    void showDiaryEntries();
    void enableHandPicking();
    void pickEntry();
    void unpickEntry();
    void browseForFile();
    void takeTypedName();
    bool inputIsComplete();
    void exportEntries();

    DiaryDocument& m_document;
    RecordListModel* m_diaryRecords = nullptr;
    RecordListModel* m_exportRecords = nullptr;
    QString m_exportFileName;
    // What the save dialog was last left with: a cancel keeps the name chosen before.
    QString m_lastChosenName;

    QLineEdit* m_fileName = nullptr;
    QPushButton* m_browseButton = nullptr;
    QRadioButton* m_allEntries = nullptr;
    QRadioButton* m_listedEntries = nullptr;
    QRadioButton* m_pickedEntries = nullptr;
    QWidget* m_listsPanel = nullptr;
    QListView* m_diaryList = nullptr;
    QListView* m_exportList = nullptr;
    QPushButton* m_pickButton = nullptr;
    QPushButton* m_unpickButton = nullptr;
    QProgressBar* m_gauge = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QLabel* m_info = nullptr;
    QFileDialog* m_saveDialog = nullptr;
};
