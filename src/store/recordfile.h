#pragma once

#include "diaryrecord.h"
#include "error.h"
#include "fileidentity.h"

#include <QString>

#include <functional>
#include <limits>
#include <span>
#include <vector>

// A file of fixed 5128-byte records. Record n lies at byte n * 5128; the number of records is the
// file size div 5128 (a partial last record does not count). Every failure throws FileError.
class RecordFile
{
public:
    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    // The handle moves; the file moved from is left closed.
    RecordFile(RecordFile&& other) noexcept;
    RecordFile& operator=(RecordFile&& other) noexcept;

    // Opens an existing file for reading and writing without cutting it. No lock is taken.
    // If it fails, the file that was open before stays open.
    void open(const QString& path);
    // The same for a diary, which is open in one place at a time: the file is locked for as long as it
    // stays open here, and DiaryInUseError is thrown while another copy of the program holds it.
    void openExclusive(const QString& path);
    // Takes over `fd`, open for reading and writing, as the file at `path`.
    static RecordFile fromDescriptor(int fd, const QString& path);
    // Never throws; closing a file that is not open does nothing.
    void close() noexcept;
    // The same without waiting for it: closing the last handle of a file whose name went to another
    // (the diary before a rebuild) frees all its blocks, which takes a while for a large one. Its lock goes
    // at once.
    void closeWithoutWaiting() noexcept;
    bool isOpen() const { return m_fd >= 0; }
    // The open file's descriptor, for copying it whole; -1 while none is open.
    int descriptor() const { return m_fd; }
    const QString& path() const { return m_path; }

    // Throws DiaryReplacedError unless `path()` still names the file that is open here: another program
    // has moved, removed or replaced it, and whatever is written here would be lost.
    void checkStillAtPath() const;
    // Which file is open here.
    FileIdentity identity() const;

    qint64 count() const;
    void read(qint64 n, DiaryRecord& record) const;
    // Records first, first + 1, … into `records`, in one read; after a failure they hold what was read.
    void read(qint64 first, std::span<DiaryRecord> records) const;
    DiaryRecord readHeader() const;
    // The Stamp of record n alone: 8 bytes read, not the whole record.
    double readStamp(qint64 n) const;
    void write(qint64 n, const DiaryRecord& record);
    void append(const DiaryRecord& record) { write(count(), record); }
    // Puts what was written on the disk; call before telling the user a write succeeded.
    void flush();

    // Reads records first..count-1 (or first..end-1, where end is smaller) in file order in large
    // sequential chunks. The callback gets the record number and the record, which it may change as
    // it likes (a copy of what the file holds); the record reference is only valid during the call.
    void readEach(qint64 first, const std::function<void(qint64, DiaryRecord&)>& visit,
                  qint64 end = std::numeric_limits<qint64>::max()) const;
    // The same chunks whole: the number of the first record of each and its records, for work shared out.
    void readChunks(qint64 first, const std::function<void(qint64, std::span<DiaryRecord>)>& visit,
                    qint64 end = std::numeric_limits<qint64>::max()) const;

    // The Stamp of every entry that a list can hold (records 1..count-1, at most MaxEntries of them),
    // without reading the entries' text: a huge file costs no more than a full diary. A file cut short
    // meanwhile throws FileError.
    std::vector<double> readEntryStamps() const;

private:
    int m_fd = -1;
    QString m_path;
};

// Another copy of the program has the diary open.
class DiaryInUseError : public QuillnestError
{
public:
    explicit DiaryInUseError(const QString& path);
};

// The diary's path no longer names the file that is open.
class DiaryReplacedError : public QuillnestError
{
public:
    explicit DiaryReplacedError(const QString& path);
};
