#pragma once

#include <QString>
#include <QStringList>

// The person's own word list: a plain UTF-8 file, one word a line, kept beside Settings.ini and read and
// written by the same rules. Nothing keeps the file open: each call reads it anew.
namespace personalwords
{

inline const QString FileName = QStringLiteral("Words.txt");

// The list's path in `dataDir`, the folder of Settings.ini; empty for none.
QString pathIn(const QString& dataDir);

// The words of the list at `path`, in file order. A missing or unreadable file holds none, and so does
// anything but a plain file: opening a pipe would wait for a writer for ever.
QStringList read(const QString& path);

// Writes the list at `path` again with `word` added, unless it holds it already, as the program's private files
// are written (privatefile.h): only if it could be read first, so that the words it held are never lost. Throws
// QuillnestError, and the file is then left as it was.
void add(const QString& path, const QString& word);

} // namespace personalwords
