#pragma once

// The two threads that write an export: each reads a batch of entries and makes what it becomes in the
// file while the other one's batch is written.

#include "entryexport.h"
#include "exportformat.h"

#include <QByteArrayView>

class EntryCodec;
class RecordFile;

// Writes, at the end of the file open as `fd`, the chosen entries of `diary` (their text read with
// `codec`) in `format`, after what the format begins a file with and before `footer`. Each entry is read
// once, by its record number, and no more than two batches of a few hundred are held at a time. `progress`
// hears, on the calling thread, how many of the entries are written. Throws QuillnestError.
void writeExportedEntries(int fd, const RecordFile& diary, const EntryCodec& codec, const ExportChoice& choice,
                          const ExportFormat& format, QByteArrayView footer, const ProgressReport& progress);
