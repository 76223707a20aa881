#include "privatefile.h"

#include "error.h"
#include "posixio.h"
#include "replacement.h"
#include "sidefiles.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// A pipe at the name holds nothing to keep and is replaced too; a name that a power cut takes back costs the
// last change, no more.
const ReplaceRules PrivateFileRules{.followLink = true,
                                    .plainFileOnly = false,
                                    .mustBeNew = false,
                                    .flushNewFile = true,
                                    .folderFlush = ReplaceRules::FolderFlush::BestEffort,
                                    .sameOwner = true};

bool isOwnFolder(const QString& path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &info) == 0 &&
           sidefiles::isOwnPrivateFolder(info);
}

// Relative names are taken from the current folder, as the file is.
bool folderTakesNewFiles(const QString& path)
{
    return sidefiles::folderTakesNewFiles(QFile::encodeName(QFileInfo(path).absoluteFilePath()));
}

bool writeInPlace(const QString& path, QByteArrayView data)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool done = false;
    try {
        posixio::writeAll(fd, data.data(), data.size(), 0);
        if (::ftruncate(fd, data.size()) == 0) {
            posixio::syncFile(fd);
            done = true;
        }
    } catch (const QuillnestError&) {
    }
    ::close(fd);
    return done;
}

} // namespace

namespace privatefile
{

PrivateFileContents readForChange(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    struct stat info;
    if (!file.open(QIODevice::ReadOnly) || ::fstat(file.handle(), &info) != 0)
        throw FileError(FileError::AccessDenied);
    PrivateFileContents contents{file.readAll(), identityOf(info)};
    if (file.error() != QFileDevice::NoError)
        throw FileError(FileError::AccessDenied);
    return contents;
}

void write(const QString& path, QByteArrayView data, const PrivateFileContents& read)
{
    if (!isOwnFolder(path))
        throw FileError(FileError::AccessDenied);
    if (!folderTakesNewFiles(path) && QFileInfo(path).isFile()) {
        if (!writeInPlace(path, data))
            throw FileError(FileError::AccessDenied);
        return;
    }
    FileReplacement file(path, PrivateFileRules, read.identity ? &*read.identity : nullptr);
    posixio::writeAll(file.fd(), data.data(), data.size(), 0);
    file.commit();
}

} // namespace privatefile
