#include "error.h"

#include <cerrno>

NotDurableError::NotDurableError(const QString& cause)
    : NotDurableError(cause, QStringLiteral("Изменения записаны, но при сбое питания они могут потеряться."))
{
}

NotDurableError::NotDurableError(const QString& cause, const QString& consequence)
    : QuillnestError(cause + QLatin1Char('\r') + consequence)
{
}

FileError::FileError(int code) : QuillnestError(textFor(code)), m_code(code) {}

QString FileError::textFor(int code)
{
    switch (code) {
    case FileNotFound:
        return QStringLiteral("File not found");
    case InvalidFilename:
        return QStringLiteral("Invalid filename");
    case TooManyOpenFiles:
        return QStringLiteral("Too many open files");
    case AccessDenied:
        return QStringLiteral("File access denied");
    case ReadBeyondEnd:
        return QStringLiteral("Read beyond end of file");
    case DiskFull:
        return QStringLiteral("Disk full");
    default:
        // A system error is named by the system's own number, which the user can look up.
        return QStringLiteral("I/O error %1").arg(code >= SystemErrorBase ? code - SystemErrorBase : code);
    }
}

int FileError::codeForErrno(int err)
{
    switch (err) {
    case ENOENT:
        return FileNotFound;
    case ENAMETOOLONG:
    case ENOTDIR:
    case EINVAL:
        return InvalidFilename;
    case EMFILE:
    case ENFILE:
        return TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EISDIR: // a folder opened as a file
        return AccessDenied;
    case ENOSPC:
    case EDQUOT:
        return DiskFull;
    default:
        // EIO is 5 and would read as "File access denied", hiding a failing disk; the network
        // errors 100 and 101 would read as end of file and disk full.
        if (err == InvalidFilename || err == TooManyOpenFiles || err == AccessDenied || err == ReadBeyondEnd ||
            err == DiskFull)
            return SystemErrorBase + err;
        return err;
    }
}
