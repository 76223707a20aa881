#include "entryexport.h"

#include "store/cp1251.h"
#include "store/diaryopen.h"
#include "store/entrytext.h"
#include "store/posixio.h"
#include "store/recordfile.h"
#include "store/sidefiles.h"
#include "store/stamp.h"
#include "version.h"

#include <QFile>
#include <QScopeGuard>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <memory>
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

// Our credit at the end of the footer line of both layouts.
const QString ExportCredit = QStringLiteral(" — личный дневник");

constexpr qsizetype LineChars = 80;
// The text layout breaks a line at its last blank, but never makes it shorter than this.
constexpr qsizetype ShortestWrappedLine = 40;
constexpr qsizetype HeadingChars = 20;
constexpr QByteArrayView LineEnd = "\r\n";
constexpr QByteArrayView TextIndent = "          ";

// What a batch of entries becomes in the file, made in memory.
class Output
{
public:
    Output() { grow(InitialBytes); }

    void put(QByteArrayView bytes)
    {
        makeRoom(bytes.size());
        std::memcpy(m_buffer.get() + m_size, bytes.data(), std::size_t(bytes.size()));
        m_size += bytes.size();
    }
    void line(QByteArrayView bytes)
    {
        put(bytes);
        put(LineEnd);
    }
    // A line of entry text, which has room to read 80 characters from its start whatever its length: a
    // copy of a fixed size is much cheaper than a call, and what it copies past the line's end is
    // overwritten by what follows.
    void textLine(QByteArrayView text)
    {
        Q_ASSERT(text.size() <= LineChars);
        makeRoom(LineChars + LineEnd.size());
        char* next = m_buffer.get() + m_size;
        std::memcpy(next, text.data(), LineChars);
        std::memcpy(next + text.size(), LineEnd.data(), LineEnd.size());
        m_size += text.size() + LineEnd.size();
    }
    // Entry text in a page: a browser must show it, not read it as markup.
    void putEscaped(QByteArrayView bytes)
    {
        for (const char c : bytes)
            put(c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : QByteArrayView(&c, 1));
    }

    QByteArrayView bytes() const { return {m_buffer.get(), m_size}; }
    void clear() { m_size = 0; }

private:
    static constexpr qsizetype InitialBytes = qsizetype(1) << 20;

    void makeRoom(qsizetype bytes)
    {
        if (m_size + bytes > m_capacity)
            grow(std::max(2 * m_capacity, m_size + bytes));
    }
    void grow(qsizetype capacity)
    {
        auto bigger = std::make_unique<char[]>(std::size_t(capacity));
        if (m_size > 0)
            std::memcpy(bigger.get(), m_buffer.get(), std::size_t(m_size));
        m_buffer = std::move(bigger);
        m_capacity = capacity;
    }

    std::unique_ptr<char[]> m_buffer;
    qsizetype m_size = 0;
    qsizetype m_capacity = 0;
};

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

// Most entries hold no markup and are written as they are. The library's search goes through many
// characters at a time.
bool holdsMarkup(QByteArrayView text)
{
    const auto holds = [text](char c) { return std::memchr(text.data(), c, std::size_t(text.size())) != nullptr; };
    return holds('<') || holds('>') || holds('&');
}

struct Layout {
    void (*begin)(Output& out);
    void (*entry)(Output& out, QByteArrayView heading, QByteArrayView text);
    void (*end)(Output& out, QByteArrayView footer);
};

const Layout TextLayout{
    [](Output&) {},
    [](Output& out, QByteArrayView heading, QByteArrayView text) {
        out.put(TextIndent);
        out.line(heading);
        while (text.size() > LineChars) {
            // The last blank among characters 40 to 80 ends the line; without one it ends after 80. The
            // library's search looks at many characters at a time, without a guess per character.
            const auto* blank = static_cast<const char*>(
                ::memrchr(text.data() + ShortestWrappedLine - 1, ' ', LineChars - ShortestWrappedLine + 1));
            const qsizetype cut = blank ? blank - text.data() + 1 : LineChars;
            out.textLine(text.first(cut));
            text = text.sliced(cut);
        }
        if (!text.isEmpty())
            out.textLine(text);
        out.line(" ");
    },
    [](Output& out, QByteArrayView footer) {
        out.put(LineEnd); // an empty line
        out.line(footer);
    },
};

// Text is cut before it is escaped, so that every line holds 80 characters of the entry.
const Layout HtmlLayout{
    [](Output& out) {
        out.line(R"(<html><head><meta charset="windows-1251"><title>Quillnest</title></head>)");
        out.line("<body>");
    },
    [](Output& out, QByteArrayView heading, QByteArrayView text) {
        out.put("<h3>");
        out.put(heading);
        out.line("</h3>");
        const bool markup = holdsMarkup(text);
        while (!text.isEmpty()) {
            const qsizetype cut = std::min(text.size(), LineChars);
            if (markup) {
                out.putEscaped(text.first(cut));
                out.put(LineEnd);
            } else {
                out.textLine(text.first(cut));
            }
            text = text.sliced(cut);
        }
        out.put("<br>");
    },
    [](Output& out, QByteArrayView footer) {
        out.line("<br>");
        out.put("<h3><center>");
        out.putEscaped(footer);
        out.line("</center></h3>");
        out.line("</body></html>");
    },
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
    BatchExport(const RecordFile& diary, QByteArrayView key, const ExportChoice& choice, qint64 entries,
                const Layout& layout, FileEnd& file, ProgressPace& pace)
        : m_diary(diary), m_pattern(linePattern(key)), m_choice(choice), m_layout(layout), m_file(file), m_pace(pace),
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
            Output out;
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

    void make(qint64 batch, std::vector<DiaryRecord>& records, Output& out) const
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
        std::array<char, MaxEntryChars + LineChars> text; // room to read a whole line from any line's start
        for (qint64 i = 0; i < count; ++i) {
            const DiaryRecord& record = records[std::size_t(i)];
            QByteArray heading = stampText(record.stamp()).toLatin1(); // digits, dots, colons, a blank
            heading.truncate(HeadingChars);
            m_layout.entry(out, heading, QByteArrayView(text.data(), joinLinesInto(record, m_pattern, text.data())));
        }
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
    const QByteArray m_pattern;
    const ExportChoice& m_choice;
    const Layout& m_layout;
    FileEnd& m_file;
    ProgressPace& m_pace;
    const qint64 m_entries;
    int m_workers = 2;

    std::mutex m_mutex;
    std::condition_variable m_turnPassed;
    qint64 m_turn = 0;
    std::exception_ptr m_error;
};

// Only a plain file can take an export, and never the diary's own file.
void checkTarget(const struct stat& target, const FileIdentity& diary)
{
    if (!S_ISREG(target.st_mode))
        posixio::throwCode(FileError::AccessDenied);
    if (diary == FileIdentity{true, quint64(target.st_dev), quint64(target.st_ino)})
        throw QuillnestError(QStringLiteral("Записи нельзя экспортировать в файл самого дневника"));
}

// What a target held goes first into the file that replaces it, for an export that appends.
void copyContent(int fd, int to)
{
    for (;;) {
        const ssize_t copied = ::copy_file_range(fd, nullptr, to, nullptr, std::size_t(1) << 30, 0);
        if (copied == 0)
            return;
        if (copied > 0 || errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            posixio::throwErrno(errno);
        // A file system that cannot copy by itself: through a buffer, from where it stopped.
        std::vector<char> buffer(std::size_t(1) << 20);
        qint64 at = ::lseek(fd, 0, SEEK_CUR);
        for (qint64 got; (got = posixio::readUpTo(fd, buffer.data(), qint64(buffer.size()), at)) > 0; at += got)
            posixio::writeAll(to, buffer.data(), got, -1);
        return;
    }
}

// The file an export writes, made anew beside its target and renamed over it once complete, so that
// the target keeps its old content until then, whatever stops the export, a kill included. A file
// that is appended to begins with the old one's content. An existing target must be a plain file the
// person could write in place, whatever the folder allows, and never the diary's own file; the new
// file keeps its owner, group and mode as far as the system allows. Unless committed, the new file is
// removed; one that a killed export left goes with the next export to the same target.
class ExportedFile
{
public:
    ExportedFile() = default;
    ExportedFile(const ExportedFile&) = delete;
    ExportedFile& operator=(const ExportedFile&) = delete;
    ~ExportedFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_temporary.isEmpty())
            ::unlink(m_temporary.constData());
    }

    // A link keeps pointing where it did: the file it names is replaced. The old file is opened once,
    // without waiting (a pipe of the name is refused, not waited on), and all is checked on what was
    // opened, not on the name.
    void open(const QString& path, const FileIdentity& diary, bool appending)
    {
        m_target = sidefiles::resolveTarget(posixio::encodePath(path));
        const int old = ::open(m_target.constData(), (appending ? O_RDONLY | O_NONBLOCK : O_PATH) | O_CLOEXEC);
        if (old < 0 && errno != ENOENT)
            posixio::throwOpenFailure(path, errno);
        const auto closing = qScopeGuard([old] {
            if (old >= 0)
                ::close(old);
        });
        m_replacing = old >= 0;
        struct stat info;
        if (m_replacing) {
            if (::fstat(old, &info) != 0)
                posixio::throwErrno(errno);
            checkTarget(info, diary);
            if (::faccessat(AT_FDCWD, m_target.constData(), W_OK, AT_EACCESS) != 0)
                posixio::throwCode(FileError::AccessDenied);
        }
        sidefiles::removeLeftoverTemporaries(m_target);
        m_fd = sidefiles::createTemporary(m_target, m_temporary);
        if (!m_replacing)
            return;
        sidefiles::keepOwnership(m_fd, info);
        if (appending)
            copyContent(old, m_fd);
    }
    int fd() const { return m_fd; }

    // Where an old file is replaced, the new one is on the disk before it takes the name, so that not
    // even a crash can leave the name with neither. A new name has nothing to lose, and a file that came
    // there meanwhile is not replaced.
    void commit()
    {
        while (m_replacing && ::fsync(m_fd) != 0) {
            if (errno != EINTR)
                posixio::throwErrno(errno);
        }
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0 && errno != EINTR)
            posixio::throwErrno(errno);
        if (!m_replacing)
            sidefiles::renameIntoNew(m_temporary, m_target);
        else if (::rename(m_temporary.constData(), m_target.constData()) != 0)
            posixio::throwErrno(errno);
        m_temporary.clear();
    }

private:
    QByteArray m_target;
    QByteArray m_temporary;
    int m_fd = -1;
    bool m_replacing = false;
};

} // namespace

void writeExport(const RecordFile& diary, QByteArrayView key, const ExportChoice& choice, const QString& fileName,
                 ExportLayout layout, const ProgressReport& progress)
{
    const FileIdentity diaryFile = diary.identity();
    const QByteArray footer = toCp1251(QLatin1String(QuillnestCaption) + ExportCredit);
    const auto write = [&](int fd, const Layout& layout) {
        FileEnd file(fd);
        Output out;
        layout.begin(out);
        file.append(out.bytes());
        const qint64 entries = exportedEntryCount(diary, choice);
        ProgressPace pace(progress, entries);
        BatchExport(diary, key, choice, entries, layout, file, pace).run();
        out.clear();
        layout.end(out, footer);
        file.append(out.bytes());
        file.finish();
        pace.finish();
    };
    ExportedFile file;
    file.open(fileName, diaryFile, layout == ExportLayout::Text);
    write(file.fd(), layout == ExportLayout::Text ? TextLayout : HtmlLayout);
    file.commit();
}
