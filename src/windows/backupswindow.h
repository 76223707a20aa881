#pragma once

#include "store/backupshelf.h"
#include "widgets/secondarywindow.h"

#include <QDateTime>
#include <QString>

#include <vector>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The open diary's dated copies, newest first: when each was taken, how many entries it holds and its size. The
// copy chosen opens as a diary of its own to be read, or takes the diary's place once the person agrees; what
// either does is the main window's. A new window is made for every use. It reads only each copy's size and first
// record, so that it comes up at once however many and however large the copies are.
class BackupsWindow : public SecondaryWindow
{
    Q_OBJECT

public:
    // `copies` oldest first, as the document gives them.
    BackupsWindow(const std::vector<BackupCopy>& copies, QWidget* parent);

    // A copy's time as the list shows it, seconds included, also at midnight.
    static QString timeText(const QDateTime& taken);

signals:
    void openingWanted(const QString& copyPath);
    // The person agreed to put the copy taken at `taken` in the diary's place.
    void restoringWanted(const QString& copyPath, const QDateTime& taken);

private:
    void buildList();
    void buildButtons();
    void listCopies(const std::vector<BackupCopy>& copies);
    QTreeWidgetItem* chosenCopy() const;
    void enableButtons();
    void openChosenCopy();
    void restoreChosenCopy();

    QTreeWidget* m_list = nullptr;
    QPushButton* m_openButton = nullptr;
    QPushButton* m_restoreButton = nullptr;
};
