#pragma once

#include "diaryrecord.h"

// An entry's text (file bytes) is kept in 20 slots of at most 255 bytes, each scrambled on its own
// with the key starting again at its first byte. Bytes beyond 5100 are not stored.
void cutTextIntoLines(DiaryRecord& record, QByteArrayView text, QByteArrayView key);
QByteArray joinLines(const DiaryRecord& record, QByteArrayView key);
// The same into `out`, which holds at least MaxEntryChars bytes; returns the length of the text.
qsizetype joinLinesInto(const DiaryRecord& record, QByteArrayView key, char* out);
