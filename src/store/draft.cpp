#include "draft.h"

#include "diaryrecord.h"
#include "entrycodec.h"
#include "posixio.h"
#include "replacement.h"
#include "sidefiles.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The draft's layout: "QNDRAFT1"; 'A' for a new entry or 'C' for a change; the changed entry's record
// number (4 bytes); its stamp, the diary's `Created` and the time of writing (doubles); the length of
// what follows (4 bytes), numbers little-endian; then a check text and the draft's text in UTF-8, kept together
// as the diary keeps text beside it (EntryCodec::protect): scrambled with its key in pieces of 255 bytes, or
// sealed, the header before it authenticated with it. Under another key the check text reads wrong, or the sealed
// text does not open.

namespace
{

constexpr QByteArrayView Magic = "QNDRAFT1";
constexpr QByteArrayView Check = "Quillnest draft.";
constexpr qsizetype HeaderSize = Magic.size() + 1 + 4 + 3 * 8 + 4;
// Far more than anyone types into one entry; a bigger file is no draft of ours.
constexpr qint64 LargestDraft = qint64(64) << 20;

template <typename T> void append(QByteArray& out, T value)
{
    const T little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), sizeof little);
}

template <typename T> T take(QByteArrayView in, qsizetype& at)
{
    const T value = qFromLittleEndian<T>(in.data() + at);
    at += sizeof value;
    return value;
}

double takeStamp(QByteArrayView in, qsizetype& at)
{
    return std::bit_cast<double>(take<quint64>(in, at));
}

QByteArray diaryTarget(const QString& diaryPath)
{
    return sidefiles::resolveTarget(posixio::encodePath(diaryPath));
}

bool parse(QByteArrayView file, const EntryCodec& codec, Draft& draft)
{
    if (file.size() < HeaderSize || !file.startsWith(Magic))
        return false;
    qsizetype at = Magic.size();
    const char kind = file[at++];
    draft.changing = kind == 'C';
    draft.entryRecord = take<qint32>(file, at);
    draft.entryStamp = takeStamp(file, at);
    draft.diaryCreated = takeStamp(file, at);
    draft.writtenAt = takeStamp(file, at);
    const quint32 length = take<quint32>(file, at);
    if ((kind != 'A' && kind != 'C') || qint64(length) != file.size() - HeaderSize)
        return false;
    const std::optional<QByteArray> body = codec.unprotect(file.sliced(HeaderSize), file.first(HeaderSize));
    if (!body || !body->startsWith(Check))
        return false;
    draft.text = QString::fromUtf8(body->sliced(Check.size()));
    return true;
}

QByteArray readAll(int fd)
{
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > LargestDraft)
        return {};
    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    return posixio::readUpTo(fd, bytes.data(), bytes.size(), 0) == bytes.size() ? bytes : QByteArray();
}

// The person's own folder for drafts, made theirs alone where missing; one that another user owns or may
// write is not used.
QByteArray ownDraftFolder()
{
    QByteArray state = qgetenv("XDG_STATE_HOME");
    if (!state.startsWith('/')) {
        const QByteArray home = qgetenv("HOME");
        if (!home.startsWith('/'))
            posixio::throwCode(FileError::InvalidFilename);
        state = home + "/.local/state";
    }
    const QByteArray folder = state + "/quillnest/drafts";
    QByteArray made;
    for (const QByteArray& part : folder.split('/')) {
        if (part.isEmpty())
            continue;
        made += '/' + part;
        if (::mkdir(made.constData(), 0700) != 0 && errno != EEXIST)
            posixio::throwErrno(errno);
    }
    struct stat info;
    if (::lstat(folder.constData(), &info) != 0 || !sidefiles::isOwnPrivateFolder(info))
        posixio::throwCode(FileError::AccessDenied);
    return folder;
}

} // namespace

QByteArray draftName(const QString& diaryPath, QByteArray* taken)
{
    const QByteArray diary = diaryTarget(diaryPath);
    const QByteArray beside = sidefiles::besideTarget(diary, ".draft");
    struct stat info;
    if (::lstat(beside.constData(), &info) != 0 || sidefiles::isOwnPrivateFile(info))
        return beside;
    if (taken)
        *taken = beside;
    const QByteArray fileName = diary.mid(diary.lastIndexOf('/') + 1).left(100);
    const QByteArray hash = QCryptographicHash::hash(diary, QCryptographicHash::Sha256).toHex().left(16);
    return ownDraftFolder() + '/' + fileName + '-' + hash + ".draft";
}

void writeDraft(const QString& diaryPath, const Draft& draft, const EntryCodec& codec)
{
    QByteArray plain = Check.toByteArray() + draft.text.toUtf8();
    QByteArray file = Magic.toByteArray() + (draft.changing ? 'C' : 'A');
    append(file, draft.entryRecord);
    for (const double stamp : {draft.entryStamp, draft.diaryCreated, draft.writtenAt})
        append(file, std::bit_cast<quint64>(stamp));
    append(file, quint32(plain.size() + codec.protectionOverhead()));
    file += codec.protect(plain, file);
    plain.fill(0);

    // The draft is a file of the person's own (draftName): a name that a power cut takes back loses the
    // draft, no more.
    ReplaceRules rules;
    rules.followLink = false;
    rules.folderFlush = ReplaceRules::FolderFlush::BestEffort;
    FileReplacement replacement(QFile::decodeName(draftName(diaryPath)), rules);
    posixio::writeAll(replacement.fd(), file.constData(), file.size(), 0);
    replacement.commit();
}

DraftReading readDraft(const QString& diaryPath, const EntryCodec& codec, double diaryCreated)
{
    DraftReading reading;
    QByteArray taken;
    const QByteArray name = draftName(diaryPath, &taken);
    if (!taken.isEmpty()) {
        reading.takenName = QFile::decodeName(taken);
        reading.keptIn = QFile::decodeName(sidefiles::folderOf(name));
    }
    sidefiles::removeLeftoverTemporaries(name);
    const int fd = sidefiles::openSideFile(name, O_RDONLY, false);
    if (fd < 0)
        return reading;
    const QByteArray file = readAll(fd);
    ::close(fd);
    // A diary made at a time no number names (NaN) still knows its own drafts.
    if (parse(file, codec, reading.draft) &&
        std::bit_cast<quint64>(reading.draft.diaryCreated) == std::bit_cast<quint64>(diaryCreated)) {
        reading.found = DraftFound::Readable;
        return reading;
    }
    reading.found = DraftFound::SetAside;
    reading.setAsideAs = QFile::decodeName(sidefiles::renameToFreeName(name, name, ".bad"));
    return reading;
}

void removeDraft(const QString& diaryPath)
{
    if (::unlink(draftName(diaryPath).constData()) != 0 && errno != ENOENT)
        posixio::throwErrno(errno);
}
