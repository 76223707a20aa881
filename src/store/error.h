#pragma once

#include <QString>

#include <exception>

// The one error type of the program: its text is what the user is shown.
class QuillnestError : public std::exception
{
public:
    explicit QuillnestError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString& text() const noexcept { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

// A change that is done, but may not survive a power cut: the new file took the old one's place, and
// only flushing its folder to disk failed. Whoever catches it keeps the new contents, as they are on
// the disk now, and tells the person both the cause and that the change is done.
class NotDurableError : public QuillnestError
{
public:
    explicit NotDurableError(const QString& cause);
    // A change done whose last step failed otherwise: `consequence` says what that means for the person.
    NotDurableError(const QString& cause, const QString& consequence);
};

// A failed operation on a record file. The code follows the classic runtime error numbers:
// 2 file not found, 3 invalid filename, 4 too many open files, 5 access denied,
// 100 read beyond end of file, 101 disk full; any other code is the system's errno (plus
// SystemErrorBase for an errno that would otherwise look like one of the codes above, such as EIO;
// its text still names the errno).
class FileError : public QuillnestError
{
public:
    explicit FileError(int code);
    int code() const noexcept { return m_code; }

    static QString textFor(int code);
    // Maps a POSIX errno to the code above.
    static int codeForErrno(int err);
    static FileError fromErrno(int err) { return FileError(codeForErrno(err)); }

    static constexpr int FileNotFound = 2;
    static constexpr int InvalidFilename = 3;
    static constexpr int TooManyOpenFiles = 4;
    static constexpr int AccessDenied = 5;
    static constexpr int ReadBeyondEnd = 100;
    static constexpr int DiskFull = 101;
    static constexpr int SystemErrorBase = 1000;

private:
    int m_code;
};
