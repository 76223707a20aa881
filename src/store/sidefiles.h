#pragma once

#include "error.h"

// Files written beside another (the temporary file of a replacement, the change journal, a draft set
// aside), and the folder operations they need: the pieces of FileReplacement (replacement.h) and of the
// store's other writers, not for the windows.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <initializer_list>

struct stat;

namespace sidefiles
{

// The file that really gets written for `name`: for a symbolic link, the file it points to. A link is
// followed only as the kernel's protected_symlinks rule allows in a folder others may write: when it is
// the person's own, or its folder's owner's. Any other throws FileError ("File access denied"), so that
// a link another user planted never leads a write of the person's text elsewhere.
QByteArray resolveTarget(const QByteArray& name);
QByteArray folderOf(const QByteArray& name);

// "<target><suffix>" in the target's folder. Where the whole would not fit the folder's file system, the
// target's name is cut short and a short hash of all of it added, so that two long names that begin
// alike never share their side files.
QByteArray besideTarget(const QByteArray& target, QByteArrayView suffix);

// The rule for the files the program keeps beside a person's file (a journal, a draft, a temporary file),
// in a folder others may write: one found there is used only if it is a plain file of the person's own
// that nobody else may write.
bool isOwnPrivateFile(const struct stat& info);
// The same rule for a folder the program keeps the person's files in: the person's own, and nobody else's
// to write.
bool isOwnPrivateFolder(const struct stat& info);
// The person may make new files in the folder of `target`.
bool folderTakesNewFiles(const QByteArray& target);

// Another user's object, or one anybody may write, has the name of a side file the program needs.
class SideFileTakenError : public QuillnestError
{
public:
    explicit SideFileTakenError(const QByteArray& name);
    const QByteArray& name() const { return m_name; }

private:
    QByteArray m_name;
};

// Opens the side file `name` with `flags` (O_RDONLY, O_WRONLY or O_RDWR, and O_TRUNC): made anew, readable by
// its owner only, where nothing is; else the one there, if isOwnPrivateFile() says so, and
// SideFileTakenError if not. A link is never followed and a pipe never waited on; a file that `create`
// forbids to make gives -1 with errno ENOENT. Throws FileError.
int openSideFile(const QByteArray& name, int flags, bool create = true);

// Puts the folder's entries (a new or renamed file) on the disk. Throws FileError.
void syncFolder(const QByteArray& folder);

// Gives the file open as `fd` the owner `owner`, group `group` and permission bits `mode`, as far as the
// system allows: anyone may keep their own file's owner and give it one of their groups, only root any
// owner. With `exactly`, an owner or group that cannot be given throws FileError ("File access denied");
// else the group alone is kept where the owner cannot be. Throws FileError when the bits cannot be set.
void keepOwnership(int fd, unsigned owner, unsigned group, unsigned mode, bool exactly);

// Asks the system to start writing bytes `from`..`to` of the file open as `fd` to the disk now, without
// waiting: a file written in one go and flushed at its end then finds most of it written already. Only
// a hint; the flush at the end reports any failure.
void startWriteback(int fd, qint64 from, qint64 to);

// Opens a new file "<target>.XXXXXX.buf" beside `target` for reading and writing, made readable by its
// owner only (it holds what the target will; whoever replaces a file may then give it that file's
// owner and mode), and locks it at once, so that nobody removes it as a leftover while it is written.
// `temporary` receives its name. Throws FileError.
int createTemporary(const QByteArray& target, QByteArray& temporary);

// Gives the file `temporary` the name `target`, where nothing may be: a file that came there meanwhile
// is never replaced (FileError for EEXIST). Throws FileError.
void renameIntoNew(const QByteArray& temporary, const QByteArray& target);

// Renames `from` to the first free name of "<target><suffix>", "<target><suffix>.1", … beside `target`, so
// that no file kept there before is replaced, and returns it. One that cannot be renamed keeps its own name,
// which is returned. Never throws.
QByteArray renameToFreeName(const QByteArray& from, const QByteArray& target, const QByteArray& suffix);

// The files beside `target` named as createTemporary names them, "<target>.XXXXXX<suffix>" with one of
// `suffixes` (".buf" for a temporary file), whatever they are; the folder is read once.
QList<QByteArray> leftoversOf(const QByteArray& target, std::initializer_list<QByteArrayView> suffixes);

// Removes the files beside `target` that writers cut short (the program was killed, the machine stopped)
// left behind: temporary files and the links that tried whether the folder takes links, each of which may
// hold a whole copy of a diary's private text, and, once the target has a file again, an old file that a
// replacement set aside. One that a running writer holds is left alone, and so is another user's file or
// anything not named as createTemporary names them.
// Never throws; what cannot be removed stays.
void removeLeftoverTemporaries(const QByteArray& target);

// An advisory lock on the whole of the file open as `fd`, taken at once or not at all. False when
// another open file holds it; a file system without locks counts as locked.
bool lockExclusively(int fd);

} // namespace sidefiles
