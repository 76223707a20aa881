#pragma once

#include "store/progress.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

class RecordFile;

// The entries an export writes: every entry of the diary in file order, or the given records in the
// given order (a record may come more than once).
struct ExportChoice {
    bool allEntries = false;
    std::vector<std::int32_t> records;
};

// The text layout appends to what the file holds; the HTML layout replaces the file.
enum class ExportLayout { Text, Html };

// Writes the chosen entries of `diary`, their text unscrambled with `key`, to `fileName` in `layout`.
// The footer names the program's version. Each entry is read once, by its record number; two threads
// make the file in batches of a few hundred entries, and no more than two batches are held at a time.
// The diary is only read; a target that is the diary's own file is refused before anything is written.
// `progress` hears, on the calling thread, how many of the entries are written.
// Throws QuillnestError (FileError for the file operations). A failure leaves no half-made result: a
// text file is cut back to the length it had (one that the export created is removed), an HTML file
// keeps its old content, and no temporary file stays behind. The output is always closed.
void writeExport(const RecordFile& diary, QByteArrayView key, const ExportChoice& choice, const QString& fileName,
                 ExportLayout layout, const ProgressReport& progress = {});
