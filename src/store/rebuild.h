#pragma once

#include "diaryopen.h"
#include "diaryrecord.h"
#include "recordfile.h"

#include <QString>

#include <functional>

// Collects the records of a diary that is being rebuilt.
class RecordSink
{
public:
    virtual ~RecordSink() = default;
    virtual void put(const DiaryRecord& record) = 0;
};

// Replaces the file at `path` by the records that `produce` puts, so that at no moment is the file
// missing or half-written: they go to a temporary file in the same folder, which is flushed to
// disk and put in the file's place. On any failure (FileError, or whatever `produce` throws) the old
// file stays as it was, no temporary file is left, and the error is thrown on. Temporary files that
// earlier writes of `path` left when they were killed go first (sidefiles::removeLeftoverTemporaries).
// The one exception is the last step: once the rename is done, the folder is flushed so that the
// rename itself survives a power cut. If that fails NotDurableError is thrown: the file at `path`
// already holds the new records whole (and no temporary file is left).
// For a symbolic link the file it points to is replaced and the link kept. The new file gets the
// old one's owner, group and permission bits as far as the system allows; a file that did not exist
// is made readable by its owner only.
// Nothing is replaced but the file the rebuild was made from: `madeFrom`, else the file at `path`
// when the rebuild begins (or nothing, where no file was). Should another program put a file of its
// own at `path` meanwhile, or remove the old one, that is found when the new file is put in place, in
// the same step: the other file stays as it is, the new one goes, and DiaryReplacedError is thrown.
// Handles open on the old file keep reading the old contents. With `replacement`, the new file is
// handed over there open and locked, so that no other copy of the program can take the diary between
// the rename and the caller's reopening it; that happens as soon as the rename is done, also when the
// folder cannot be flushed afterwards.
void rebuildDiary(const QString& path, const std::function<void(RecordSink&)>& produce,
                  RecordFile* replacement = nullptr, const FileIdentity* madeFrom = nullptr);

// Writes a new diary at `path` the same way, so that it appears whole or not at all (NotDurableError
// once it is there); a file that is there already, or comes meanwhile, is never replaced (FileError
// for EEXIST).
void createDiaryWhole(const QString& path, const std::function<void(RecordSink&)>& produce);

// The steps of a rebuild, for tests that make one of them fail.
enum class RebuildStep { CreateTemporary, WriteRecords, FlushTemporary, CloseTemporary, Rename, FlushFolder };
using RebuildFaultHook = std::function<void(RebuildStep)>;
// The hook runs before each step and may throw; pass an empty function to remove it.
void setRebuildFaultHook(RebuildFaultHook hook);
