#pragma once

#include "backupretention.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

// One copy of a diary, as its name and size tell.
struct BackupCopy {
    QString path;
    QDateTime taken;
    qint64 size = 0;
};

// What a copy holds, read from the copy itself.
struct CopyContents {
    // Not a diary: cut short inside its header, or unreadable. Such a copy is never restored. A part of a record
    // after the last whole one is not damage: a diary killed while adding an entry may end so, and like the diary the
    // copy does not count it.
    bool damaged = false;
    qint64 entries = 0;
};

// The steps at which making or removing a copy can fail, for tests that make one of them fail.
enum class BackupStep { MakeFolder, CopyData, KeepReplaced, Remove };
using BackupFaultHook = std::function<void(BackupStep)>;
// The hook runs before each step and may throw FileError; pass an empty function to remove it.
void setBackupFaultHook(BackupFaultHook hook);

// The dated copies of one diary, in a folder of their own under `root` ("$XDG_DATA_HOME/quillnest/backups"):
// "<root>/<diary name>-<short hash of its full path>/<yyyy-MM-dd_HH-mm-ss>.qnb", the time the copy was taken in
// local time (a second copy within the same second gets "_1" and so on after it). The folders are made readable
// by their owner only, and so are the copies. A copy takes its name only once it is whole: one cut short keeps a
// hidden name, is never listed, and goes with the next copy made.
class BackupShelf
{
public:
    BackupShelf(const QString& root, const QString& diaryPath);

    const QString& folder() const { return m_folder; }
    // Oldest first. None where the folder is missing or cannot be read.
    std::vector<BackupCopy> copies() const;
    static CopyContents contentsOf(const QString& copyPath);

    // A copy of the diary open as `diaryFd`, taken at `now`; its path. The data is cloned where the file system
    // can, else copied; its writing to disk is begun, not waited for. Throws FileError.
    QString copyFrom(int diaryFd, const QDateTime& now) const;
    // The file named `replaced` (a diary that a rebuild has just replaced, about to go) kept as the copy taken at
    // `now`, by a second name where the file system allows it, else copied; its path. Throws FileError.
    QString keep(const QByteArray& replaced, const QDateTime& now) const;
    // Once the copy `newest` is safe on disk, the copies `rule` lets go on `today` are removed. Throws FileError
    // where `newest` cannot be flushed: nothing is removed then.
    void settle(const QString& newest, const QDate& today, const RetentionRule& rule) const;

private:
    QByteArray makeFolder() const;
    QByteArray freeName(const QByteArray& folder, const QDateTime& now, int attempt) const;

    QString m_folder;
};
