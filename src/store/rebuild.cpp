#include "rebuild.h"

#include "error.h"
#include "posixio.h"
#include "recordfile.h"
#include "sidefiles.h"

#include <cerrno>
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
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) != 0) {
        // The other file must never be taken for a leftover: it gets a name of its own beside the diary.
        const int err = errno;
        ::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, sidefiles::besideTarget(target, ".other").constData(),
                    RENAME_NOREPLACE);
        temporary.clear();
        posixio::throwErrno(err);
    }
    throw DiaryReplacedError(path);
}

void writeWhole(const QString& path, const std::function<void(RecordSink&)>& produce, RecordFile* replacement,
                bool mustBeNew, const FileIdentity* madeFrom)
{
    const QByteArray target = sidefiles::resolveTarget(posixio::encodePath(path));
    sidefiles::removeLeftoverTemporaries(target);

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
        fd = sidefiles::createTemporary(target, temporary);
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
            sidefiles::renameIntoNew(temporary, target);
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
