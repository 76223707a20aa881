#pragma once

#include "diaryrecord.h"
#include "error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class EntryCodec;
class RecordFile;

// The text box shows line breaks as "\n"; diary files keep them as CR LF.
QString toEditorLineBreaks(const QString& fileText);
QString toFileLineBreaks(const QString& editorText);

// Time-stamp texts are at most this long; the date label keeps this many characters of a list item.
constexpr int LabelKeyLength = 20;

// An entry's text as the diary file stores it: CR LF line breaks, Windows-1251 bytes. Text that cannot
// be stored whole (characters that Windows-1251 lacks, more than `capacity` bytes) throws QuillnestError
// with a message that says why, so that nothing is ever stored cut short or altered; `capacity` is the most bytes
// the diary's entries hold.
QByteArray entryFileBytes(const QString& editorText, qsizetype capacity = MaxEntryChars);

// A new password as the diary stores it (file bytes, at most 255 of them: a longer one is stored as
// its first 255 characters). An empty one, or one with characters that Windows-1251 lacks, throws
// QuillnestError saying so.
QByteArray passwordFileBytes(const QString& typed);

// Whether `typed` is the password whose clear bytes are `stored`: the one rule of every password
// check. Letter case counts. Only as much of the typed text counts as the stored field holds (255
// characters), since a longer password was stored cut so. A character that Windows-1251 lacks never
// matches, not even a '?' stored in its place, and neither does an empty text or an empty password.
bool isTypedPassword(const QString& typed, QByteArrayView stored);

// The text of entry `record` as the text box shows it; `buffer` receives the record as read.
// Throws DamagedEntryError for a record that does not read.
QString readEntryText(const RecordFile& diary, qint64 record, const EntryCodec& codec, DiaryRecord& buffer);

// Appends an entry stamped `stamp` whose text is `text` (file bytes), flushed to disk, and returns its
// record number. A diary that already holds MaxEntries entries is refused. On failure the file is cut
// back to its old length.
qint64 appendEntry(RecordFile& diary, QByteArrayView text, const EntryCodec& codec, double stamp, DiaryRecord& buffer);

// Entry `record` is the one the user has on view only if its time-stamp text still equals `labelKey`;
// otherwise QuillnestError "Запись не найдена в дневнике". `buffer` receives the record.
void readViewedEntry(const RecordFile& diary, qint64 record, const QString& labelKey, DiaryRecord& buffer);

// Gives entry `record` (checked as above) the text `text`, keeping its stamp and its place, flushed
// to disk, all or nothing (see replaceRecord).
void rewriteEntry(RecordFile& diary, qint64 record, const QString& labelKey, QByteArrayView text,
                  const EntryCodec& codec, DiaryRecord& buffer);
