#pragma once

// Files the store keeps beside a diary (the rebuild's temporary copy, the change journal), and the
// folder operations they need; not part of the store's API.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace sidefiles
{

// The file that really gets written for `name`: for a symbolic link, the file it points to.
QByteArray resolveTarget(const QByteArray& name);
QByteArray folderOf(const QByteArray& name);

// "<target><suffix>" in the target's folder, the target's file name cut short where the whole would
// not fit the folder's file system (diary names of up to 255 bytes are fine).
QByteArray besideTarget(const QByteArray& target, QByteArrayView suffix);

// Puts the folder's entries (a new or renamed file) on the disk. Throws FileError.
void syncFolder(const QByteArray& folder);

// An advisory lock on the whole of the file open as `fd`, taken at once or not at all. False when
// another open file holds it; a file system without locks counts as locked.
bool lockExclusively(int fd);

} // namespace sidefiles
