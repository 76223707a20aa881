#pragma once

// File-descriptor helpers shared by the record file and the rebuild; not part of the store's API.

#include "error.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace posixio
{

// Error codes of the classic runtime that have no errno of their own.
constexpr int FileNotOpen = 103;
constexpr int NegativeSeek = 131;

[[noreturn]] inline void throwCode(int code)
{
    throw FileError(code);
}

[[noreturn]] inline void throwErrno(int err)
{
    throw FileError::fromErrno(err);
}

// The bytes to hand to the system for `path`. A name that the system would read differently
// (empty, or cut short by a NUL character) is refused rather than quietly opening another file.
inline QByteArray encodePath(const QString& path)
{
    QByteArray encoded = QFile::encodeName(path);
    if (encoded.isEmpty() || encoded.contains('\0'))
        throwCode(FileError::InvalidFilename);
    return encoded;
}

// A missing folder in the path is a bad name rather than a missing file.
[[noreturn]] inline void throwOpenFailure(const QString& path, int err)
{
    if (err == ENOENT) {
        struct stat folder;
        const QByteArray folderName = QFile::encodeName(QFileInfo(path).absolutePath());
        if (::stat(folderName.constData(), &folder) != 0 || !S_ISDIR(folder.st_mode))
            throwCode(FileError::InvalidFilename);
    }
    throwErrno(err);
}

// Writes all `size` bytes at `offset` (or at the current position when offset < 0).
inline void writeAll(int fd, const char* data, qint64 size, qint64 offset)
{
    while (size > 0) {
        const ssize_t done =
            offset >= 0 ? ::pwrite(fd, data, size_t(size), off_t(offset)) : ::write(fd, data, size_t(size));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            throwErrno(errno);
        }
        if (done == 0) // no progress and no error: nothing more fits
            throwCode(FileError::DiskFull);
        data += done;
        size -= done;
        if (offset >= 0)
            offset += done;
    }
}

// Flushes the file open as `fd` to the disk.
inline void syncFile(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno != EINTR)
            throwErrno(errno);
    }
}

// Reads up to `size` bytes at `offset`; fewer only at the end of the file. Returns the count read.
inline qint64 readUpTo(int fd, char* data, qint64 size, qint64 offset)
{
    qint64 total = 0;
    while (total < size) {
        const ssize_t done = ::pread(fd, data + total, size_t(size - total), off_t(offset + total));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            throwErrno(errno);
        }
        if (done == 0)
            break;
        total += done;
    }
    return total;
}

} // namespace posixio
