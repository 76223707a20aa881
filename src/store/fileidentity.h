#pragma once

#include <QString>

struct stat;

// Which file a path names at this moment: two paths name the same file (through links, or spelled
// differently) exactly when their identities are equal. A path that names nothing has none.
struct FileIdentity {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileIdentity&) const = default;
};
FileIdentity fileIdentity(const QString& path);
// The identity of the file that `info` was read of.
FileIdentity identityOf(const struct stat& info);
