#pragma once

#include "store/progress.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

class EntryCodec;
class RecordFile;

// The entries an export writes: every entry of the diary in file order, or the given records in the
// given order (a record may come more than once).
struct ExportChoice {
    bool allEntries = false;
    std::vector<std::int32_t> records;
};

// The text layout appends to what the file holds; the HTML layout replaces it.
enum class ExportLayout { Text, Html };

// Writes the chosen entries of `diary`, their text read with its `codec`, to `fileName` in `layout`; an entry that
// does not read is written as the sentence DamagedEntryError tells of it.
// The footer names the program's version. Each entry is read once, by its record number; two threads
// make the file in batches of a few hundred entries, and no more than two batches are held at a time.
// The diary is only read; a target that is the diary's own file is refused before anything is written.
// `progress` hears, on the calling thread, how many of the entries are written.
// The file is written whole beside the target and then takes its place (for the text layout it begins
// with what the target held), so that whatever stops an export, a kill included, the target is as it
// was or complete. An existing target must be a file the person may write in place ("File access
// denied" otherwise, whatever its folder allows); in a folder that takes no new files it is written in
// place, where that promise cannot hold. A link is followed only where sidefiles::resolveTarget allows.
// Throws QuillnestError (FileError for the file operations); a failure leaves no temporary file, and one
// that a killed export left goes with the next export to the same target.
void writeExport(const RecordFile& diary, const EntryCodec& codec, const ExportChoice& choice, const QString& fileName,
                 ExportLayout layout, const ProgressReport& progress = {});
