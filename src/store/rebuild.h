#pragma once

#include "diaryrecord.h"

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
// disk and renamed over the file. On any failure (FileError, or whatever `produce` throws) the old
// file stays as it was, no temporary file is left, and the error is thrown on.
// The one exception is the last step: once the rename is done, the folder is flushed so that the
// rename itself survives a power cut. If that fails the error is still thrown, but the file at
// `path` already holds the new records whole (and no temporary file is left).
// For a symbolic link the file it points to is replaced and the link kept. The new file gets the
// old one's permission bits.
// Handles open on the old file keep reading the old contents; reopen them afterwards.
void rebuildDiary(const QString& path, const std::function<void(RecordSink&)>& produce);

// The steps of a rebuild, for tests that make one of them fail.
enum class RebuildStep { CreateTemporary, WriteRecords, FlushTemporary, CloseTemporary, Rename, FlushFolder };
using RebuildFaultHook = std::function<void(RebuildStep)>;
// The hook runs before each step and may throw; pass an empty function to remove it.
void setRebuildFaultHook(RebuildFaultHook hook);
