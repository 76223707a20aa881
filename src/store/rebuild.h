#pragma once

#include "diaryrecord.h"
#include "fileidentity.h"
#include "recordfile.h"
#include "replacement.h"

#include <QString>

#include <functional>

// Collects the records of a diary that is being rebuilt.
class RecordSink
{
public:
    virtual ~RecordSink() = default;
    virtual void put(const DiaryRecord& record) = 0;
};

// Replaces the diary at `path` by the records that `produce` puts, so that at no moment is the file
// missing or half-written: it is replaced whole, as FileReplacement does (replacement.h). On any failure
// (FileError, or whatever `produce` throws) the old file stays as it was, no temporary file is left, and
// the error is thrown on. The one exception is the last step: once the new file has the diary's name, the
// folder is flushed so that the name survives a power cut; if that fails NotDurableError is thrown, and
// the file at `path` already holds the new records whole (no temporary file is left).
// For a symbolic link the file it points to is replaced and the link kept. The new file gets the
// old one's owner, group and permission bits as far as the system allows; a file that did not exist
// is made readable by its owner only.
// Nothing is replaced but the file the rebuild was made from: `madeFrom`, else the file at `path`
// when the rebuild begins (or nothing, where no file was). Should another program put a file of its
// own at `path` meanwhile, or remove the old one, that is found when the new file is put in place, in
// the same step: the other file stays as it is, the new one goes, and DiaryReplacedError is thrown.
// Handles open on the old file keep reading the old contents. With `replacement`, the new file is
// handed over there open and locked, so that no other copy of the program can take the diary between
// the exchange and the caller's reopening it; that happens as soon as the exchange is done, also when
// the folder cannot be flushed afterwards.
// `keeper` hears of the old file as FileReplacement::keepReplacedWith() says.
void rebuildDiary(const QString& path, const std::function<void(RecordSink&)>& produce,
                  RecordFile* replacement = nullptr, const FileIdentity* madeFrom = nullptr,
                  const ReplacedFileKeeper& keeper = {});

// Writes a new diary at `path` the same way, so that it appears whole or not at all (NotDurableError
// once it is there); a file that is there already, or comes meanwhile, is never replaced (FileError
// for EEXIST).
void createDiaryWhole(const QString& path, const std::function<void(RecordSink&)>& produce);

// Writes `header` as the only record of a new diary at `path`, whole or not at all. An existing file is
// never replaced: it fails with FileError unless `replaceExisting`, and then it is rebuilt, so that a
// failure leaves the old file as it was.
void createDiaryFile(const QString& path, const DiaryRecord& header, bool replaceExisting);
