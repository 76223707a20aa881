#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// What a person is writing, kept beside the diary as "<diary>.draft" while an entry is being added or
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

// The draft file of the diary at `diaryPath`: "<diary>.draft" beside the file a link points to.
QByteArray draftName(const QString& diaryPath);

// Makes `draft` the diary's draft, its text scrambled with `key` in pieces as entries' lines are, so
// that it never holds clear text. The file is replaced whole (FileReplacement), readable by its owner
// only. Throws QuillnestError.
void writeDraft(const QString& diaryPath, const Draft& draft, QByteArrayView key);

enum class DraftFound { None, Readable, SetAside };
// Reads the diary's draft with `key` into `draft`, once what a draft's writing killed on the way left is
// gone. A draft that does not read as one under this key (the password changed since, or the file is
// damaged), or that belongs to another diary made in its place (`diaryCreated` differs), is never
// thrown away: it is renamed to "<diary>.draft.bad" (or ".bad.1" and on, where such a
// file is kept already), and SetAside returned; `setAsideAs` receives that name.
DraftFound readDraft(const QString& diaryPath, QByteArrayView key, double diaryCreated, Draft& draft,
                     QString& setAsideAs);

// A draft that is not there is no trouble; one that cannot be removed throws FileError, so that it is
// not offered again as unsaved once it was saved.
void removeDraft(const QString& diaryPath);
