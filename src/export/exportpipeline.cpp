#include "exportpipeline.h"

#include "store/cp1251.h"
#include "store/entrycodec.h"
#include "store/posixio.h"
#include "store/recordfile.h"
#include "store/stamp.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <span>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{

// The end of the file an export writes, where the batches go one after another. Room for them is
// reserved well ahead, so that the file system need not find it page by page; finish() gives back
// what was not used.
class FileEnd
{
public:
    explicit FileEnd(int fd) : m_fd(fd), m_end(::lseek(fd, 0, SEEK_END)), m_reservedTo(m_end) {}

    void append(QByteArrayView bytes)
    {
        reserveFor(bytes.size());
        posixio::writeAll(m_fd, bytes.data(), bytes.size(), -1);
    }
    // Gives back what was reserved and not used. Only a saving, like the reservation: where the file
    // system will not give it back, the room stays with the file and the export is done all the same.
    void finish()
    {
        struct stat info;
        if (m_reserved && ::fstat(m_fd, &info) == 0)
            (void)::ftruncate(m_fd, info.st_size);
    }

private:
    static constexpr qint64 ReserveBytes = qint64(64) << 20;

    // Only a saving: where the file system cannot reserve, or the disk has no room for so much, the
    // write itself finds room or says why not.
    void reserveFor(qsizetype bytes)
    {
        m_end += bytes;
        if (m_reservedTo < 0 || m_end <= m_reservedTo)
            return;
        const qint64 more = std::max(ReserveBytes, m_end - m_reservedTo);
        const bool done = ::fallocate(m_fd, FALLOC_FL_KEEP_SIZE, m_reservedTo, more) == 0;
        m_reserved = m_reserved || done || errno == ENOSPC; // a disk that ran out may have kept some room
        m_reservedTo = done ? m_reservedTo + more : -1;
    }

    int m_fd;
    qint64 m_end;
    qint64 m_reservedTo;
    bool m_reserved = false;
};

// How many entries `choice` writes from `diary`: a list holds at most MaxEntries of them.
qint64 exportedEntryCount(const RecordFile& diary, const ExportChoice& choice)
{
    if (!choice.allEntries)
        return qint64(choice.records.size());
    return std::clamp<qint64>(diary.count() - 1, 0, MaxEntries);
}

// Writes the chosen entries in batches on two threads: each reads a batch, makes what it becomes in
// the file and appends that when its turn comes, so that one batch is made while the other is written.
// Each thread writes only what it made itself, which is the cheapest for the machine's caches. Progress
// is told from the calling thread alone. Entries are taken by record number, never looked up by their
// list text, which two entries may share; every entry of the diary is read in large sequential reads.
class BatchExport
{
public:
    // `entries`: how many the choice names (exportedEntryCount).
    BatchExport(const RecordFile& diary, const EntryCodec& codec, const ExportChoice& choice, qint64 entries,
                const ExportFormat& layout, FileEnd& file, ProgressPace& pace)
        : m_diary(diary), m_codec(codec), m_choice(choice), m_layout(layout), m_file(file), m_pace(pace),
          m_entries(entries)
    {
    }

    // Throws the first failure of either thread, once both have stopped.
    void run()
    {
        std::thread helper;
        try {
            helper = std::thread([this] { work(1); });
        } catch (const std::system_error&) {
            m_workers = 1; // no second thread: the batches are all made here, one after another
        }
        work(0);
        if (helper.joinable())
            helper.join();
        if (m_error)
            std::rethrow_exception(m_error);
    }

private:
    static constexpr qint64 BatchEntries = 256;

    void work(int worker)
    {
        try {
            ExportBuffer out;
            std::vector<DiaryRecord> records(std::size_t(std::min(BatchEntries, m_entries)));
            const qint64 batches = (m_entries + BatchEntries - 1) / BatchEntries;
            for (qint64 batch = worker; batch < batches; batch += m_workers) {
                out.clear();
                make(batch, records, out);
                if (!waitForTurn(batch))
                    return;
                m_file.append(out.bytes());
                passTurn(batch);
                if (worker == 0)
                    m_pace.advance(std::min((batch + 1) * BatchEntries, m_entries));
            }
        } catch (...) {
            fail(std::current_exception());
        }
    }

    void make(qint64 batch, std::vector<DiaryRecord>& records, ExportBuffer& out) const
    {
        const qint64 first = batch * BatchEntries;
        const qint64 count = std::min(BatchEntries, m_entries - first);
        if (m_choice.allEntries) {
            m_diary.read(first + 1, std::span(records.data(), std::size_t(count)));
        } else {
            for (qint64 i = 0; i < count; ++i) {
                const std::int32_t n = m_choice.records[std::size_t(first + i)];
                // Record 0 is the header, no entry.
                if (n < 1)
                    posixio::throwCode(FileError::ReadBeyondEnd);
                m_diary.read(n, records[std::size_t(i)]);
            }
        }
        std::array<char, MaxEntryChars + LineChars> text; // room to read a whole line from any character
        for (qint64 i = 0; i < count; ++i) {
            const DiaryRecord& record = records[std::size_t(i)];
            QByteArray heading = stampText(record.stamp()).toLatin1(); // digits, dots, colons, a blank
            heading.truncate(HeadingChars);
            m_layout.entry(out, heading, QByteArrayView(text.data(), readText(record, text.data())));
        }
    }

    // The text of `record` in `out`, or where it does not read, what the person is told of it, in its place.
    qsizetype readText(const DiaryRecord& record, char* out) const
    {
        if (const std::optional<qsizetype> length = m_codec.decodeInto(record, out))
            return *length;
        const QByteArray damaged = toCp1251(DamagedEntryError(record.stamp()).text());
        std::memcpy(out, damaged.constData(), size_t(damaged.size()));
        return damaged.size();
    }

    // False once the other thread has failed.
    bool waitForTurn(qint64 batch)
    {
        std::unique_lock lock(m_mutex);
        m_turnPassed.wait(lock, [&] { return m_turn == batch || m_error; });
        return !m_error;
    }
    void passTurn(qint64 batch)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_turn = batch + 1;
        }
        m_turnPassed.notify_all();
    }
    void fail(std::exception_ptr error)
    {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_error)
                m_error = std::move(error);
        }
        m_turnPassed.notify_all();
    }

    const RecordFile& m_diary;
    const EntryCodec& m_codec;
    const ExportChoice& m_choice;
    const ExportFormat& m_layout;
    FileEnd& m_file;
    ProgressPace& m_pace;
    const qint64 m_entries;
    int m_workers = 2;

    std::mutex m_mutex;
    std::condition_variable m_turnPassed;
    qint64 m_turn = 0;
    std::exception_ptr m_error;
};

} // namespace

void writeExportedEntries(int fd, const RecordFile& diary, const EntryCodec& codec, const ExportChoice& choice,
                          const ExportFormat& format, QByteArrayView footer, const ProgressReport& progress)
{
    FileEnd file(fd);
    ExportBuffer out;
    format.begin(out);
    file.append(out.bytes());
    const qint64 entries = exportedEntryCount(diary, choice);
    ProgressPace pace(progress, entries);
    BatchExport(diary, codec, choice, entries, format, file, pace).run();
    out.clear();
    format.end(out, footer);
    file.append(out.bytes());
    file.finish();
    pace.finish();
}
