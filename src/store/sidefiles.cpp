#include "sidefiles.h"

#include "posixio.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sidefiles
{

QByteArray resolveTarget(const QByteArray& name)
{
    struct stat info;
    if (::lstat(name.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
        return name;
    char resolved[PATH_MAX];
    if (!::realpath(name.constData(), resolved))
        posixio::throwErrno(errno);
    return QByteArray(resolved);
}

QByteArray folderOf(const QByteArray& name)
{
    const qsizetype slash = name.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return name.left(slash);
}

QByteArray besideTarget(const QByteArray& target, QByteArrayView suffix)
{
    const qsizetype slash = target.lastIndexOf('/');
    const long nameMax = ::pathconf(folderOf(target).constData(), _PC_NAME_MAX);
    const qsizetype room = std::max<qsizetype>((nameMax > 0 ? nameMax : 255) - suffix.size(), 1);
    return target.left(slash + 1) + target.mid(slash + 1).left(room) + suffix.toByteArray();
}

void syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        posixio::throwErrno(errno);
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    const int err = errno;
    ::close(fd);
    // Some file systems cannot sync a folder at all (EINVAL); there is nothing more to be done there.
    if (result != 0 && err != EINVAL)
        posixio::throwErrno(err);
}

// The owner goes first, since changing it clears the set-user-ID bit.
void keepOwnership(int fd, const struct stat& old)
{
    if (::fchown(fd, old.st_uid, old.st_gid) != 0)
        (void)::fchown(fd, uid_t(-1), old.st_gid);
    if (::fchmod(fd, old.st_mode & 07777) != 0)
        posixio::throwErrno(errno);
}

void startWriteback(int fd, qint64 from, qint64 to)
{
    if (to > from)
        (void)::sync_file_range(fd, from, to - from, SYNC_FILE_RANGE_WRITE);
}

bool lockExclusively(int fd)
{
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno == EINTR)
            continue;
        // Only a lock held elsewhere refuses; where the file system keeps no locks the file is used
        // unlocked, as it always was.
        return errno != EWOULDBLOCK;
    }
}

} // namespace sidefiles
