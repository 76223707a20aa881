#include "sidefiles.h"

#include "fileidentity.h"
#include "posixio.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sidefiles
{

namespace
{

constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr QByteArrayView TemporaryPattern = ".XXXXXX.buf";

// "<stem>.XXXXXX<suffix>", as createTemporary names its files and the names made from theirs.
bool isTemporaryName(QByteArrayView name, QByteArrayView stem, QByteArrayView suffix)
{
    if (name.size() != stem.size() + 7 + suffix.size() || !name.startsWith(stem) || !name.endsWith(suffix) ||
        name[stem.size()] != '.')
        return false;
    const QByteArrayView letters = name.sliced(stem.size() + 1, 6);
    return std::all_of(letters.begin(), letters.end(), [](char c) { return std::strchr(Letters, c) != nullptr; });
}

// Only a lock taken here counts: where locks fail for any reason, a file counts as held.
bool lockedHere(int fd)
{
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// A running writer holds its temporary file locked; one of ours that nobody holds was left by a writer
// that never finished, and goes. Ours are the user's own, or the target owner's, whose owner a
// replacement takes. Links, anything but plain files and other people's files stay.
void removeUnlessHeld(const QByteArray& name, uid_t targetOwner)
{
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat opened;
    struct stat named;
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
        (opened.st_uid == ::geteuid() || opened.st_uid == targetOwner) && lockedHere(fd) &&
        ::lstat(name.constData(), &named) == 0 && identityOf(named) == identityOf(opened))
        ::unlink(name.constData());
    ::close(fd);
}

} // namespace

QByteArray resolveTarget(const QByteArray& name)
{
    QByteArray current = name;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat link;
        if (::lstat(current.constData(), &link) != 0 || !S_ISLNK(link.st_mode))
            return current;
        struct stat folder;
        if (::stat(folderOf(current).constData(), &folder) != 0)
            posixio::throwErrno(errno);
        if (link.st_uid != ::geteuid() && link.st_uid != folder.st_uid)
            posixio::throwCode(FileError::AccessDenied);
        char pointed[PATH_MAX];
        const ssize_t length = ::readlink(current.constData(), pointed, sizeof pointed);
        if (length < 0)
            posixio::throwErrno(errno);
        const QByteArray target(pointed, length);
        current = target.startsWith('/') ? target : folderOf(current) + '/' + target;
    }
    posixio::throwErrno(ELOOP);
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
    const QByteArray name = target.mid(slash + 1);
    const long nameMax = ::pathconf(folderOf(target).constData(), _PC_NAME_MAX);
    const qsizetype room = (nameMax > 0 ? nameMax : 255) - suffix.size();
    if (name.size() <= room)
        return target + suffix.toByteArray();
    const QByteArray hash = '~' + QCryptographicHash::hash(name, QCryptographicHash::Sha256).toHex().left(8);
    return target.left(slash + 1) + name.left(std::max<qsizetype>(room - hash.size(), 1)) + hash + suffix.toByteArray();
}

bool isOwnPrivateFile(const struct stat& info)
{
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool isOwnPrivateFolder(const struct stat& info)
{
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool folderTakesNewFiles(const QByteArray& target)
{
    return ::faccessat(AT_FDCWD, folderOf(target).constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

SideFileTakenError::SideFileTakenError(const QByteArray& name)
    : QuillnestError(QStringLiteral("Файл %1 принадлежит другому пользователю или открыт для записи всем; "
                                    "программа им не пользуется.")
                         .arg(QFile::decodeName(name))),
      m_name(name)
{
}

int openSideFile(const QByteArray& name, int flags, bool create)
{
    for (;;) {
        const int made =
            create ? ::open(name.constData(), flags | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600) : -1;
        if (made >= 0)
            return made;
        if (create && errno == EINTR)
            continue;
        if (create && errno != EEXIST)
            posixio::throwOpenFailure(QFile::decodeName(name), errno);
        // Opened without truncating until it is shown to be ours; a pipe does not keep the open waiting.
        const int fd = ::open(name.constData(), (flags & ~O_TRUNC) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == EINTR)
            continue;
        if (fd < 0 && errno == ENOENT && create)
            continue; // gone meanwhile: made anew
        if (fd < 0 && errno == ENOENT)
            return -1;
        struct stat info;
        if (fd < 0 || ::fstat(fd, &info) != 0 || !isOwnPrivateFile(info)) {
            if (fd >= 0)
                ::close(fd);
            throw SideFileTakenError(name);
        }
        if ((flags & O_TRUNC) && ::ftruncate(fd, 0) != 0) {
            const int err = errno;
            ::close(fd);
            posixio::throwErrno(err);
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return fd;
    }
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
void keepOwnership(int fd, unsigned owner, unsigned group, unsigned mode, bool exactly)
{
    if (::fchown(fd, uid_t(owner), gid_t(group)) != 0) {
        if (exactly)
            posixio::throwCode(FileError::AccessDenied);
        (void)::fchown(fd, uid_t(-1), gid_t(group));
    }
    if (::fchmod(fd, mode & 07777) != 0)
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

void renameIntoNew(const QByteArray& temporary, const QByteArray& target)
{
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return;
    // File systems that cannot rename without replacing can still link a name that must be new.
    if (errno != EINVAL && errno != ENOSYS)
        posixio::throwErrno(errno);
    if (::link(temporary.constData(), target.constData()) != 0)
        posixio::throwErrno(errno);
    ::unlink(temporary.constData());
}

QByteArray renameToFreeName(const QByteArray& from, const QByteArray& target, const QByteArray& suffix)
{
    for (int n = 0; n < 100; ++n) {
        const QByteArray name = besideTarget(target, n == 0 ? suffix : suffix + '.' + QByteArray::number(n));
        try {
            renameIntoNew(from, name);
            return name;
        } catch (const FileError& error) {
            if (error.code() != FileError::codeForErrno(EEXIST))
                break;
        }
    }
    return from;
}

int createTemporary(const QByteArray& target, QByteArray& temporary)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray suffix(6, Qt::Uninitialized);
        for (char& c : suffix)
            c = Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
        const QByteArray candidate = besideTarget(target, '.' + suffix + ".buf");
        const int fd = ::open(candidate.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        // A cleaner that locked the new file first takes it for a leftover: another name is tried.
        if (fd >= 0 && !lockExclusively(fd)) {
            ::close(fd);
            continue;
        }
        if (fd >= 0) {
            temporary = candidate; // only a file made here may be removed on failure
            return fd;
        }
        if (errno != EEXIST && errno != EINTR)
            posixio::throwOpenFailure(QFile::decodeName(candidate), errno);
    }
    posixio::throwErrno(EEXIST);
}

QList<QByteArray> leftoversOf(const QByteArray& target, std::initializer_list<QByteArrayView> suffixes)
{
    const QByteArray folder = folderOf(target);
    const QByteArray sample = besideTarget(target, TemporaryPattern);
    const QByteArray stem = sample.mid(sample.lastIndexOf('/') + 1).chopped(TemporaryPattern.size());
    QList<QByteArray> found;
    DIR* listing = ::opendir(folder.constData());
    if (!listing)
        return found;
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArrayView name(entry->d_name);
        if (std::any_of(suffixes.begin(), suffixes.end(),
                        [&](QByteArrayView suffix) { return isTemporaryName(name, stem, suffix); }))
            found.append(folder + '/' + name.toByteArray());
    }
    ::closedir(listing);
    return found;
}

// New contents, and the link that tried whether the folder takes links (a second name of them); what a
// replacement set aside goes too, once the target has a file again: it is the old one.
void removeLeftoverTemporaries(const QByteArray& target)
{
    struct stat info;
    const bool there = ::stat(target.constData(), &info) == 0;
    const uid_t targetOwner = there ? info.st_uid : ::geteuid();
    const QList<QByteArray> leftovers =
        there ? leftoversOf(target, {".buf", ".lnk", ".old"}) : leftoversOf(target, {".buf", ".lnk"});
    for (const QByteArray& name : leftovers)
        removeUnlessHeld(name, targetOwner);
}

} // namespace sidefiles
