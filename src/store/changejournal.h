#pragma once

#include "diaryrecord.h"

#include <functional>

class RecordFile;

// A record overwritten in place can be torn by a kill or a power cut: part new, part old. While a
// record is replaced, a journal beside the diary ("<diary>.journal") holds the old and the new
// record; it is on the disk before the record is touched, and goes once the new record is.

// Puts `fresh` in place of record `n`, which holds `old`, flushed to disk. However the program stops
// on the way, the diary holds one of the two whole once it has been through recoverTornRecord.
// On failure the error is thrown with the old record back in place, or, where even that cannot be
// written, with the journal left for the next opening to put it back. Where another user's object has the
// journal's name, nothing is written and sidefiles::SideFileTakenError is thrown.
void replaceRecord(RecordFile& diary, qint64 n, const DiaryRecord& old, const DiaryRecord& fresh);

// Finishes a replacement cut short in the diary open (and locked) as `diary`: a record that is not
// the new one whole gets the old one back, and the journal goes. A journal that was itself cut short
// means the diary was never touched. Throws FileError when the old record cannot be written back;
// the journal then stays for another attempt. A journal that another user could have written
// (sidefiles::isOwnPrivateFile) is never applied and stays where it is: its name is returned, for the
// person to be told; else the name is empty.
QByteArray recoverTornRecord(RecordFile& diary);

// The steps of a replacement, for tests that make one of them fail.
enum class JournalStep { WriteJournal, WriteRecord, FlushRecord, RemoveJournal };
using JournalFaultHook = std::function<void(JournalStep)>;
// The hook runs before each step and may throw; pass an empty function to remove it.
void setJournalFaultHook(JournalFaultHook hook);
