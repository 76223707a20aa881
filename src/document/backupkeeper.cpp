#include "backupkeeper.h"

#include "store/error.h"
#include "store/stamp.h"

#include <sys/stat.h>

namespace
{

// The copies of one diary may take ten times its size before their months go.
constexpr qint64 SizeBoundFactor = 10;

qint64 sizeOf(int fd)
{
    struct stat info;
    return ::fstat(fd, &info) == 0 ? info.st_size : 0;
}

qint64 sizeOf(const QByteArray& name)
{
    struct stat info;
    return ::stat(name.constData(), &info) == 0 ? info.st_size : 0;
}

} // namespace

BackupKeeper::BackupKeeper() : m_clock([] { return QDateTime::currentDateTime(); }) {}

BackupKeeper::~BackupKeeper()
{
    waitUntilSettled();
}

void BackupKeeper::setRoot(const QString& root)
{
    m_root = root;
}

void BackupKeeper::setPolicy(const BackupPolicy& policy)
{
    m_policy = policy;
}

void BackupKeeper::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

// The day of the newest copy says whether today has one.
void BackupKeeper::follow(const QString& diaryPath)
{
    settleInBackground();
    m_lastCopyDay = {};
    m_newestCopyTime = {};
    m_written.clear();
    m_shelf.reset();
    if (diaryPath.isEmpty() || m_root.isEmpty())
        return;
    m_shelf.emplace(m_root, diaryPath);
    const std::vector<BackupCopy> copies = m_shelf->copies();
    if (!copies.empty()) {
        m_newestCopyTime = copies.back().taken;
        m_lastCopyDay = m_newestCopyTime.date();
    }
}

bool BackupKeeper::isDue() const
{
    return m_policy.enabled && m_shelf && m_lastCopyDay != m_clock().date();
}

void BackupKeeper::attempt(const std::function<void()>& copy)
{
    try {
        copy();
    } catch (const QuillnestError& error) {
        m_failure = error.text();
    }
}

void BackupKeeper::copyBeforeChange(int diaryFd)
{
    if (isDue())
        attempt([&] {
            const QDateTime now = m_clock();
            made(m_shelf->copyFrom(diaryFd, now), sizeOf(diaryFd), now);
        });
}

ReplacedFileKeeper BackupKeeper::keeperOfReplaced(bool losesUncopied)
{
    if (!isDue() && !(losesUncopied && m_policy.enabled && m_shelf))
        return {};
    return [this](const QByteArray& replaced) {
        attempt([&] {
            const QDateTime now = m_clock();
            made(m_shelf->keep(replaced, now), sizeOf(replaced), now);
        });
    };
}

void BackupKeeper::copyNow(int diaryFd)
{
    if (!m_shelf)
        return;
    const QDateTime now = m_clock();
    made(m_shelf->copyFrom(diaryFd, now), sizeOf(diaryFd), now);
}

std::vector<BackupCopy> BackupKeeper::copies() const
{
    return m_shelf ? m_shelf->copies() : std::vector<BackupCopy>();
}

std::optional<QString> BackupKeeper::takeFailure()
{
    return std::exchange(m_failure, std::nullopt);
}

void BackupKeeper::noteWritten(double stamp)
{
    m_written.insert(stamp);
}

bool BackupKeeper::isUncopied(double stamp) const
{
    return m_written.count(stamp) > 0 || !m_newestCopyTime.isValid() || stampToDateTime(stamp) > m_newestCopyTime;
}

// The copy holds every entry as it is now.
void BackupKeeper::made(const QString& copy, qint64 diarySize, const QDateTime& now)
{
    m_lastCopyDay = now.date();
    m_newestCopyTime = now;
    m_written.clear();
    m_unsettled = Made{copy, diarySize, now.date()};
}

// One copy is flushed at a time; a failed flush removes nothing.
void BackupKeeper::settleInBackground()
{
    if (!m_unsettled || !m_shelf)
        return;
    join();
    const Made made = *std::exchange(m_unsettled, std::nullopt);
    const RetentionRule rule{m_policy.days, 12, made.diarySize * SizeBoundFactor};
    m_settling = std::thread([shelf = *m_shelf, made, rule] {
        try {
            shelf.settle(made.copy, made.day, rule);
        } catch (const QuillnestError&) {
        }
    });
}

void BackupKeeper::waitUntilSettled()
{
    settleInBackground();
    join();
}

void BackupKeeper::join()
{
    if (m_settling.joinable())
        m_settling.join();
}
