#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class RecordFile;

// Our credit at the end of the footer line of both layouts.
extern const QString ExportCredit;

// The entries an export writes: every entry of the diary in file order, or the given records in the
// given order (a record may come more than once).
struct ExportChoice {
    bool allEntries = false;
    std::vector<std::int32_t> records;
};

// How many entries `choice` writes from `diary`: a list holds at most MaxEntries of them.
qint64 exportedEntryCount(const RecordFile& diary, const ExportChoice& choice);

// Told the number of entries written so far after each one.
using ExportProgress = std::function<void(qint64 done)>;

// Writes the chosen entries of `diary`, their text unscrambled with `key`, to `fileName`: in the text
// layout when its extension is exactly ".txt", appended to what the file holds; otherwise in the HTML
// layout, replacing the file. `versionTag` goes into the footer. Each entry is read once, by its record
// number, and only one entry's text is held at a time. The diary is only read; a target that is the
// diary's own file is refused before anything is written.
// Throws QuillnestError (FileError for the file operations). A failure leaves no half-made result: a
// text file is cut back to the length it had (one that the export created is removed), an HTML file
// keeps its old content, and no temporary file stays behind. The output is always closed.
void exportEntries(const RecordFile& diary, QByteArrayView key, const ExportChoice& choice, const QString& fileName,
                   const QString& versionTag, const ExportProgress& progress = {});
