#include "replacement.h"

#include "posixio.h"
#include "sidefiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace
{

ReplaceFaultHook& faultHook()
{
    static ReplaceFaultHook hook;
    return hook;
}

void beginStep(ReplaceStep step)
{
    if (const ReplaceFaultHook& hook = faultHook())
        hook(step);
}

void flushFile(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno != EINTR)
            posixio::throwErrno(errno);
    }
}

} // namespace

TargetChangedError::TargetChangedError(const QString& path)
    : QuillnestError(QStringLiteral("Файл заменён, перемещён или удалён другой программой; он оставлен как есть, "
                                    "ничего не записано:\r") +
                     path)
{
}

void setReplaceFaultHook(ReplaceFaultHook hook)
{
    faultHook() = std::move(hook);
}

// Renaming over a folder would replace it with a plain file, and a link not followed is looked at as itself.
FileReplacement::FileReplacement(const QString& path, const ReplaceRules& rules, const FileIdentity* madeFrom)
    : m_path(path), m_rules(rules)
{
    const QByteArray name = posixio::encodePath(path);
    m_target = rules.followLink ? sidefiles::resolveTarget(name) : name;
    sidefiles::removeLeftoverTemporaries(m_target);

    struct stat found;
    m_replacing =
        (rules.followLink ? ::stat(m_target.constData(), &found) : ::lstat(m_target.constData(), &found)) == 0;
    if (!m_replacing && errno != ENOENT)
        posixio::throwErrno(errno);
    if (m_replacing) {
        if (rules.mustBeNew)
            posixio::throwErrno(EEXIST);
        if (S_ISDIR(found.st_mode) || (rules.plainFileOnly && !S_ISREG(found.st_mode)))
            posixio::throwCode(FileError::AccessDenied);
        m_madeFrom = identityOf(found);
    }
    if (madeFrom && *madeFrom != m_madeFrom)
        throw TargetChangedError(path);

    beginStep(ReplaceStep::CreateTemporary);
    m_fd = sidefiles::createTemporary(m_target, m_temporary);
    if (!m_replacing || !S_ISREG(found.st_mode))
        return;
    try {
        sidefiles::keepOwnership(m_fd, found);
    } catch (...) {
        ::close(m_fd);
        ::unlink(m_temporary.constData());
        throw;
    }
}

// Unless committed, the new file goes; after the exchange the temporary name is no longer ours.
FileReplacement::~FileReplacement()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
}

void FileReplacement::commit(bool keepOpen)
{
    if (m_replacing || m_rules.flushNewFile) {
        beginStep(ReplaceStep::FlushTemporary);
        flushFile(m_fd);
    }
    if (!keepOpen) {
        beginStep(ReplaceStep::CloseTemporary);
        const int closed = ::close(std::exchange(m_fd, -1));
        if (closed != 0 && errno != EINTR) // after EINTR the descriptor is closed all the same
            posixio::throwErrno(errno);
    }
    beginStep(ReplaceStep::Exchange);
    if (m_replacing)
        exchange();
    else
        sidefiles::renameIntoNew(m_temporary, m_target);
    m_temporary.clear();

    // From here on the target holds the new contents whole; a failure only means the new name may not yet
    // be on the disk.
    if (m_rules.folderFlush == ReplaceRules::FolderFlush::Skipped)
        return;
    try {
        beginStep(ReplaceStep::FlushFolder);
        sidefiles::syncFolder(sidefiles::folderOf(m_target));
    } catch (const QuillnestError& error) {
        if (m_rules.folderFlush == ReplaceRules::FolderFlush::Reported)
            throw NotDurableError(error.text());
    }
}

int FileReplacement::takeDescriptor()
{
    return std::exchange(m_fd, -1);
}

// The two names change places in one step, and the old file then goes. Only the file the new contents were
// made from is replaced: anything else found there is put back as it was, with the new file at the temporary
// name, which goes. Where the file system cannot exchange names, the target is checked just before a rename
// instead.
void FileReplacement::exchange()
{
    const QByteArray& temporary = m_temporary;
    struct stat found;
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, m_target.constData(), RENAME_EXCHANGE) != 0) {
        if (errno == ENOENT && ::access(temporary.constData(), F_OK) == 0)
            throw TargetChangedError(m_path);
        if (errno != EINVAL && errno != ENOSYS)
            posixio::throwErrno(errno);
        if (::lstat(m_target.constData(), &found) != 0 || identityOf(found) != m_madeFrom)
            throw TargetChangedError(m_path);
        if (::rename(temporary.constData(), m_target.constData()) != 0)
            posixio::throwErrno(errno);
        return;
    }
    if (::lstat(temporary.constData(), &found) == 0 && identityOf(found) == m_madeFrom) {
        ::unlink(temporary.constData()); // the old file, which only handles open on it still keep
        return;
    }
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, m_target.constData(), RENAME_EXCHANGE) != 0) {
        // The other file must never be taken for a leftover: it gets a name of its own beside the target.
        const int err = errno;
        ::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, sidefiles::besideTarget(m_target, ".other").constData(),
                    RENAME_NOREPLACE);
        m_temporary.clear();
        posixio::throwErrno(err);
    }
    throw TargetChangedError(m_path);
}
