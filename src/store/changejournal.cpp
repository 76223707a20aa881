#include "changejournal.h"

#include "faultseam.h"
#include "fileidentity.h"
#include "posixio.h"
#include "recordfile.h"
#include "sidefiles.h"

#include <QCryptographicHash>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr QByteArrayView Magic = "QNJOURN1";
constexpr qsizetype DigestSize = 32;
// Magic, device, inode, record number, name length; the name, both records and the digest follow.
constexpr qsizetype FixedPart = 8 + 4 * 8;
constexpr qsizetype LargestJournal = FixedPart + PATH_MAX + 2 * RecordSize + DigestSize;

void beginStep(JournalStep step)
{
    FaultSeam<JournalStep>::before(step);
}

QByteArray journalName(const QByteArray& target)
{
    return sidefiles::besideTarget(target, ".journal");
}

void appendNumber(QByteArray& out, quint64 value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

quint64 numberAt(const QByteArray& in, qsizetype offset)
{
    quint64 value;
    std::memcpy(&value, in.constData() + offset, sizeof value);
    return value;
}

QByteArray digestOf(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

// What a journal says: which file (by name and by identity), which record, and its two versions.
struct JournalContents {
    QByteArray target;
    FileIdentity identity;
    qint64 record = 0;
    DiaryRecord old;
    DiaryRecord fresh;
};

QByteArray encode(const JournalContents& journal)
{
    QByteArray out = Magic.toByteArray();
    appendNumber(out, journal.identity.device);
    appendNumber(out, journal.identity.inode);
    appendNumber(out, quint64(journal.record));
    appendNumber(out, quint64(journal.target.size()));
    out.append(journal.target);
    out.append(journal.old.data(), RecordSize);
    out.append(journal.fresh.data(), RecordSize);
    out.append(digestOf(out));
    return out;
}

// False for anything but a whole journal.
bool decode(const QByteArray& in, JournalContents& journal)
{
    if (in.size() < FixedPart || !in.startsWith(Magic))
        return false;
    const quint64 nameLength = numberAt(in, 32);
    if (nameLength > PATH_MAX || in.size() != FixedPart + qsizetype(nameLength) + 2 * RecordSize + DigestSize)
        return false;
    const qsizetype body = in.size() - DigestSize;
    if (digestOf(QByteArrayView(in).first(body)) != QByteArrayView(in).sliced(body))
        return false;
    journal.identity = {true, numberAt(in, 8), numberAt(in, 16)};
    journal.record = qint64(numberAt(in, 24));
    journal.target = in.mid(FixedPart, qsizetype(nameLength));
    std::memcpy(journal.old.data(), in.constData() + FixedPart + nameLength, RecordSize);
    std::memcpy(journal.fresh.data(), in.constData() + FixedPart + nameLength + RecordSize, RecordSize);
    return true;
}

// The journal and its name in the folder, both on the disk; on failure there is no journal. Another user's
// file at the name is neither written nor removed (SideFileTakenError).
void writeJournal(const QByteArray& name, const QByteArray& bytes)
{
    const int fd = sidefiles::openSideFile(name, O_WRONLY | O_TRUNC);
    try {
        posixio::writeAll(fd, bytes.constData(), bytes.size(), 0);
        posixio::syncFile(fd);
    } catch (const QuillnestError&) {
        ::close(fd);
        ::unlink(name.constData());
        throw;
    }
    ::close(fd);
    try {
        sidefiles::syncFolder(sidefiles::folderOf(name));
    } catch (const QuillnestError&) {
        ::unlink(name.constData());
        throw;
    }
}

// The whole journal (empty when it was cut short at once), or nothing when there is none to read. One
// that another user could have written throws SideFileTakenError.
std::optional<QByteArray> readJournal(const QByteArray& name)
{
    const int fd = sidefiles::openSideFile(name, O_RDONLY, false);
    if (fd < 0)
        return std::nullopt;
    QByteArray bytes(LargestJournal + 1, Qt::Uninitialized);
    qint64 length = 0;
    try {
        length = posixio::readUpTo(fd, bytes.data(), bytes.size(), 0);
    } catch (const QuillnestError&) {
        length = 0;
    }
    ::close(fd);
    bytes.truncate(length);
    return bytes;
}

} // namespace

void setJournalFaultHook(JournalFaultHook hook)
{
    FaultSeam<JournalStep>::set(std::move(hook));
}

void replaceRecord(RecordFile& diary, qint64 n, const DiaryRecord& old, const DiaryRecord& fresh)
{
    const QByteArray target = sidefiles::resolveTarget(posixio::encodePath(diary.path()));
    const QByteArray name = journalName(target);
    beginStep(JournalStep::WriteJournal);
    writeJournal(name, encode({target, diary.identity(), n, old, fresh}));
    try {
        beginStep(JournalStep::WriteRecord);
        diary.write(n, fresh);
        beginStep(JournalStep::FlushRecord);
        diary.flush();
    } catch (const QuillnestError&) {
        try {
            diary.write(n, old);
            diary.flush();
            ::unlink(name.constData());
        } catch (const QuillnestError&) {
            // The journal stays: the next opening puts the old record back.
        }
        throw;
    }
    // A journal that cannot be removed does no harm: the record it would put back is the new one,
    // and any later change or rebuild leaves it behind for good.
    beginStep(JournalStep::RemoveJournal);
    ::unlink(name.constData());
}

QByteArray recoverTornRecord(RecordFile& diary)
{
    const QByteArray target = sidefiles::resolveTarget(posixio::encodePath(diary.path()));
    const QByteArray name = journalName(target);
    std::optional<QByteArray> bytes;
    try {
        bytes = readJournal(name);
    } catch (const sidefiles::SideFileTakenError&) {
        return name;
    }
    if (!bytes)
        return {};
    JournalContents journal;
    if (!decode(*bytes, journal)) {
        // The journal was cut short while it was written, before the diary was touched.
        ::unlink(name.constData());
        return {};
    }
    // A journal names the diary it was written for.
    if (journal.target != target)
        return {};
    // Record 0 too: an encrypted diary's header is replaced so when its passphrase changes.
    if (journal.identity == diary.identity() && journal.record >= 0 && journal.record < diary.count()) {
        DiaryRecord current;
        diary.read(journal.record, current);
        if (current.bytes != journal.fresh.bytes) {
            diary.write(journal.record, journal.old);
            diary.flush();
        }
    }
    ::unlink(name.constData());
    return {};
}
