#include "personalwords.h"

#include "store/error.h"
#include "store/posixio.h"
#include "store/replacement.h"
#include "store/sidefiles.h"

#include <QFile>
#include <QFileInfo>

#include <optional>
#include <sys/stat.h>

namespace
{

const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// The rules Settings.ini is written by, for the file beside it: the link kept where it may be followed, a
// pipe replaced, the name put on the disk as far as it goes, and the old file's owner kept or nothing done.
const ReplaceRules ListRules{.followLink = true,
                             .plainFileOnly = false,
                             .mustBeNew = false,
                             .flushNewFile = true,
                             .folderFlush = ReplaceRules::FolderFlush::BestEffort,
                             .sameOwner = true};

QStringList wordsOf(QByteArray data)
{
    if (data.startsWith(Utf8Bom))
        data.remove(0, Utf8Bom.size());
    QStringList words;
    for (const QByteArray& line : data.split('\n')) {
        const QString word = QString::fromUtf8(line).trimmed();
        if (!word.isEmpty())
            words << word;
    }
    return words;
}

QByteArray dataOf(const QStringList& words)
{
    QByteArray data;
    for (const QString& word : words)
        data += word.toUtf8() + '\n';
    return data;
}

// The file as it is now and which file that was, or nothing where there is none to read.
std::optional<FileIdentity> readForChange(const QString& path, QStringList& words)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    struct stat info;
    if (!file.open(QIODevice::ReadOnly) || ::fstat(file.handle(), &info) != 0)
        throw FileError(FileError::AccessDenied);
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(FileError::AccessDenied);
    words = wordsOf(data);
    return identityOf(info);
}

void requireOwnFolder(const QString& path)
{
    struct stat info;
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (::lstat(folder.constData(), &info) != 0 || !sidefiles::isOwnPrivateFolder(info))
        throw FileError(FileError::AccessDenied);
}

} // namespace

namespace personalwords
{

QString pathIn(const QString& dataDir)
{
    return dataDir.isEmpty() ? QString() : dataDir + QLatin1Char('/') + FileName;
}

QStringList read(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return file.error() == QFileDevice::NoError ? wordsOf(data) : QStringList();
}

void add(const QString& path, const QString& word)
{
    if (path.isEmpty())
        throw QuillnestError(QStringLiteral("no home folder is known (HOME)"));
    QStringList words;
    const std::optional<FileIdentity> madeFrom = readForChange(path, words);
    if (words.contains(word))
        return;
    words << word;
    const QByteArray data = dataOf(words);
    requireOwnFolder(path);
    FileReplacement file(path, ListRules, madeFrom ? &*madeFrom : nullptr);
    posixio::writeAll(file.fd(), data.constData(), data.size(), 0);
    file.commit();
}

} // namespace personalwords
