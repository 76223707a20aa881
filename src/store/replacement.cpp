#include "replacement.h"

#include "faultseam.h"
#include "posixio.h"
#include "sidefiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace
{

void beginStep(ReplaceStep step)
{
    FaultSeam<ReplaceStep>::before(step);
}

constexpr QByteArrayView AsideSuffix = ".old";

// A file that a replacement without exchange set aside goes back to `target`, once nothing is there. Never
// throws: what cannot be put back stays aside.
void recoverSetAsideAt(const QByteArray& target)
{
    struct stat info;
    if (::lstat(target.constData(), &info) == 0 || errno != ENOENT)
        return;
    try {
        // One that a running replacement holds (the diary it replaces is locked) is left to it.
        for (const QByteArray& aside : sidefiles::leftoversOf(target, {AsideSuffix})) {
            const int fd = ::open(aside.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            const bool ours = fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                              info.st_uid == ::geteuid() && sidefiles::lockExclusively(fd);
            const bool back = ours && ::link(aside.constData(), target.constData()) == 0;
            if (back)
                ::unlink(aside.constData());
            if (fd >= 0)
                ::close(fd);
            if (back)
                return;
        }
    } catch (const QuillnestError&) {
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
    FaultSeam<ReplaceStep>::set(std::move(hook));
}

// Renaming over a folder would replace it with a plain file, and a link not followed is looked at as itself.
FileReplacement::FileReplacement(const QString& path, const ReplaceRules& rules, const FileIdentity* madeFrom)
    : m_path(path), m_rules(rules)
{
    const QByteArray name = posixio::encodePath(path);
    m_target = rules.followLink ? sidefiles::resolveTarget(name) : name;
    recoverSetAsideAt(m_target);
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

    m_takesOwnership = m_replacing && S_ISREG(found.st_mode);
    m_owner = found.st_uid;
    m_group = found.st_gid;
    m_mode = found.st_mode;

    beginStep(ReplaceStep::CreateTemporary);
    m_fd = sidefiles::createTemporary(m_target, m_temporary);
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
        posixio::syncFile(m_fd);
    }
    if (m_takesOwnership)
        sidefiles::keepOwnership(m_fd, m_owner, m_group, m_mode, m_rules.sameOwner);
    if (!keepOpen) {
        beginStep(ReplaceStep::CloseTemporary);
        const int closed = ::close(std::exchange(m_fd, -1));
        if (closed != 0 && errno != EINTR) // after EINTR the descriptor is closed all the same
            posixio::throwErrno(errno);
    }
    if (m_replacing) {
        exchange();
    } else {
        beginStep(ReplaceStep::Exchange);
        sidefiles::renameIntoNew(m_temporary, m_target);
    }
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
    bool refused = false;
    try {
        beginStep(ReplaceStep::Exchange);
    } catch (const ExchangeRefused&) {
        refused = true;
    }
    if (refused) {
        replaceWithoutExchange();
        return;
    }
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, m_target.constData(), RENAME_EXCHANGE) != 0) {
        if (errno == ENOENT && ::access(temporary.constData(), F_OK) == 0)
            throw TargetChangedError(m_path);
        if (errno != EINVAL && errno != ENOSYS)
            posixio::throwErrno(errno);
        replaceWithoutExchange();
        return;
    }
    if (::lstat(temporary.constData(), &found) == 0 && identityOf(found) == m_madeFrom) {
        letReplacedGo(temporary);
        return;
    }
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, m_target.constData(), RENAME_EXCHANGE) != 0) {
        // The other file must never be taken for a leftover: it gets a name of its own beside the target.
        const int err = errno;
        sidefiles::renameToFreeName(temporary, m_target, ".other");
        m_temporary.clear();
        posixio::throwErrno(err);
    }
    throw TargetChangedError(m_path);
}

namespace
{

// A name of the aside kind that is free: a file made anew for it, which the old file then takes the place of.
QByteArray makeAsideName(const QByteArray& target)
{
    QByteArray made;
    const int fd = sidefiles::createTemporary(target, made);
    ::close(fd);
    const QByteArray aside = made.chopped(4) + AsideSuffix.toByteArray(); // ".buf" becomes ".old"
    if (::renameat2(AT_FDCWD, made.constData(), AT_FDCWD, aside.constData(), RENAME_NOREPLACE) != 0 &&
        ::rename(made.constData(), aside.constData()) != 0) {
        const int err = errno;
        ::unlink(made.constData());
        posixio::throwErrno(err);
    }
    return aside;
}

} // namespace

// The old file goes aside, where only a file of ours is replaced (the one just made for it), and the new one
// is linked in only where the name is free. A link that the file system refuses is tried on the temporary
// file first, before the old file has moved.
void FileReplacement::replaceWithoutExchange()
{
    const QByteArray probe = m_temporary.chopped(4) + ".lnk";
    if (::link(m_temporary.constData(), probe.constData()) != 0)
        throw QuillnestError(QStringLiteral("Файловая система не позволяет заменить файл, не рискуя чужим файлом "
                                            "на его месте; ничего не изменено:\r") +
                             m_path);
    ::unlink(probe.constData());

    const QByteArray aside = makeAsideName(m_target);
    beginStep(ReplaceStep::SetAside);
    if (::rename(m_target.constData(), aside.constData()) != 0) {
        const int err = errno;
        ::unlink(aside.constData());
        if (err == ENOENT)
            throw TargetChangedError(m_path);
        posixio::throwErrno(err);
    }
    struct stat found;
    if (::lstat(aside.constData(), &found) != 0 || identityOf(found) != m_madeFrom) {
        // Another program's file: it goes back where it was, or stays aside under a name of its own.
        if (::link(aside.constData(), m_target.constData()) == 0)
            ::unlink(aside.constData());
        else
            sidefiles::renameToFreeName(aside, m_target, ".other");
        throw TargetChangedError(m_path);
    }
    beginStep(ReplaceStep::LinkNew);
    if (::link(m_temporary.constData(), m_target.constData()) != 0) {
        const int err = errno;
        // Something came at the name meanwhile and stays; the old file keeps a name that no cleaning takes.
        if (::link(aside.constData(), m_target.constData()) == 0)
            ::unlink(aside.constData());
        else
            sidefiles::renameToFreeName(aside, m_target, ".replaced");
        if (err == EEXIST)
            throw TargetChangedError(m_path);
        posixio::throwErrno(err);
    }
    ::unlink(m_temporary.constData());
    letReplacedGo(aside);
}

// Only handles open on the old file still keep it, unless the keeper gives it a name of its own.
void FileReplacement::letReplacedGo(const QByteArray& name)
{
    if (m_keeper)
        m_keeper(name);
    ::unlink(name.constData());
}

void recoverSetAside(const QString& path)
{
    try {
        recoverSetAsideAt(sidefiles::resolveTarget(posixio::encodePath(path)));
    } catch (const QuillnestError&) {
    }
}
