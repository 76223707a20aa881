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

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

const QString ExportCredit = QStringLiteral(" — личный дневник");

namespace
{

constexpr qsizetype LineChars = 80;
// The text layout breaks a line at its last blank, but never makes it shorter than this.
constexpr qsizetype ShortestWrappedLine = 40;
constexpr qsizetype HeadingChars = 20;
constexpr QByteArrayView LineEnd = "\r\n";
constexpr QByteArrayView TextIndent = "          ";
constexpr qsizetype BlockBytes = 1 << 20;

// What the export writes is gathered and goes to the file in whole blocks.
class Output
{
public:
    explicit Output(int fd) : m_fd(fd), m_buffer(new char[BlockBytes]), m_next(m_buffer.get()) {}

    void put(QByteArrayView bytes)
    {
        for (;;) {
            const qsizetype taken = std::min(bytes.size(), room());
            if (taken > 0)
                std::memcpy(m_next, bytes.data(), std::size_t(taken));
            m_next += taken;
            if (taken == bytes.size())
                return;
            bytes = bytes.sliced(taken);
            flush();
        }
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
        if (room() < LineChars + LineEnd.size()) {
            line(text);
            return;
        }
        std::memcpy(m_next, text.data(), LineChars);
        m_next += text.size();
        std::memcpy(m_next, LineEnd.data(), LineEnd.size());
        m_next += LineEnd.size();
    }
    // Entry text in a page: a browser must show it, not read it as markup.
    void putEscaped(QByteArrayView bytes)
    {
        for (const char c : bytes)
            put(c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : QByteArrayView(&c, 1));
    }
    void flush()
    {
        posixio::writeAll(m_fd, m_buffer.get(), m_next - m_buffer.get(), -1);
        m_next = m_buffer.get();
    }

private:
    qsizetype room() const { return m_buffer.get() + BlockBytes - m_next; }

    int m_fd;
    std::unique_ptr<char[]> m_buffer;
    char* m_next;
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

using EntryVisit = std::function<void(QByteArrayView heading, QByteArrayView text)>;

// Entries are taken by record number, never looked up by their list text, which two entries may
// share. Every entry of the diary is read in file order in large sequential reads.
void forEachChosenEntry(const RecordFile& diary, QByteArrayView key, const ExportChoice& choice,
                        const EntryVisit& visit)
{
    std::array<char, MaxEntryChars + LineChars> text{}; // room to read a whole line from any line's start
    const auto take = [&](const DiaryRecord& record) {
        QByteArray heading = stampText(record.stamp()).toLatin1(); // digits, dots, colons, a blank
        heading.truncate(HeadingChars);
        visit(heading, QByteArrayView(text.data(), joinLinesInto(record, key, text.data())));
    };
    if (choice.allEntries) {
        diary.readEach(
            1, [&](qint64, const DiaryRecord& record) { take(record); }, qint64(MaxEntries) + 1);
        return;
    }
    DiaryRecord record;
    for (const std::int32_t n : choice.records) {
        // Record 0 is the header, no entry.
        if (n < 1)
            posixio::throwCode(FileError::ReadBeyondEnd);
        diary.read(n, record);
        take(record);
    }
}

// Only a plain file can take an export, and never the diary's own file.
void checkTarget(const struct stat& target, const FileIdentity& diary)
{
    if (!S_ISREG(target.st_mode))
        posixio::throwCode(FileError::AccessDenied);
    if (diary == FileIdentity{true, quint64(target.st_dev), quint64(target.st_ino)})
        throw QuillnestError(QStringLiteral("Записи нельзя экспортировать в файл самого дневника"));
}

// A text file opened for appending. Unless committed, it is cut back to the length it had, or
// removed when it was made here.
class AppendedFile
{
public:
    AppendedFile() = default;
    AppendedFile(const AppendedFile&) = delete;
    AppendedFile& operator=(const AppendedFile&) = delete;
    ~AppendedFile()
    {
        if (m_fd < 0)
            return;
        undo();
        ::close(m_fd);
    }

    // Without blocking, so that a pipe of the name is refused instead of waiting for a reader.
    void open(const QString& path, const FileIdentity& diary)
    {
        m_name = posixio::encodePath(path);
        while (m_fd < 0) {
            m_fd = ::open(m_name.constData(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
            if (m_fd >= 0 || errno == EINTR)
                continue;
            if (errno != ENOENT)
                posixio::throwOpenFailure(path, errno);
            // The file holds clear text of the diary: its owner's alone, like the diary.
            m_fd = ::open(m_name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            m_created = m_fd >= 0;
            if (m_fd < 0 && errno != EEXIST && errno != EINTR)
                posixio::throwOpenFailure(path, errno);
        }
        struct stat info;
        if (::fstat(m_fd, &info) != 0)
            posixio::throwErrno(errno);
        checkTarget(info, diary);
        m_oldLength = info.st_size;
        m_checked = true;
        if (::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK) != 0)
            posixio::throwErrno(errno);
    }
    int fd() const { return m_fd; }

    void commit()
    {
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0 && errno != EINTR) {
            const int err = errno;
            if (m_created)
                ::unlink(m_name.constData());
            else
                (void)::truncate(m_name.constData(), m_oldLength);
            posixio::throwErrno(err);
        }
    }

private:
    void undo()
    {
        if (m_created)
            ::unlink(m_name.constData());
        else if (m_checked)
            (void)::ftruncate(m_fd, m_oldLength);
    }

    QByteArray m_name;
    int m_fd = -1;
    bool m_created = false;
    bool m_checked = false;
    off_t m_oldLength = 0;
};

// How many entries `choice` writes from `diary`: a list holds at most MaxEntries of them.
qint64 exportedEntryCount(const RecordFile& diary, const ExportChoice& choice)
{
    if (!choice.allEntries)
        return qint64(choice.records.size());
    return std::clamp<qint64>(diary.count() - 1, 0, MaxEntries);
}

// A file written anew beside its target and renamed over it once complete, so that a file of the
// name keeps its old content until then. Unless committed, the new file is removed.
class ReplacedFile
{
public:
    ReplacedFile() = default;
    ReplacedFile(const ReplacedFile&) = delete;
    ReplacedFile& operator=(const ReplacedFile&) = delete;
    ~ReplacedFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_temporary.isEmpty())
            ::unlink(m_temporary.constData());
    }

    // A link keeps pointing where it did: the file it names is replaced.
    void open(const QString& path, const FileIdentity& diary)
    {
        m_target = sidefiles::resolveTarget(posixio::encodePath(path));
        struct stat old;
        m_replacing = ::stat(m_target.constData(), &old) == 0;
        if (m_replacing)
            checkTarget(old, diary);
        else if (errno != ENOENT)
            posixio::throwErrno(errno);

        QByteArray temporary = sidefiles::besideTarget(m_target, ".XXXXXX");
        m_fd = ::mkostemp(temporary.data(), O_CLOEXEC); // owner-only, like a new text file
        if (m_fd < 0)
            posixio::throwOpenFailure(QFile::decodeName(temporary), errno);
        m_temporary = temporary;
        if (m_replacing)
            sidefiles::keepOwnership(m_fd, old);
    }
    int fd() const { return m_fd; }

    // Where an old file is replaced, the new one is on the disk before it takes the name, so that not
    // even a crash can leave the name with neither. A new name has nothing to lose.
    void commit()
    {
        while (m_replacing && ::fsync(m_fd) != 0) {
            if (errno != EINTR)
                posixio::throwErrno(errno);
        }
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0 && errno != EINTR)
            posixio::throwErrno(errno);
        if (::rename(m_temporary.constData(), m_target.constData()) != 0)
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
    const QByteArray footer =
        toCp1251(QStringLiteral("Quillnest (v ") + QLatin1String(QuillnestVersion) + QLatin1Char(')') + ExportCredit);
    const auto write = [&](int fd, const Layout& layout) {
        Output out(fd);
        layout.begin(out);
        ProgressPace pace(progress, exportedEntryCount(diary, choice));
        qint64 done = 0;
        forEachChosenEntry(diary, key, choice, [&](QByteArrayView heading, QByteArrayView text) {
            layout.entry(out, heading, text);
            pace.advance(++done);
        });
        layout.end(out, footer);
        out.flush();
        pace.finish();
    };
    if (layout == ExportLayout::Text) {
        AppendedFile file;
        file.open(fileName, diaryFile);
        write(file.fd(), TextLayout);
        file.commit();
    } else {
        ReplacedFile file;
        file.open(fileName, diaryFile);
        write(file.fd(), HtmlLayout);
        file.commit();
    }
}
