#pragma once

#include "diaryrecord.h"

// An entry's text (file bytes) is kept in 20 slots of at most 255 bytes, each scrambled on its own
// with the key starting again at its first byte. Bytes beyond 5100 are not stored.
void cutTextIntoLines(DiaryRecord& record, QByteArrayView text, QByteArrayView key);
QByteArray joinLines(const DiaryRecord& record, QByteArrayView key);

// The key laid out over a whole slot, which a line is combined with: made once for a pass over many
// records.
QByteArray linePattern(QByteArrayView key);
// joinLines into `out`, which holds at least MaxEntryChars bytes, with the line pattern of the key;
// returns the length of the text.
qsizetype joinLinesInto(const DiaryRecord& record, const QByteArray& pattern, char* out);

// Moving lines from one key to another where they lie: rekeyingPattern(old, new) is the pattern that
// rekeyLines applies to each non-empty line of a record, which then reads under the new key exactly as
// it read under the old one, every line keeping its length.
QByteArray rekeyingPattern(QByteArrayView oldKey, QByteArrayView newKey);
void rekeyLines(DiaryRecord& record, const QByteArray& change);
