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
class TForm7 : public SecondaryWindow
{
    Q_OBJECT

public:
    TForm7(DiaryDocument& document, QWidget* parent);

    // The file the next export writes, as the name field and the browse button made it.
    const QString& exportFileName() const { return m_exportFileName; }

    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* InName = nullptr;
    QPushButton* view = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QRadioButton* All = nullptr;
    QRadioButton* DateList = nullptr;
    QRadioButton* Hand = nullptr;
    QListView* AllRecs = nullptr; // views of record numbers
    QListView* ExRecs = nullptr;
    QPushButton* ToEx = nullptr;
    QPushButton* ToAll = nullptr;
    QProgressBar* PBar = nullptr;
    QPushButton* BbOK = nullptr;
    QPushButton* BbExit = nullptr;
    QLabel* info = nullptr;
    QFileDialog* SaveD = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildNameGroup();
    void buildEntryGroup();
    void buildBottom();
    void buildSaveDialog();
    void anchor();
    void followDocument();
    void moveSelected(QListView* from, RecordListModel* source, RecordListModel* target);

    void FormShow();
    void AllMouseMove();
    void ToExClick();
    void ToAllClick();
    void viewClick();
    void InNameChange();
    bool CheckExportInput();
    void BbOKClick();
    void BbExitClick();

    DiaryDocument& m_document;
    RecordListModel* m_allRecs = nullptr;
    RecordListModel* m_exRecs = nullptr;
    QWidget* m_listsPanel = nullptr;
    QString m_exportFileName;
    // What the save dialog was last left with: a cancel keeps the name chosen before.
    QString m_lastChosenName;
};
