#include "rebuild.h"

#include "error.h"
#include "posixio.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
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

// Records are gathered and written 64 at a time.
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
        posixio::writeAll(m_fd, m_buffer.front().data(), qint64(m_buffer.size()) * RecordSize, -1);
        m_buffer.clear();
    }

    bool empty() const { return m_buffer.empty(); }

private:
    static constexpr size_t Capacity = 64;
    int m_fd;
    std::vector<DiaryRecord> m_buffer;
};

// The file that really gets replaced: for a symbolic link, the file it points to, so the link stays.
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

// "<name>" of the temporary file "<name>.XXXXXX.buf": the diary's own path, its file name cut short
// where the whole would not fit the folder's file system (diary names of up to 255 bytes are fine).
QByteArray temporaryStem(const QByteArray& target)
{
    static constexpr qsizetype SuffixLength = sizeof ".XXXXXX.buf" - 1;
    const qsizetype slash = target.lastIndexOf('/');
    const long nameMax = ::pathconf(folderOf(target).constData(), _PC_NAME_MAX);
    const qsizetype room = std::max<qsizetype>((nameMax > 0 ? nameMax : 255) - SuffixLength, 1);
    return target.left(slash + 1) + target.mid(slash + 1).left(room);
}

// Opens a new file "<name>.XXXXXX.buf" beside the diary. Created with mode 0666 so that the process's
// umask applies, as it would to any new file; the caller then copies the old file's bits.
int createTemporary(const QByteArray& target, QByteArray& temporary)
{
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray suffix(6, Qt::Uninitialized);
        for (char& c : suffix)
            c = Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
        const QByteArray candidate = temporaryStem(target) + '.' + suffix + ".buf";
        const int fd = ::open(candidate.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temporary = candidate; // only a file made here may be removed on failure
            return fd;
        }
        if (errno != EEXIST && errno != EINTR)
            posixio::throwOpenFailure(QFile::decodeName(candidate), errno);
    }
    posixio::throwErrno(EEXIST);
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

} // namespace

void setRebuildFaultHook(RebuildFaultHook hook)
{
    faultHook() = std::move(hook);
}

void rebuildDiary(const QString& path, const std::function<void(RecordSink&)>& produce)
{
    const QByteArray target = resolveTarget(posixio::encodePath(path));

    mode_t mode = 0;
    bool keepMode = false;
    struct stat old;
    if (::stat(target.constData(), &old) == 0) {
        // Renaming over a folder or a device would replace it with a plain file.
        if (!S_ISREG(old.st_mode))
            posixio::throwCode(FileError::AccessDenied);
        mode = old.st_mode & 07777;
        keepMode = true;
    } else if (errno != ENOENT) {
        posixio::throwErrno(errno);
    }

    QByteArray temporary;
    int fd = -1;
    try {
        beginStep(RebuildStep::CreateTemporary);
        fd = createTemporary(target, temporary);
        if (keepMode && ::fchmod(fd, mode) != 0)
            posixio::throwErrno(errno);

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

        beginStep(RebuildStep::CloseTemporary);
        const int closed = ::close(fd);
        fd = -1;
        if (closed != 0 && errno != EINTR)
            posixio::throwErrno(errno);

        beginStep(RebuildStep::Rename);
        if (::rename(temporary.constData(), target.constData()) != 0)
            posixio::throwErrno(errno);
    } catch (...) {
        if (fd >= 0)
            ::close(fd);
        if (!temporary.isEmpty())
            ::unlink(temporary.constData());
        throw;
    }

    // From here on the diary holds the new contents whole; a failure only means the rename may not
    // yet be on the disk, and it is still reported.
    beginStep(RebuildStep::FlushFolder);
    syncFolder(folderOf(target));
}
