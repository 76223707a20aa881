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

// Writes the list at `path` again with `word` added, unless it holds it already: the file is replaced
// whole (FileReplacement), a new one readable by its owner alone. It is written only in a folder of the
// person's own that nobody else may write, and only if it could be read first, so that the words it held
// are never lost; the new file takes the old one's owner or does not replace it. Throws QuillnestError
// (FileError from the replacement), and the file is then left as it was.
void add(const QString& path, const QString& word);

} // namespace personalwords
