#include "rebuild.h"

#include "error.h"
#include "posixio.h"
#include "recordfile.h"
#include "sidefiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

RebuildFaultHook& faultHook()
{
    static RebuildFaultHook hook;
    return hook;
}

void beginStep(RebuildStep step)
{
    if (const RebuildFaultHook& hook = faultHook())
        hook(step);
}

// Records are gathered and written 64 at a time. What is written goes on to the disk while the rest
// is still made, so that the flush at the end has little left to wait for.
class BufferedSink : public RecordSink
{
public:
    explicit BufferedSink(int fd) : m_fd(fd) { m_buffer.reserve(Capacity); }

    void put(const DiaryRecord& record) override
    {
        m_buffer.push_back(record);
        if (m_buffer.size() == Capacity)
            flush();
    }

    void flush()
    {
        const qint64 bytes = qint64(m_buffer.size()) * RecordSize;
        posixio::writeAll(m_fd, m_buffer.front().data(), bytes, -1);
        m_buffer.clear();
        m_written += bytes;
        if (m_written - m_sentOn >= WritebackStep) {
            sidefiles::startWriteback(m_fd, m_sentOn, m_written);
            m_sentOn = m_written;
        }
    }

    bool empty() const { return m_buffer.empty(); }

private:
    static constexpr size_t Capacity = 64;
    static constexpr qint64 WritebackStep = qint64(8) << 20;
    int m_fd;
    std::vector<DiaryRecord> m_buffer;
    qint64 m_written = 0;
    qint64 m_sentOn = 0;
};

constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr QByteArrayView TemporaryPattern = ".XXXXXX.buf";

// Opens a new file "<name>.XXXXXX.buf" beside the diary, readable by its owner only: it holds the
// diary's text. It is locked at once, so that a copy of the program opening the diary meanwhile
// sees that it is in use and leaves it alone.
int createTemporary(const QByteArray& target, QByteArray& temporary)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray suffix(6, Qt::Uninitialized);
        for (char& c : suffix)
            c = Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
        const QByteArray candidate = sidefiles::besideTarget(target, '.' + suffix + ".buf");
        const int fd = ::open(candidate.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            temporary = candidate; // only a file made here may be removed on failure
            sidefiles::lockExclusively(fd);
            return fd;
        }
        if (errno != EEXIST && errno != EINTR)
            posixio::throwOpenFailure(QFile::decodeName(candidate), errno);
    }
    posixio::throwErrno(EEXIST);
}

// "<stem>.XXXXXX.buf", as createTemporary names them.
bool isTemporaryName(QByteArrayView name, QByteArrayView stem)
{
    if (name.size() != stem.size() + TemporaryPattern.size() || !name.startsWith(stem) || !name.endsWith(".buf") ||
        name[stem.size()] != '.')
        return false;
    const QByteArrayView letters = name.sliced(stem.size() + 1, 6);
    return std::all_of(letters.begin(), letters.end(),
                       [](char c) { return std::strchr(Letters, c) != nullptr && c != '\0'; });
}

// A running rebuild holds its temporary file locked; one that nobody holds was left by a rebuild
// that never finished, and goes. Links and anything but plain files are left alone.
void removeUnlessHeld(const QByteArray& name)
{
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat opened;
    struct stat named;
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && sidefiles::lockExclusively(fd) &&
        ::lstat(name.constData(), &named) == 0 && named.st_ino == opened.st_ino && named.st_dev == opened.st_dev)
        ::unlink(name.constData());
    ::close(fd);
}

} // namespace

void setRebuildFaultHook(RebuildFaultHook hook)
{
    faultHook() = std::move(hook);
}

namespace
{

FileIdentity identityOf(const struct stat& info)
{
    return {true, quint64(info.st_dev), quint64(info.st_ino)};
}

// The new file takes the old one's place in one step, the two names exchanged, and the old one goes.
// Only the file the rebuild was made from is replaced: anything else found there is put back as it
// was, with the new file at the temporary name, which the caller removes. Where the file system cannot
// exchange names, the old one is checked just before the rename instead.
void exchangeInto(QByteArray& temporary, const QByteArray& target, const FileIdentity& madeFrom, const QString& path)
{
    struct stat found;
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) != 0) {
        if (errno == ENOENT)
            throw DiaryReplacedError(path);
        if (errno != EINVAL && errno != ENOSYS)
            posixio::throwErrno(errno);
        if (::stat(target.constData(), &found) != 0 || identityOf(found) != madeFrom)
            throw DiaryReplacedError(path);
        if (::rename(temporary.constData(), target.constData()) != 0)
            posixio::throwErrno(errno);
        return;
    }
    if (::lstat(temporary.constData(), &found) == 0 && identityOf(found) == madeFrom) {
        ::unlink(temporary.constData()); // the old file, which only handles open on it still keep
        return;
    }
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) != 0 &&
        ::rename(temporary.constData(), target.constData()) != 0) {
        const int err = errno;
        temporary.clear(); // it names the other file now, which must never be removed
        posixio::throwErrno(err);
    }
    throw DiaryReplacedError(path);
}

// Where nothing was, nothing that came meanwhile is replaced.
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

void writeWhole(const QString& path, const std::function<void(RecordSink&)>& produce, RecordFile* replacement,
                bool mustBeNew, const FileIdentity* madeFrom)
{
    const QByteArray target = sidefiles::resolveTarget(posixio::encodePath(path));

    struct stat old;
    const bool replacing = ::stat(target.constData(), &old) == 0;
    if (replacing) {
        // Renaming over a folder or a device would replace it with a plain file.
        if (mustBeNew)
            posixio::throwErrno(EEXIST);
        if (!S_ISREG(old.st_mode))
            posixio::throwCode(FileError::AccessDenied);
    } else if (errno != ENOENT) {
        posixio::throwErrno(errno);
    }
    if (madeFrom && (!replacing || identityOf(old) != *madeFrom))
        throw DiaryReplacedError(path);

    QByteArray temporary;
    int fd = -1;
    try {
        beginStep(RebuildStep::CreateTemporary);
        fd = createTemporary(target, temporary);
        if (replacing)
            sidefiles::keepOwnership(fd, old);

        beginStep(RebuildStep::WriteRecords);
        BufferedSink sink(fd);
        produce(sink);
        if (!sink.empty())
            sink.flush();

        beginStep(RebuildStep::FlushTemporary);
        while (::fsync(fd) != 0) {
            if (errno != EINTR)
                posixio::throwErrno(errno);
        }

        if (!replacement) {
            beginStep(RebuildStep::CloseTemporary);
            const int closed = ::close(fd);
            fd = -1;
            if (closed != 0 && errno != EINTR)
                posixio::throwErrno(errno);
        }

        beginStep(RebuildStep::Rename);
        if (replacing)
            exchangeInto(temporary, target, identityOf(old), path);
        else
            renameIntoNew(temporary, target);
    } catch (...) {
        if (fd >= 0)
            ::close(fd);
        if (!temporary.isEmpty())
            ::unlink(temporary.constData());
        throw;
    }

    // From here on the diary holds the new contents whole; a failure only means the rename may not
    // yet be on the disk, and it is still reported.
    if (replacement)
        *replacement = RecordFile::fromDescriptor(fd, path);
    try {
        beginStep(RebuildStep::FlushFolder);
        sidefiles::syncFolder(sidefiles::folderOf(target));
    } catch (const QuillnestError& error) {
        throw NotDurableError(error.text());
    }
}

} // namespace

void rebuildDiary(const QString& path, const std::function<void(RecordSink&)>& produce, RecordFile* replacement,
                  const FileIdentity* madeFrom)
{
    writeWhole(path, produce, replacement, false, madeFrom);
}

void createDiaryWhole(const QString& path, const std::function<void(RecordSink&)>& produce)
{
    writeWhole(path, produce, nullptr, true, nullptr);
}

void removeRebuildLeftovers(const QString& path)
{
    const QByteArray target = sidefiles::resolveTarget(posixio::encodePath(path));
    const QByteArray folder = sidefiles::folderOf(target);
    const QByteArray sample = sidefiles::besideTarget(target, TemporaryPattern);
    const QByteArray stem = sample.mid(sample.lastIndexOf('/') + 1).chopped(TemporaryPattern.size());
    DIR* listing = ::opendir(folder.constData());
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArrayView name(entry->d_name);
        if (isTemporaryName(name, stem))
            removeUnlessHeld(folder + '/' + name.toByteArray());
    }
    ::closedir(listing);
}
