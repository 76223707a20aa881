#include "fileidentity.h"

#include <QFile>

#include <sys/stat.h>

FileIdentity fileIdentity(const QString& path)
{
    struct stat info;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return identityOf(info);
}

FileIdentity identityOf(const struct stat& info)
{
    return {true, quint64(info.st_dev), quint64(info.st_ino)};
}
