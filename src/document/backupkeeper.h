#pragma once

#include "store/backupshelf.h"
#include "store/replacement.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>
#include <set>
#include <thread>
#include <vector>

// Whether copies are made, and the number of days with changes whose copies are kept.
struct BackupPolicy {
    bool enabled = true;
    int days = 7;
    bool operator==(const BackupPolicy&) const = default;
};

// Makes the open diary's dated copies (backupshelf.h): the first time the diary changes on a day, a copy of it as
// it was, before the change, and another where a deletion would take the only text of an entry. A copy that cannot be
// made never stops the change: the cause is kept for the caller to tell, and the next change tries again. Once a copy
// is safe on disk, which nobody waits for, the copies that the policy lets go are removed, also those past ten times
// the diary's size.
class BackupKeeper
{
public:
    using Clock = std::function<QDateTime()>;

    BackupKeeper();
    // Waits for the copy being flushed.
    ~BackupKeeper();
    BackupKeeper(const BackupKeeper&) = delete;
    BackupKeeper& operator=(const BackupKeeper&) = delete;

    // Where the copies go ("$XDG_DATA_HOME/quillnest/backups"); none are made while it is empty.
    void setRoot(const QString& root);
    const QString& root() const { return m_root; }
    void setPolicy(const BackupPolicy& policy);
    const BackupPolicy& policy() const { return m_policy; }
    void setClock(Clock clock);
    // The diary whose copies are made; empty while none is open.
    void follow(const QString& diaryPath);

    // Whether the next change needs a copy first: copies are on and none was made today.
    bool isDue() const;
    // Before a change in place of the diary open as `diaryFd`: the copy, where one is due.
    void copyBeforeChange(int diaryFd);
    // For a rebuild: what keeps the file it replaces as the copy, where one is due or the rebuild `losesUncopied`
    // text, which that file alone holds; else nothing. Keeping it costs no writing.
    ReplacedFileKeeper keeperOfReplaced(bool losesUncopied = false);
    // The entry stamped `stamp` was added or changed: no copy holds it as it now is.
    void noteWritten(double stamp);
    // Whether no copy holds the entry stamped `stamp` as it is: written since the newest copy was taken, in this
    // run or, by its stamp, an earlier one.
    bool isUncopied(double stamp) const;
    // A copy of the diary open as `diaryFd` whatever the policy says, where a root is set. Throws FileError.
    void copyNow(int diaryFd);

    // The open diary's copies, oldest first.
    std::vector<BackupCopy> copies() const;
    // The cause of the last copy that failed, once.
    std::optional<QString> takeFailure();
    // Once the change is done, so that nothing of it waits or competes: the copy made for it goes to the disk, in
    // the background, and then the copies it leaves over go.
    void settleInBackground();
    // Returns once the last copy made is settled.
    void waitUntilSettled();

private:
    void join();
    void made(const QString& copy, qint64 diarySize, const QDateTime& now);
    void attempt(const std::function<void()>& copy);

    QString m_root;
    BackupPolicy m_policy;
    Clock m_clock;
    std::optional<BackupShelf> m_shelf;
    QDate m_lastCopyDay;
    QDateTime m_newestCopyTime;
    std::set<double> m_written;
    std::optional<QString> m_failure;
    // The copy made last, not yet settled, the diary's size then and the day.
    struct Made {
        QString copy;
        qint64 diarySize = 0;
        QDate day;
    };
    std::optional<Made> m_unsettled;
    std::thread m_settling;
};
