#pragma once

// The small files of the person's own that the program keeps beside its Settings.ini (Settings.ini itself, the
// word list): read whole before they change, and written whole only in a folder of the person's own.

#include "fileidentity.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

struct PrivateFileContents {
    QByteArray data;
    // Which file was read; none where there was no file.
    std::optional<FileIdentity> identity;
};

namespace privatefile
{

// What the file at `path` holds, for a change. Where no plain file is there it holds nothing, and a pipe is never
// opened: it would wait for a writer for ever. One that is there but cannot be read throws
// FileError(AccessDenied): it must not be replaced by one that lacks what it held.
PrivateFileContents readForChange(const QString& path);

// Puts `data` in the place of the file `read` was read of: only in a folder of the person's own that nobody
// else may write (never in one another user made beforehand), replaced whole (FileReplacement), a new file its
// owner's alone that takes the old one's owner and group or replaces nothing. Should another program have put
// its own file at the name meanwhile, that one stays. In a folder that takes no new files, a file the person
// may write is written in place, from its start, and cut to its new length once all of it is on the disk.
// Throws FileError.
void write(const QString& path, QByteArrayView data, const PrivateFileContents& read);

} // namespace privatefile
