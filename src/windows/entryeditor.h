#pragma once

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

class DiaryDocument;
class DraftKeeper;
class QPlainTextEdit;
class QWidget;

// What the person does with the text box: reads the entry on view, or writes a new entry or a change
// of the one on view. What is being written is kept as the diary's draft (DraftKeeper) until it is saved
// or let go, and nothing typed goes without the person being asked.
class EntryEditor : public QObject
{
    Q_OBJECT

public:
    enum class Mode { Viewing, Adding, Changing };
    // Runs an operation of the document and shows its failure; says whether it was done.
    using Attempt = std::function<bool(const std::function<void()>&)>;

    // `window` stands over the text box: its questions are asked there, and its losing the focus writes
    // the draft at once.
    EntryEditor(DiaryDocument& document, QPlainTextEdit* textBox, QWidget* window, Attempt attempt);

    Mode mode() const { return m_mode; }
    // The text box's text as typed.
    QString text() const;

    // Writing a new entry begins in an empty text box, a change of the entry on view in its text; each
    // needs an open diary, a change an entry on view.
    void addEntry();
    void changeEntry();
    // Saves what is written as the new entry, or as the new text of the entry on view; each only while
    // that is what is written. A refused save keeps the mode, so that the text can be corrected.
    void saveNewEntry();
    void saveChangedEntry();
    // What is written is let go: the text box empties and the draft goes.
    void discardEntry();
    // The diary it was written into has gone from view: the draft stays, for the next opening.
    void leaveEntry();
    // What is written goes into the draft now.
    void keepDraftNow();
    // Offers back what was being written into the diary just opened when the program last stopped without
    // saving it: if the person wants it, as it was being written, a change of the entry it was for while
    // there is one. Esc keeps it for the next opening.
    void offerDraft();
    // Before a command that would leave typed text unsaved: true when it may go on. Only typed text makes
    // the person choose: "Да" saves it (and nothing goes on when that fails), "Нет" lets it go, "Отмена"
    // keeps everything as it was.
    bool mayLeaveTypedText();

signals:
    void modeChanged();
    // What the status bar says of what was done.
    void told(const QString& status);
    // What was written was let go and the text box emptied.
    void discarded();
    // Saving a new entry made the date list show every entry again.
    void everyEntryListed();
    // The draft offered back changes the entry of list row `row`, which is to be on view.
    void entryWanted(int row);

private:
    void setMode(Mode mode);
    // False when nothing was saved.
    bool save();

    DiaryDocument& m_document;
    QPlainTextEdit* m_textBox;
    QWidget* m_window;
    DraftKeeper* m_draft;
    Attempt m_attempt;
    Mode m_mode = Mode::Viewing;
    // The names of drafts held by another user's object that the person was told of.
    QSet<QString> m_toldOfTakenNames;
};
