#include "entryexport.h"

#include "exportformat.h"
#include "exportpipeline.h"
#include "store/cp1251.h"
#include "store/fileidentity.h"
#include "store/posixio.h"
#include "store/recordfile.h"
#include "store/replacement.h"
#include "store/sidefiles.h"
#include "version.h"

#include <QFile>
#include <QScopeGuard>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

// Our credit at the end of the footer line of both layouts.
const QString ExportCredit = QStringLiteral(" — личный дневник");

// The file is written whole beside its target and put in its place once complete (FileReplacement): a new
// one is not flushed, nor is its folder, which a crash may cost it but never an old file. A link keeps
// pointing where it did: the file it names is replaced.
const ReplaceRules ExportRules{.followLink = true,
                               .plainFileOnly = true,
                               .mustBeNew = false,
                               .flushNewFile = false,
                               .folderFlush = ReplaceRules::FolderFlush::Skipped};

// Only a plain file can take an export, and never the diary's own file.
void checkTarget(const struct stat& target, const FileIdentity& diary)
{
    if (!S_ISREG(target.st_mode))
        posixio::throwCode(FileError::AccessDenied);
    if (diary == identityOf(target))
        throw QuillnestError(QStringLiteral("Записи нельзя экспортировать в файл самого дневника"));
}

// What a target held goes first into the file that replaces it, for an export that appends.
void copyContent(int fd, int to)
{
    for (;;) {
        const ssize_t copied = ::copy_file_range(fd, nullptr, to, nullptr, std::size_t(1) << 30, 0);
        if (copied == 0)
            return;
        if (copied > 0 || errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            posixio::throwErrno(errno);
        // A file system that cannot copy by itself: through a buffer, from where it stopped.
        std::vector<char> buffer(std::size_t(1) << 20);
        qint64 at = ::lseek(fd, 0, SEEK_CUR);
        for (qint64 got; (got = posixio::readUpTo(fd, buffer.data(), qint64(buffer.size()), at)) > 0; at += got)
            posixio::writeAll(to, buffer.data(), got, -1);
        return;
    }
}

// A file the person may write in a folder that takes no new files is written in place, appended to or
// written anew: a kill or a failure on the way leaves it part written, which nothing can avoid there.
void writeInPlace(const QByteArray& target, bool appending, const std::function<void(int)>& write)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | (appending ? 0 : O_TRUNC));
    if (fd < 0)
        posixio::throwOpenFailure(QFile::decodeName(target), errno);
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    write(fd);
    posixio::syncFile(fd);
}

} // namespace

// The old file is opened once, without waiting (a pipe of the name is refused, not waited on), and all is
// checked on what was opened, not on the name: the replacement replaces only that file.
void writeExport(const RecordFile& diary, const EntryCodec& codec, const ExportChoice& choice, const QString& fileName,
                 ExportLayout layout, const ProgressReport& progress)
{
    const bool appending = layout == ExportLayout::Text;
    const QByteArray target = sidefiles::resolveTarget(posixio::encodePath(fileName));
    const int old = ::open(target.constData(), (appending ? O_RDONLY | O_NONBLOCK : O_PATH) | O_CLOEXEC);
    if (old < 0 && errno != ENOENT)
        posixio::throwOpenFailure(fileName, errno);
    const auto closing = qScopeGuard([old] {
        if (old >= 0)
            ::close(old);
    });
    std::optional<FileIdentity> madeFrom;
    if (old >= 0) {
        struct stat info;
        if (::fstat(old, &info) != 0)
            posixio::throwErrno(errno);
        checkTarget(info, diary.identity());
        if (::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0)
            posixio::throwCode(FileError::AccessDenied);
        madeFrom = identityOf(info);
    }
    const QByteArray footer = toCp1251(QLatin1String(QuillnestCaption) + ExportCredit);
    if (madeFrom && !sidefiles::folderTakesNewFiles(target)) {
        writeInPlace(target, appending, [&](int fd) {
            writeExportedEntries(fd, diary, codec, choice, exportFormat(layout), footer, progress);
        });
        return;
    }
    FileReplacement file(fileName, ExportRules, madeFrom ? &*madeFrom : nullptr);
    if (appending && old >= 0)
        copyContent(old, file.fd());
    writeExportedEntries(file.fd(), diary, codec, choice, exportFormat(layout), footer, progress);
    file.commit();
}
