#include "diaryopener.h"

#include "entryeditor.h"
#include "passwordprompt.h"
#include "settings/privateprofile.h"
#include "settings/settingsfile.h"
#include "store/diaryrecord.h"
#include "store/error.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QFileDialog>
#include <QFileInfo>

#include <utility>

DiaryOpener::DiaryOpener(DiaryDocument& document, EntryEditor& editor, const QString& dataDir,
                         const QString& diariesDir, QWidget* window, Attempt attempt)
    : QObject(window), m_document(document), m_editor(editor), m_dataDir(dataDir), m_diariesDir(diariesDir),
      m_window(window), m_attempt(std::move(attempt))
{
}

QString DiaryOpener::settingsPath() const
{
    return settingsFilePath(m_dataDir);
}

// Only a regular file: opening a folder or a pipe as a diary would fail or block.
bool DiaryOpener::openAtStart(const QString& path)
{
    if (!QFileInfo(path).isFile() || !path.contains(QLatin1String(".qnb")))
        return false;
    try {
        const bool opened = m_document.open(path, PasswordPrompt::askerOver(m_window));
        if (opened)
            m_lastOpened = path;
        return opened;
    } catch (const QuillnestError&) {
        return false;
    }
}

// The name the dialog holds afterwards is taken whatever the answer: after a cancel that is the name
// chosen last time, or none before the first choice.
QString DiaryOpener::chooseFile()
{
    if (!m_dialog)
        m_dialog = makeOpenDialog(m_window, QStringLiteral("Файл-дневник (*.qnb)"));
    m_dialog->setDirectory(startFolder());
    if (m_dialog->exec() == QDialog::Accepted)
        m_lastChosen = m_dialog->selectedFiles().value(0);
    return m_lastChosen;
}

void DiaryOpener::chooseAndOpen()
{
    if (m_editor.mayLeaveTypedText())
        open(chooseFile().left(MaxPathLength));
}

void DiaryOpener::open(const QString& path)
{
    if (!m_editor.mayLeaveTypedText())
        return;
    // The same file under another name (a link, another spelling) is still the open diary; a file that took
    // its place at its path is not.
    if (m_document.isOpen() && m_document.view().holdsFileAt(path)) {
        showMessage(m_window, QStringLiteral("Файл уже открыт"));
        return;
    }
    // A folder is no diary, and reading a pipe would never end.
    if (!QFileInfo(path).isFile()) {
        showMessage(m_window, QStringLiteral("Файл не найден"));
        return;
    }
    m_attempt([&] { switchTo(path); });
}

// A copy is never remembered as the last diary: at the next start it would open for writing.
void DiaryOpener::openCopy(const QString& path)
{
    if (m_editor.mayLeaveTypedText())
        m_attempt([&] { m_document.openCopy(path, PasswordPrompt::askerOver(m_window)); });
}

// Everything that can fail happens before the document lets go of the diary it holds: a file that
// cannot be read, a refused password or an unwritable Settings.ini leave the open diary open and working.
void DiaryOpener::switchTo(const QString& path)
{
    std::optional<PreparedDiary> diary = m_document.prepare(path, PasswordPrompt::askerOver(m_window));
    if (!diary)
        return;
    if (!m_document.isOpen())
        emit openingIntoEmptyWindow();
    m_document.adopt(std::move(*diary));
    m_lastOpened = path;
    rememberLastDiary(path);
}

// The folder of the diary opened last, in this session or an earlier one, where it still is.
QString DiaryOpener::startFolder() const
{
    const QString last =
        !m_lastOpened.isEmpty()
            ? m_lastOpened
            : PrivateProfile(settingsPath()).readString(SettingsKeys::Directory, SettingsKeys::LastDiary, {});
    const QFileInfo folder(QFileInfo(last).absolutePath());
    return !last.isEmpty() && folder.isDir() ? folder.filePath() : m_diariesDir;
}

// A settings file that cannot be written keeps no diary from opening: the person is told once.
void DiaryOpener::rememberLastDiary(const QString& path)
{
    try {
        PrivateProfile(settingsPath()).writeString(SettingsKeys::Directory, SettingsKeys::LastDiary, path);
    } catch (const QuillnestError& error) {
        if (!m_toldOfSettings)
            showMessage(m_window, QStringLiteral("Дневник открыт, но не запомнен как последний: ") + error.text());
        m_toldOfSettings = true;
    }
}

void DiaryOpener::tellWhatTheDiaryHolds()
{
    if (const qint64 unlisted = m_document.view().unlistedEntries(); unlisted > 0)
        showMessage(m_window, QStringLiteral("В файле дневника больше записей, чем вмещает список: показаны первые %1, "
                                             "ещё %2 не показываются и не просматриваются.")
                                  .arg(MaxEntries)
                                  .arg(unlisted));
    const QString& journal = m_document.view().foreignJournal();
    if (journal.isEmpty() || m_toldOfJournals.contains(journal))
        return;
    m_toldOfJournals.insert(journal);
    showMessage(m_window, QStringLiteral("Рядом с дневником лежит файл журнала изменений, который мог записать "
                                         "другой пользователь; он не применён и оставлен как есть:\r") +
                              journal);
}

// Also with no diary open: the text box is then disabled, as after closing one.
void DiaryOpener::close()
{
    if (m_editor.mayLeaveTypedText())
        m_document.close();
}

void DiaryOpener::makeMain()
{
    if (m_document.isOpen())
        m_attempt([&] {
            PrivateProfile(settingsPath())
                .writeString(SettingsKeys::Directory, SettingsKeys::FaveDiary, m_document.view().path());
        });
}
