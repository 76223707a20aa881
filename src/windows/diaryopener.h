#pragma once

#include "document/diarydocument.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

class EntryEditor;
class QFileDialog;
class QWidget;

// Opens and closes the diary of the document as the person asks: one chosen in the open dialog or named
// on the command line, or the one Settings.ini names at start. Nothing typed goes unasked (EntryEditor),
// and a diary that cannot be opened leaves the open one as it was. Settings.ini remembers the last diary
// opened and the main diary; one that cannot be written keeps no diary from opening.
class DiaryOpener : public QObject
{
    Q_OBJECT

public:
    // Runs an operation of the document and shows its failure; says whether it was done.
    using Attempt = std::function<bool(const std::function<void()>&)>;

    // `dataDir`, the folder the program keeps its files in, holds Settings.ini; the open dialog starts in the
    // folder of the diary opened last, or else in `diariesDir`, where new diaries are made. `window` stands over the
    // dialog, the password prompt and the messages.
    DiaryOpener(DiaryDocument& document, EntryEditor& editor, const QString& dataDir, const QString& diariesDir,
                QWidget* window, Attempt attempt);

    QString settingsPath() const;

    // Opens the diary `path` that Settings.ini names: nothing it cannot read, and nothing said about it.
    // False when no diary was opened.
    bool openAtStart(const QString& path);
    // "Открыть": the file chosen in the open dialog.
    void chooseAndOpen();
    // The diary at `path`, as chosen.
    void open(const QString& path);
    // The dated copy at `path`, to be read only.
    void openCopy(const QString& path);
    void close();
    // The open diary becomes the main one, which Settings.ini can have opened at start.
    void makeMain();
    // What the person must know of the diary just opened: entries the list cannot hold, and a change journal
    // beside it that was not applied.
    void tellWhatTheDiaryHolds();

signals:
    // A diary is about to open while none is.
    void openingIntoEmptyWindow();

private:
    QString startFolder() const;
    QString chooseFile();
    void switchTo(const QString& path);
    void rememberLastDiary(const QString& path);

    DiaryDocument& m_document;
    EntryEditor& m_editor;
    const QString m_dataDir;
    const QString m_diariesDir;
    // The diary opened last in this session.
    QString m_lastOpened;
    QWidget* m_window;
    Attempt m_attempt;
    // Made when "Открыть" is first used.
    QFileDialog* m_dialog = nullptr;
    // The dialog's answer after a cancel: the name chosen last time.
    QString m_lastChosen;
    // The person was told that Settings.ini could not be written.
    bool m_toldOfSettings = false;
    // Journals not applied that the person was told of: each stays where it is, and is told of once.
    QSet<QString> m_toldOfJournals;
};
