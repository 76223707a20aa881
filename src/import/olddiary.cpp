#include "olddiary.h"

#include "store/diaryedit.h"
#include "store/entrycodec.h"
#include "store/entrytext.h"
#include "store/error.h"
#include "store/posixio.h"
#include "store/scramble.h"
#include "store/sealedmark.h"
#include "store/stamp.h"
#include "store/stampreader.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr int EarlyRecordSize = 1288;
constexpr int EarlyLines = 5;
constexpr int LineSize = 256;

double stampAt(const char* record)
{
    quint64 bits;
    std::memcpy(&bits, record, sizeof bits);
    return std::bit_cast<double>(qFromLittleEndian(bits));
}

// Lines as the record holds them, copied into a fresh entry.
DiaryRecord entryFromLines(const char* record, int lines)
{
    DiaryRecord entry;
    entry.setStamp(stampAt(record));
    for (int k = 1; k <= lines; ++k) {
        const char* line = record + 8 + (k - 1) * LineSize;
        entry.setSlot(k, QByteArrayView(line + 1, static_cast<unsigned char>(line[0])));
    }
    return entry;
}

// "1.0.0 - 1.1.4": five lines to a record, no header.
class EarlyReader : public OldLayoutReader
{
public:
    QString label() const override { return QStringLiteral("1.0.0 - 1.1.4"); }
    int recordSize() const override { return EarlyRecordSize; }
    int firstEntryRecord() const override { return 0; }
    DiaryRecord toEntry(const char* record) const override { return entryFromLines(record, EarlyLines); }
};

// "1.2.0 - 1.3.1": today's records, no header.
class MiddleReader : public OldLayoutReader
{
public:
    QString label() const override { return QStringLiteral("1.2.0 - 1.3.1"); }
    int recordSize() const override { return RecordSize; }
    int firstEntryRecord() const override { return 0; }
    DiaryRecord toEntry(const char* record) const override { return entryFromLines(record, SlotCount); }
};

// "1.4.0 - 2.0.0": today's records behind a header that holds the password.
class LateReader : public MiddleReader
{
public:
    QString label() const override { return QStringLiteral("1.4.0 - 2.0.0"); }
    int firstEntryRecord() const override { return 1; }
};

// A header is told by its stamp: day zero without a time of day, as the list shows it.
bool isHeaderStamp(double stamp)
{
    return stampText(stamp) == QStringLiteral("30.12.1899");
}

} // namespace

OldDiarySource::OldDiarySource() : m_key(FixedKey) {}

OldDiarySource::~OldDiarySource()
{
    close();
}

void OldDiarySource::close() noexcept
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_reader.reset();
    m_stamps.clear();
    m_storedPassword.clear();
    m_key = FixedKey;
}

QString OldDiarySource::kind() const
{
    return m_reader ? m_reader->label() : QString();
}

bool OldDiarySource::hasHeader() const
{
    return m_reader && m_reader->firstEntryRecord() > 0;
}

// Read only: an old diary from an archive or a write-protected medium imports as well as any.
OldDiarySource::Outcome OldDiarySource::recognise(const QString& path)
{
    close();
    m_path = path;
    const QByteArray name = posixio::encodePath(path);
    int fd;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Outcome::NotFound;
        posixio::throwErrno(errno);
    }
    m_fd = fd;
    try {
        struct stat info;
        if (::fstat(fd, &info) != 0)
            posixio::throwErrno(errno);
        // A folder or a pipe is no diary, and reading a pipe might never end.
        if (!S_ISREG(info.st_mode)) {
            close();
            return Outcome::NotFound;
        }
        if (info.st_size == 0) {
            close();
            return Outcome::Empty;
        }
        if (info.st_size % EarlyRecordSize == 0) {
            m_reader = std::make_unique<EarlyReader>();
            readStamps(info.st_size / EarlyRecordSize);
            return Outcome::Recognised;
        }
        const qint64 records = info.st_size / RecordSize;
        DiaryRecord first;
        if (posixio::readUpTo(fd, first.data(), RecordSize, 0) != RecordSize)
            posixio::throwCode(FileError::ReadBeyondEnd);
        if (sealedmark::marks(first))
            throw QuillnestError(QStringLiteral("Это зашифрованный дневник: его записи импортировать нельзя. Откройте "
                                                "его и снимите шифрование (Сервис → Шифрование…), чтобы импортировать "
                                                "их."));
        if (!isHeaderStamp(first.stamp())) {
            m_reader = std::make_unique<MiddleReader>();
            readStamps(records);
            return Outcome::Recognised;
        }
        if (records < 2) {
            close();
            return Outcome::Empty;
        }
        m_reader = std::make_unique<LateReader>();
        m_storedPassword = first.slot(1).toByteArray();
        readStamps(records - 1);
        return Outcome::Recognised;
    } catch (...) {
        close();
        throw;
    }
}

// A list counts its entries in 16 bits: the first MaxEntries are all a source can give.
void OldDiarySource::readStamps(qint64 count)
{
    m_stamps.resize(size_t(std::min<qint64>(count, MaxEntries)));
    const int first = m_reader->firstEntryRecord();
    const int size = m_reader->recordSize();
    if (!readStampsThroughRings(m_fd, first, m_stamps, size))
        readStampsOneByOne(m_fd, first, m_stamps, size);
    stampsFromFileOrder(m_stamps);
}

DiaryRecord OldDiarySource::readEntry(int k) const
{
    if (!m_reader)
        posixio::throwCode(posixio::FileNotOpen);
    const int size = m_reader->recordSize();
    char record[RecordSize];
    if (k < 0 || k >= entryCount() ||
        posixio::readUpTo(m_fd, record, size, (qint64(k) + m_reader->firstEntryRecord()) * size) != size)
        posixio::throwCode(FileError::ReadBeyondEnd);
    return m_reader->toEntry(record);
}

QByteArray OldDiarySource::entryText(int k) const
{
    return joinLines(readEntry(k), m_key);
}

// The header is read again: the password compared is the one in the file now.
bool OldDiarySource::checkPassword(const QString& typed)
{
    if (!hasHeader())
        return false;
    DiaryRecord header;
    if (posixio::readUpTo(m_fd, header.data(), RecordSize, 0) != RecordSize)
        posixio::throwCode(FileError::ReadBeyondEnd);
    const QByteArray password = decodePassword(header.slot(1));
    if (!isTypedPassword(typed, password))
        return false;
    m_key = password;
    return true;
}

// An import rescrambles every entry for the same diary: the pattern is made once.
DiaryRecord OldDiarySource::recoded(DiaryRecord entry, const EntryCodec& target) const
{
    const auto* scrambled = dynamic_cast<const ScrambledText*>(&target);
    if (!scrambled)
        return recodedEntry(entry, ScrambledText(m_key), target,
                            QStringLiteral("Импорт не выполнен: запись от %1 длиннее %2 символов, которые помещаются "
                                           "в запись этого дневника"));
    const QByteArray& targetKey = scrambled->key();
    if (targetKey == m_key)
        return entry;
    if (m_changeTarget != targetKey || m_changeSource != m_key) {
        m_change = rekeyingPattern(m_key, targetKey);
        m_changeTarget = targetKey;
        m_changeSource = m_key;
    }
    rekeyLines(entry, m_change);
    return entry;
}
