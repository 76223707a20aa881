#include "draft.h"

#include "diaryrecord.h"
#include "entrytext.h"
#include "posixio.h"
#include "scramble.h"
#include "sidefiles.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The draft's layout: "QNDRAFT1"; 'A' for a new entry or 'C' for a change; the changed entry's stamp
// and the time of writing (little-endian doubles); the length of what follows (little-endian, 4
// bytes); then a check text and the draft's text in UTF-8, scrambled together in pieces of 255 bytes
// with the diary's key. Under another key the check text reads wrong.

namespace
{

constexpr QByteArrayView Magic = "QNDRAFT1";
constexpr QByteArrayView Check = "Quillnest draft.";
constexpr qsizetype HeaderSize = Magic.size() + 1 + 8 + 8 + 4;
// Far more than anyone types into one entry; a bigger file is no draft of ours.
constexpr qint64 LargestDraft = qint64(64) << 20;

// Each piece from the key's first byte on, as entries' lines are; its own inverse.
void scramblePieces(QByteArray& bytes, QByteArrayView key)
{
    const QByteArray pattern = linePattern(key);
    for (qsizetype at = 0; at < bytes.size(); at += SlotCapacity) {
        const qsizetype length = std::min<qsizetype>(SlotCapacity, bytes.size() - at);
        xorWithPattern(bytes.constData() + at, pattern.constData(), length, bytes.data() + at);
    }
}

void appendStamp(QByteArray& out, double stamp)
{
    const quint64 bits = qToLittleEndian(std::bit_cast<quint64>(stamp));
    out.append(reinterpret_cast<const char*>(&bits), sizeof bits);
}

double stampAt(QByteArrayView in, qsizetype offset)
{
    return std::bit_cast<double>(qFromLittleEndian<quint64>(in.data() + offset));
}

QByteArray diaryTarget(const QString& diaryPath)
{
    return sidefiles::resolveTarget(posixio::encodePath(diaryPath));
}

bool parse(QByteArrayView file, QByteArrayView key, Draft& draft)
{
    if (file.size() < HeaderSize || !file.startsWith(Magic))
        return false;
    const char kind = file[Magic.size()];
    const quint32 length = qFromLittleEndian<quint32>(file.data() + HeaderSize - 4);
    if ((kind != 'A' && kind != 'C') || qint64(length) != file.size() - HeaderSize || length < Check.size())
        return false;
    QByteArray body = file.sliced(HeaderSize).toByteArray();
    scramblePieces(body, key);
    if (!body.startsWith(Check))
        return false;
    draft.changing = kind == 'C';
    draft.entryStamp = stampAt(file, Magic.size() + 1);
    draft.writtenAt = stampAt(file, Magic.size() + 9);
    draft.text = QString::fromUtf8(body.sliced(Check.size()));
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

// Renames the draft `name` to the first of "<diary>.draft.bad", "<diary>.draft.bad.1", … that is free
// and returns its new name; one that cannot be renamed keeps its own.
QByteArray setAside(const QByteArray& diary, const QByteArray& name)
{
    for (int n = 0; n < 100; ++n) {
        const QByteArray aside =
            sidefiles::besideTarget(diary, n == 0 ? QByteArray(".draft.bad") : ".draft.bad." + QByteArray::number(n));
        if (::renameat2(AT_FDCWD, name.constData(), AT_FDCWD, aside.constData(), RENAME_NOREPLACE) == 0)
            return aside;
        if (errno != EEXIST)
            break;
    }
    return name;
}

} // namespace

QByteArray draftName(const QString& diaryPath)
{
    return sidefiles::besideTarget(diaryTarget(diaryPath), ".draft");
}

void writeDraft(const QString& diaryPath, const Draft& draft, QByteArrayView key)
{
    QByteArray body = Check.toByteArray() + draft.text.toUtf8();
    scramblePieces(body, key);
    QByteArray file = Magic.toByteArray() + (draft.changing ? 'C' : 'A');
    appendStamp(file, draft.entryStamp);
    appendStamp(file, draft.writtenAt);
    const quint32 length = qToLittleEndian(quint32(body.size()));
    file.append(reinterpret_cast<const char*>(&length), sizeof length);
    file += body;

    const QByteArray name = draftName(diaryPath);
    sidefiles::removeLeftoverTemporaries(name);
    QByteArray temporary;
    const int fd = sidefiles::createTemporary(name, temporary);
    try {
        posixio::writeAll(fd, file.constData(), file.size(), 0);
        while (::fsync(fd) != 0) {
            if (errno != EINTR)
                posixio::throwErrno(errno);
        }
        if (::rename(temporary.constData(), name.constData()) != 0)
            posixio::throwErrno(errno);
    } catch (...) {
        ::close(fd);
        ::unlink(temporary.constData());
        throw;
    }
    ::close(fd);
}

DraftFound readDraft(const QString& diaryPath, QByteArrayView key, Draft& draft, QString& setAsideAs)
{
    const QByteArray name = draftName(diaryPath);
    sidefiles::removeLeftoverTemporaries(name);
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        return DraftFound::None;
    QByteArray file;
    if (fd >= 0) {
        file = readAll(fd);
        ::close(fd);
    }
    if (parse(file, key, draft))
        return DraftFound::Readable;
    setAsideAs = QFile::decodeName(setAside(diaryTarget(diaryPath), name));
    return DraftFound::SetAside;
}

void removeDraft(const QString& diaryPath)
{
    try {
        ::unlink(draftName(diaryPath).constData());
    } catch (const QuillnestError&) {
    }
}
