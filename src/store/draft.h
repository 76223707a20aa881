#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class EntryCodec;

// What a person is writing, kept as the diary's draft (draftName) while an entry is being added or
// changed, so that a crash, a kill or a power cut loses no more than the last moments of typing.
struct Draft {
    bool changing = false; // a change of entry `entryRecord`, stamped `entryStamp`; else a new entry
    qint32 entryRecord = 0;
    double entryStamp = 0;
    double diaryCreated = 0; // the `Created` of the diary it belongs to
    double writtenAt = 0;    // when the draft was written
    QString text;            // as the text box held it, every character kept
    bool operator==(const Draft&) const = default;
};

// The draft file of the diary at `diaryPath`: "<diary>.draft" beside the file a link points to. Where
// another user's object, or one anybody may write, has that name (sidefiles::isOwnPrivateFile), the draft
// is kept in the person's own folder instead, "$XDG_STATE_HOME/quillnest/drafts" (by default
// "~/.local/state/quillnest/drafts"), under the diary's name and a hash of its path; `taken` then
// receives the name the object holds. Throws FileError when that folder cannot be had.
QByteArray draftName(const QString& diaryPath, QByteArray* taken = nullptr);

// Makes `draft` the diary's draft, its text kept as the diary's `codec` keeps text beside it, so that it never
// holds clear text. The file is replaced whole (FileReplacement), readable by its owner
// only. Throws QuillnestError.
void writeDraft(const QString& diaryPath, const Draft& draft, const EntryCodec& codec);

enum class DraftFound { None, Readable, SetAside };

// What reading a diary's draft found.
struct DraftReading {
    DraftFound found = DraftFound::None;
    Draft draft;        // Readable: the draft
    QString setAsideAs; // SetAside: the name the draft that could not be read has now
    QString takenName;  // another user's object at the draft's name beside the diary, left alone
    QString keptIn;     // where the drafts of the diary are kept instead, while that name is taken
};

// Reads the diary's draft with its `codec`, once what a draft's writing killed on the way left is gone. A
// draft that does not read as one under this codec (the password changed since, or the file is damaged),
// or that belongs to another diary made in its place (`diaryCreated` differs, bit for bit), is never
// thrown away: it is renamed to "<draft>.bad" (or ".bad.1" and on, where such a file is kept already).
DraftReading readDraft(const QString& diaryPath, const EntryCodec& codec, double diaryCreated);

// A draft that is not there is no trouble; one that cannot be removed throws FileError, so that it is
// not offered again as unsaved once it was saved.
void removeDraft(const QString& diaryPath);
