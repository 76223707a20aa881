#include "recordfile.h"

#include "posixio.h"
#include "sidefiles.h"
#include "stampreader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace
{

// Sequential reads fetch this many records at once: few system calls, and a buffer of 328 KB.
constexpr qint64 ChunkRecords = 64;
constexpr qint64 LastAddressableRecord = std::numeric_limits<off_t>::max() / RecordSize - 1;

int openDescriptor(const QString& path, int flags)
{
    const QByteArray name = posixio::encodePath(path);
    for (;;) {
        const int fd = ::open(name.constData(), flags | O_CLOEXEC, 0666);
        if (fd >= 0)
            return fd;
        if (errno != EINTR)
            posixio::throwOpenFailure(path, errno);
    }
}

qint64 recordOffset(qint64 n)
{
    if (n < 0 || n > LastAddressableRecord)
        posixio::throwCode(posixio::NegativeSeek);
    return n * RecordSize;
}

// Whether `name` names the file open as `fd`.
bool namesDescriptor(const QByteArray& name, int fd)
{
    struct stat named;
    struct stat opened;
    return ::stat(name.constData(), &named) == 0 && ::fstat(fd, &opened) == 0 &&
           identityOf(named) == identityOf(opened);
}

} // namespace

RecordFile::~RecordFile()
{
    close();
}

RecordFile::RecordFile(RecordFile&& other) noexcept : m_fd(other.m_fd), m_path(std::move(other.m_path))
{
    other.m_fd = -1;
    other.m_path.clear();
}

RecordFile& RecordFile::operator=(RecordFile&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
        other.m_path.clear();
    }
    return *this;
}

void RecordFile::open(const QString& path)
{
    // The file that was open stays open if the new one cannot be opened.
    const int fd = openDescriptor(path, O_RDWR);
    close();
    m_fd = fd;
    m_path = path;
}

void RecordFile::openExclusive(const QString& path)
{
    const QByteArray name = posixio::encodePath(path);
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int fd = openDescriptor(path, O_RDWR);
        if (!sidefiles::lockExclusively(fd)) {
            ::close(fd);
            throw DiaryInUseError(path);
        }
        // The copy that held the diary may have just replaced it (a deletion rebuilds the file) and let
        // go of the old file, which is then what got locked here: open the new one instead.
        if (namesDescriptor(name, fd)) {
            close();
            m_fd = fd;
            m_path = path;
            return;
        }
        ::close(fd);
    }
    throw DiaryReplacedError(path);
}

RecordFile RecordFile::fromDescriptor(int fd, const QString& path)
{
    RecordFile file;
    file.m_fd = fd;
    file.m_path = path;
    return file;
}

void RecordFile::checkStillAtPath() const
{
    if (m_fd < 0)
        posixio::throwCode(posixio::FileNotOpen);
    if (!namesDescriptor(posixio::encodePath(m_path), m_fd))
        throw DiaryReplacedError(m_path);
}

FileIdentity RecordFile::identity() const
{
    struct stat info;
    if (m_fd < 0)
        posixio::throwCode(posixio::FileNotOpen);
    if (::fstat(m_fd, &info) != 0)
        posixio::throwErrno(errno);
    return identityOf(info);
}

void RecordFile::close() noexcept
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

void RecordFile::closeWithoutWaiting() noexcept
{
    if (m_fd < 0)
        return;
    const int fd = std::exchange(m_fd, -1);
    m_path.clear();
    // The lock goes at once, though: the file may live on under another name (a dated copy), to be opened at once.
    ::flock(fd, LOCK_UN);
    try {
        std::thread([fd] { ::close(fd); }).detach();
    } catch (const std::system_error&) {
        ::close(fd);
    }
}

qint64 RecordFile::count() const
{
    if (m_fd < 0)
        posixio::throwCode(posixio::FileNotOpen);
    struct stat info;
    if (::fstat(m_fd, &info) != 0)
        posixio::throwErrno(errno);
    return info.st_size / RecordSize;
}

void RecordFile::read(qint64 n, DiaryRecord& record) const
{
    if (m_fd < 0)
        posixio::throwCode(posixio::FileNotOpen);
    // Read into a scratch record so that a failed read leaves the caller's record as it was.
    DiaryRecord scratch;
    if (posixio::readUpTo(m_fd, scratch.data(), RecordSize, recordOffset(n)) != RecordSize)
        posixio::throwCode(FileError::ReadBeyondEnd);
    record = scratch;
}

void RecordFile::read(qint64 first, std::span<DiaryRecord> records) const
{
    if (m_fd < 0)
        posixio::throwCode(posixio::FileNotOpen);
    const qint64 bytes = qint64(records.size()) * RecordSize;
    // The file may have been cut by someone else since it was counted.
    if (bytes > 0 && posixio::readUpTo(m_fd, records.front().data(), bytes, recordOffset(first)) != bytes)
        posixio::throwCode(FileError::ReadBeyondEnd);
}

DiaryRecord RecordFile::readHeader() const
{
    DiaryRecord header;
    read(0, header);
    return header;
}

double RecordFile::readStamp(qint64 n) const
{
    if (m_fd < 0)
        posixio::throwCode(posixio::FileNotOpen);
    // A record cut short is no record, even where its stamp is still whole.
    if (n >= count())
        posixio::throwCode(FileError::ReadBeyondEnd);
    double stamp = 0;
    if (posixio::readUpTo(m_fd, reinterpret_cast<char*>(&stamp), sizeof stamp, recordOffset(n)) != sizeof stamp)
        posixio::throwCode(FileError::ReadBeyondEnd);
    stampsFromFileOrder(std::span<double>(&stamp, 1));
    return stamp;
}

void RecordFile::write(qint64 n, const DiaryRecord& record)
{
    if (m_fd < 0)
        posixio::throwCode(posixio::FileNotOpen);
    posixio::writeAll(m_fd, record.data(), RecordSize, recordOffset(n));
}

void RecordFile::flush()
{
    if (m_fd < 0)
        posixio::throwCode(posixio::FileNotOpen);
    posixio::syncFile(m_fd);
}

void RecordFile::readEach(qint64 first, const std::function<void(qint64, DiaryRecord&)>& visit, qint64 end) const
{
    readChunks(
        first,
        [&](qint64 n, std::span<DiaryRecord> records) {
            for (DiaryRecord& record : records)
                visit(n++, record);
        },
        end);
}

void RecordFile::readChunks(qint64 first, const std::function<void(qint64, std::span<DiaryRecord>)>& visit,
                            qint64 end) const
{
    const qint64 total = std::min(count(), end);
    qint64 n = qMax<qint64>(first, 0);
    if (n >= total)
        return;
    std::vector<DiaryRecord> chunk(size_t(qMin(ChunkRecords, total - n)));
    while (n < total) {
        const qint64 wanted = qMin<qint64>(qint64(chunk.size()), total - n);
        const std::span records(chunk.data(), std::size_t(wanted));
        read(n, records);
        visit(n, records);
        n += wanted;
    }
}

std::vector<double> RecordFile::readEntryStamps() const
{
    const qint64 entries = std::min<qint64>(count() - 1, MaxEntries);
    if (entries <= 0)
        return {};
    std::vector<double> stamps(static_cast<size_t>(entries));
    if (!readStampsThroughRings(m_fd, 1, stamps))
        readStampsOneByOne(m_fd, 1, stamps);
    stampsFromFileOrder(stamps);
    return stamps;
}

DiaryInUseError::DiaryInUseError(const QString& path)
    : QuillnestError(QStringLiteral("Дневник открыт в другой копии программы. Закройте его там, чтобы открыть "
                                    "здесь:\r") +
                     path)
{
}

DiaryReplacedError::DiaryReplacedError(const QString& path)
    : QuillnestError(QStringLiteral("Файл дневника заменён, перемещён или удалён другой программой; в дневник "
                                    "ничего не записано. Откройте его заново:\r") +
                     path)
{
}
