// The main window's side of the diary's dated copies, and of deletions undone.
#include "backupoptionswindow.h"
#include "backupswindow.h"
#include "datelistview.h"
#include "diaryopener.h"
#include "entryeditor.h"
#include "mainwindow.h"
#include "passwordprompt.h"
#include "settings/settingsfile.h"
#include "store/stamp.h"

#include <QAction>
#include <QPlainTextEdit>

#include <utility>

// The entry deleted last is back at its place, selected and on view in the list of every entry.
void MainWindow::undoDeletion()
{
    const std::optional<double> deleted = m_document.undoableDeletion();
    int row = 0;
    if (!deleted || !m_dateList->takeFocusForCommand() || !attempt([&] { row = m_document.undoDeletion(); }))
        return;
    viewEntryOfRow(row);
    m_dateList->scrollTo(m_dateList->currentIndex());
    setStatusText(0, QStringLiteral(" Запись от ") + stampText(*deleted) + QStringLiteral(" восстановлена"));
}

// Typed text is saved or let go first: the entry it belongs to may not be in the copy. Afterwards no entry is on
// view.
void MainWindow::restoreCopy(const QString& copyPath, const QDateTime& taken)
{
    bool restored = false;
    if (!m_editor->mayLeaveTypedText() ||
        !attempt([&] { restored = m_document.restoreCopy(copyPath, PasswordPrompt::askerOver(this)); }) || !restored)
        return;
    m_textShown = false;
    m_textBox->clear();
    showNoEntry();
    setStatusText(0, QStringLiteral(" Дневник восстановлен из копии от ") + BackupsWindow::timeText(taken));
}

// A new window every time, listing the copies as they are now: those that the newest copy lets go are removed
// first.
void MainWindow::showBackupsWindow()
{
    if (!m_document.isOpen() || m_document.view().isReadOnlyCopy())
        return;
    m_document.waitForBackups();
    auto* window = new BackupsWindow(m_document.backupCopies(), this);
    connect(window, &BackupsWindow::openingWanted, this, [this](const QString& copyPath) {
        m_opener->openCopy(copyPath);
        updateControls();
    });
    connect(window, &BackupsWindow::restoringWanted, this, [this](const QString& copyPath, const QDateTime& taken) {
        restoreCopy(copyPath, taken);
        updateControls();
    });
    showSecondaryWindow(standingOver(window));
}

// A new window every time: it shows what Settings.ini holds.
void MainWindow::showBackupOptionsWindow()
{
    auto* window = new BackupOptionsWindow(settingsPath(), this);
    connect(window, &BackupOptionsWindow::accepted, this, &MainWindow::applyBackupOptions);
    showSecondaryWindow(standingOver(window));
}

void MainWindow::applyBackupOptions(const BackupOptions& options)
{
    m_document.setBackupPlace(m_backupsRoot, BackupPolicy{options.enabled, options.days});
}

void MainWindow::showBackupFailure(const QString& cause)
{
    if (std::exchange(m_toldOfBackupFailure, true))
        return;
    setStatusText(0, QStringLiteral(" Резервная копия не сделана: ") + cause);
}
