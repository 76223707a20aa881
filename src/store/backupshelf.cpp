#include "backupshelf.h"

#include "diaryrecord.h"
#include "faultseam.h"
#include "filecopy.h"
#include "posixio.h"
#include "sidefiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

void beginStep(BackupStep step)
{
    FaultSeam<BackupStep>::before(step);
}

const QString NameFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");
constexpr QByteArrayView PartPrefix = ".copy-";

// Two diaries of the same name in different folders get folders of their own.
QString folderNameOf(const QString& diaryPath)
{
    const QFileInfo diary(diaryPath);
    const QString canonical = diary.canonicalFilePath();
    const QString full = canonical.isEmpty() ? diary.absoluteFilePath() : canonical;
    const QByteArray hash = QCryptographicHash::hash(full.toUtf8(), QCryptographicHash::Sha256).toHex().left(8);
    return diary.completeBaseName() + QLatin1Char('-') + QString::fromLatin1(hash);
}

// Each missing folder on the way is made readable by its owner only.
void makePrivateFolders(const QByteArray& path)
{
    for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray step = slash < 0 ? path : path.left(slash);
        if (::mkdir(step.constData(), 0700) != 0 && errno != EEXIST)
            posixio::throwErrno(errno);
        if (slash < 0)
            return;
    }
}

int openPart(const QByteArray& folder, QByteArray& name)
{
    name = folder + '/' + PartPrefix.toByteArray() + "XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        posixio::throwErrno(errno);
    return fd;
}

// Copies cut short by a kill: the diary is locked while one is made, so none is being made now.
void removeParts(const QByteArray& folder)
{
    const QDir dir(QFile::decodeName(folder));
    for (const QString& part : dir.entryList({QString::fromLatin1(PartPrefix) + u'*'}, QDir::Files | QDir::Hidden))
        ::unlink(QFile::encodeName(dir.filePath(part)).constData());
}

} // namespace

void setBackupFaultHook(BackupFaultHook hook)
{
    FaultSeam<BackupStep>::set(std::move(hook));
}

BackupShelf::BackupShelf(const QString& root, const QString& diaryPath)
    : m_folder(QDir(root).filePath(folderNameOf(diaryPath)))
{
}

std::vector<BackupCopy> BackupShelf::copies() const
{
    static const QRegularExpression name(
        QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d)(_(\\d+))?\\.qnb$"));
    std::vector<std::pair<int, BackupCopy>> found;
    const QDir dir(m_folder);
    for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("*.qnb")}, QDir::Files)) {
        const QRegularExpressionMatch match = name.match(file.fileName());
        const QDateTime taken = QDateTime::fromString(match.captured(1), NameFormat);
        if (match.hasMatch() && taken.isValid())
            found.push_back({match.captured(3).toInt(), {file.filePath(), taken, file.size()}});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.second.taken != b.second.taken ? a.second.taken < b.second.taken : a.first < b.first;
    });
    std::vector<BackupCopy> copies;
    for (auto& [order, copy] : found)
        copies.push_back(std::move(copy));
    return copies;
}

CopyContents BackupShelf::contentsOf(const QString& copyPath)
{
    const QByteArray name = QFile::encodeName(copyPath);
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    CopyContents contents;
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < RecordSize) {
        contents.damaged = true;
    } else {
        DiaryRecord header;
        contents.damaged = ::pread(fd, header.data(), RecordSize, 0) != RecordSize;
        contents.entries = info.st_size / RecordSize - 1;
    }
    if (fd >= 0)
        ::close(fd);
    return contents;
}

QByteArray BackupShelf::makeFolder() const
{
    beginStep(BackupStep::MakeFolder);
    const QByteArray folder = QFile::encodeName(QDir::cleanPath(QDir(m_folder).absolutePath()));
    makePrivateFolders(folder);
    struct stat info;
    if (::lstat(folder.constData(), &info) != 0)
        posixio::throwErrno(errno);
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        posixio::throwCode(FileError::AccessDenied);
    if ((info.st_mode & 0077) != 0 && ::chmod(folder.constData(), 0700) != 0)
        posixio::throwErrno(errno);
    return folder;
}

QByteArray BackupShelf::freeName(const QByteArray& folder, const QDateTime& now, int attempt) const
{
    QString name = now.toString(NameFormat);
    if (attempt > 0)
        name += QLatin1Char('_') + QString::number(attempt);
    return folder + '/' + QFile::encodeName(name) + ".qnb";
}

QString BackupShelf::copyFrom(int diaryFd, const QDateTime& now) const
{
    const QByteArray folder = makeFolder();
    removeParts(folder);
    QByteArray part;
    const int fd = openPart(folder, part);
    try {
        beginStep(BackupStep::CopyData);
        copyWholeFile(diaryFd, fd);
        struct stat info;
        if (::fstat(fd, &info) == 0)
            sidefiles::startWriteback(fd, 0, info.st_size);
        for (int attempt = 0;; ++attempt) {
            const QByteArray name = freeName(folder, now, attempt);
            if (::renameat2(AT_FDCWD, part.constData(), AT_FDCWD, name.constData(), RENAME_NOREPLACE) == 0) {
                ::close(fd);
                return QFile::decodeName(name);
            }
            if (errno != EEXIST)
                posixio::throwErrno(errno);
        }
    } catch (...) {
        ::close(fd);
        ::unlink(part.constData());
        throw;
    }
}

// A second name costs no writing; only a file system that takes none (another one than the copies', or one
// without links) has the file copied.
QString BackupShelf::keep(const QByteArray& replaced, const QDateTime& now) const
{
    const QByteArray folder = makeFolder();
    removeParts(folder);
    beginStep(BackupStep::KeepReplaced);
    for (int attempt = 0;; ++attempt) {
        const QByteArray name = freeName(folder, now, attempt);
        if (::link(replaced.constData(), name.constData()) == 0) {
            ::chmod(name.constData(), 0600);
            return QFile::decodeName(name);
        }
        if (errno != EEXIST)
            break;
    }
    const int fd = ::open(replaced.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        posixio::throwErrno(errno);
    try {
        const QString copy = copyFrom(fd, now);
        ::close(fd);
        return copy;
    } catch (...) {
        ::close(fd);
        throw;
    }
}

void BackupShelf::settle(const QString& newest, const QDate& today, const RetentionRule& rule) const
{
    const QByteArray name = QFile::encodeName(newest);
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        posixio::throwErrno(errno);
    try {
        posixio::syncFile(fd);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    sidefiles::syncFolder(sidefiles::folderOf(name));

    const std::vector<BackupCopy> all = copies();
    std::vector<CopyAge> ages;
    for (const BackupCopy& copy : all)
        ages.push_back({copy.taken, copy.size});
    for (const std::size_t gone : copiesToRemove(ages, today, rule)) {
        beginStep(BackupStep::Remove);
        if (all[gone].path != newest)
            ::unlink(QFile::encodeName(all[gone].path).constData());
    }
}
