#pragma once

#include "error.h"
#include "fileidentity.h"

#include <QByteArray>
#include <QString>

#include <functional>

// The one way a file is replaced: the new contents are written to a temporary file beside it, made
// readable by its owner only and locked, so that nobody takes it for a leftover meanwhile; the file is
// flushed to the disk, and takes the target's name in one step, an exchange of the two names, only while
// the target is still the file the new contents were made from. The folder is then flushed, so that the
// new name survives a power cut. Whatever fails before the exchange leaves the target as it was and no
// temporary file; one that a killed writer left goes with the next replacement of the same target.
// The new file gets the old one's owner, group and permission bits as far as the system allows, just
// before it takes the name: until then it is readable by its owner only.
//
// Where the file system cannot exchange names (FUSE file systems such as ntfs-3g answer EINVAL), the old
// file is first renamed aside ("<target>.XXXXXX.old", made anew for it), checked to be the file the new
// contents were made from, and the new one then linked to the target's name, which fails if anything came
// there meanwhile: at no moment can another file at the name be destroyed. A replacement cut short there
// is undone by recoverSetAside(), which gives the old file its name back. Where the file system cannot link either,
// nothing is changed and FileError says so.
//
// Callers differ in what they may replace and how far they must be sure of the disk: ReplaceRules.

struct ReplaceRules {
    enum class FolderFlush {
        Reported,   // a failure throws NotDurableError, once the new file has the name
        BestEffort, // a failure is let go: the name may be lost to a power cut, no more
        Skipped,
    };

    // A symbolic link at the target: the file it points to is replaced and the link kept; else the link
    // itself is replaced.
    bool followLink = true;
    // Only a plain file is replaced ("File access denied" for anything else); else anything but a folder,
    // such as a pipe, which holds nothing to keep.
    bool plainFileOnly = true;
    // A file that is there already, or comes meanwhile, is never replaced (FileError for EEXIST).
    bool mustBeNew = false;
    // The new file is flushed before it takes the name also where none was there, which has nothing to
    // lose to a crash; else only where it replaces a file.
    bool flushNewFile = true;
    FolderFlush folderFlush = FolderFlush::Reported;
    // The new file must get the old one's owner and group, or it does not replace it ("File access
    // denied"); else it keeps the group alone where the owner cannot be given.
    bool sameOwner = false;
};

// The target is no longer the file the new contents were made from: another program moved, removed or
// replaced it, and what it put there is left as it is.
class TargetChangedError : public QuillnestError
{
public:
    explicit TargetChangedError(const QString& path);
};

// The steps of a replacement, for tests that make one of them fail. SetAside and LinkNew are those where the
// names cannot be exchanged.
enum class ReplaceStep { CreateTemporary, FlushTemporary, CloseTemporary, Exchange, SetAside, LinkNew, FlushFolder };
// Thrown by a fault hook at ReplaceStep::Exchange, it stands for a file system that cannot exchange names.
struct ExchangeRefused {
};
using ReplaceFaultHook = std::function<void(ReplaceStep)>;
// The hook runs before each step of every replacement and may throw; pass an empty function to remove it.
void setReplaceFaultHook(ReplaceFaultHook hook);

// Undoes a replacement of the file at `path` that was cut short between renaming the old file aside and
// linking the new one in its place: where the name is free, the old file gets it back. Never throws.
void recoverSetAside(const QString& path);

// Hears the name of the file that a replacement has just put out of its place, while it still has that name: the
// last chance to keep it. It must not throw.
using ReplacedFileKeeper = std::function<void(const QByteArray& replaced)>;

class FileReplacement
{
public:
    // Makes the temporary file for replacing the file at `path`, which is checked now against `rules`.
    // `madeFrom` is the file the new contents are made from: the replacement fails with
    // TargetChangedError unless the target is that file, now and at the exchange. Without it, the target
    // must stay whatever is there now (or nothing). Throws FileError.
    FileReplacement(const QString& path, const ReplaceRules& rules, const FileIdentity* madeFrom = nullptr);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // The temporary file, open for reading and writing; the new contents go here.
    int fd() const { return m_fd; }

    // Puts the new file in the target's place as described above. With `keepOpen`, the new file stays open
    // for takeDescriptor(), also when only the folder's flush failed (NotDurableError).
    void commit(bool keepOpen = false);
    // After a commit with `keepOpen`: the new file, open and locked, now the caller's to close.
    int takeDescriptor();
    // `keeper` hears of the file the commit replaces.
    void keepReplacedWith(ReplacedFileKeeper keeper) { m_keeper = std::move(keeper); }

private:
    void exchange();
    void replaceWithoutExchange();
    void letReplacedGo(const QByteArray& name);

    const QString m_path;
    const ReplaceRules m_rules;
    QByteArray m_target;
    QByteArray m_temporary;
    FileIdentity m_madeFrom;
    bool m_replacing = false;
    // The owner, group and permission bits the new file takes over from a plain file it replaces.
    bool m_takesOwnership = false;
    unsigned m_owner = 0;
    unsigned m_group = 0;
    unsigned m_mode = 0;
    int m_fd = -1;
    ReplacedFileKeeper m_keeper;
};
