#include "privateprofile.h"

#include "store/privatefile.h"
#include "store/replacement.h"

#include <QFile>
#include <QFileInfo>

#include <optional>
#include <vector>

namespace
{

// The longest value a reader gets, as with a 2048-character buffer of the classic profile calls.
constexpr qsizetype MaxValueLength = 2047;

const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// One line of the file as it was read. Lines that are not rewritten go back out byte for byte,
// so the text is kept undecoded, and the terminator is kept apart from it.
struct Line {
    QByteArray text;
    QByteArray ending; // "\n", "\r\n", "\r", or empty for a last line without one
};

using Lines = std::vector<Line>;

enum class LineKind { Other, Section, Key };

struct LineInfo {
    LineKind kind = LineKind::Other;
    QByteArray name; // section or key name as spelled in the file, without the blanks around it
    QByteArray value;
};

LineInfo classify(QByteArray text, bool firstLine)
{
    if (firstLine && text.startsWith(Utf8Bom))
        text.remove(0, Utf8Bom.size());
    const QByteArray trimmed = text.trimmed();
    LineInfo info;
    if (trimmed.isEmpty() || trimmed.startsWith(';'))
        return info;
    if (trimmed.startsWith('[')) {
        const qsizetype close = trimmed.lastIndexOf(']');
        if (close > 0) {
            info.kind = LineKind::Section;
            info.name = trimmed.mid(1, close - 1).trimmed();
        }
        return info;
    }
    const qsizetype eq = trimmed.indexOf('=');
    if (eq > 0) {
        info.kind = LineKind::Key;
        info.name = trimmed.left(eq).trimmed();
        info.value = trimmed.mid(eq + 1).trimmed();
    }
    return info;
}

bool sameName(const QByteArray& inFile, const QString& wanted)
{
    return QString::fromUtf8(inFile).compare(wanted, Qt::CaseInsensitive) == 0;
}

// A line ends at LF, CR LF or a lone CR: files last saved on an old Mac use CR alone.
Lines splitLines(const QByteArray& data)
{
    Lines lines;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = start;
        while (end < data.size() && data[end] != '\n' && data[end] != '\r')
            ++end;
        Line line;
        line.text = data.mid(start, end - start);
        if (end < data.size()) {
            const bool crlf = data[end] == '\r' && end + 1 < data.size() && data[end + 1] == '\n';
            line.ending = data.mid(end, crlf ? 2 : 1);
        }
        start = end + line.ending.size();
        lines.push_back(std::move(line));
    }
    return lines;
}

QByteArray joinLines(const Lines& lines)
{
    QByteArray data;
    for (const Line& line : lines)
        data += line.text + line.ending;
    return data;
}

// New lines follow the file's own convention, so a file kept with CRLF endings stays uniform.
QByteArray lineEndingOf(const Lines& lines)
{
    for (const Line& line : lines) {
        if (!line.ending.isEmpty())
            return line.ending;
    }
    return QByteArrayLiteral("\n");
}

struct SectionSpan {
    qsizetype header = -1;        // index of the "[Section]" line; -1 when there is none
    qsizetype lastKey = -1;       // index of its last key line; -1 when it has none
    std::optional<qsizetype> key; // index of the wanted key's line
    QByteArray keySpelling;
};

// Only the first section of a name counts, and in it only the first line of a key: that is the
// one readers see, so it is the one a writer must change.
SectionSpan locate(const Lines& lines, const QString& section, const QString& key)
{
    SectionSpan span;
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        const LineInfo info = classify(lines[i].text, i == 0);
        if (span.header < 0) {
            if (info.kind == LineKind::Section && sameName(info.name, section))
                span.header = i;
            continue;
        }
        if (info.kind == LineKind::Section)
            break;
        if (info.kind != LineKind::Key)
            continue;
        span.lastKey = i;
        if (!span.key && sameName(info.name, key)) {
            span.key = i;
            span.keySpelling = info.name;
        }
    }
    return span;
}

// The blanks a reader trims off a value (those of QByteArray::trimmed).
bool isBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isQuoted(const QByteArray& value)
{
    return value.size() >= 2 && value.startsWith('"') && value.endsWith('"');
}

// As the classic profile calls do, one pair of enclosing quotes is taken off, so that blanks
// inside them are kept.
std::optional<QByteArray> readValue(const Lines& lines, const QString& section, const QString& key)
{
    const SectionSpan span = locate(lines, section, key);
    if (!span.key)
        return std::nullopt;
    const QByteArray value = classify(lines[*span.key].text, false).value;
    return isQuoted(value) ? value.mid(1, value.size() - 2) : value;
}

// A value that the reader would trim or unquote goes in quotes, so that it reads back as written
// (a diary path ending in a blank names another file without them). Others are left bare.
QByteArray storedValue(const QString& value)
{
    const QByteArray bytes = value.toUtf8();
    if (!bytes.isEmpty() && (isBlank(bytes.front()) || isBlank(bytes.back()) || isQuoted(bytes)))
        return '"' + bytes + '"';
    return bytes;
}

void setValue(Lines& lines, const QString& section, const QString& key, const QString& value)
{
    const QByteArray eol = lineEndingOf(lines);
    const SectionSpan span = locate(lines, section, key);
    const QByteArray stored = storedValue(value);
    if (span.key) {
        lines[*span.key].text = span.keySpelling + '=' + stored;
        return;
    }
    const auto insertAfter = [&](qsizetype index, Line line) {
        if (index >= 0 && lines[index].ending.isEmpty())
            lines[index].ending = eol;
        lines.insert(lines.begin() + (index + 1), std::move(line));
    };
    if (span.header >= 0) {
        insertAfter(span.lastKey >= 0 ? span.lastKey : span.header, Line{key.toUtf8() + '=' + stored, eol});
        return;
    }
    insertAfter(qsizetype(lines.size()) - 1, Line{'[' + section.toUtf8() + ']', eol});
    lines.push_back(Line{key.toUtf8() + '=' + stored, eol});
}

bool hasLineBreakOrNul(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) || text.contains(QChar(0));
}

// A name that would read back as something else, or a value that would spill into lines of its
// own, must never reach the file: a path holding a line break could otherwise plant keys.
bool isStorable(const QString& section, const QString& key, const QString& value)
{
    const auto goodName = [](const QString& name) {
        return !name.isEmpty() && name.trimmed() == name && !hasLineBreakOrNul(name);
    };
    return goodName(section) && !section.contains(QLatin1Char(']')) && goodName(key) &&
           !key.contains(QLatin1Char('=')) && !key.startsWith(QLatin1Char(';')) && !key.startsWith(QLatin1Char('[')) &&
           !hasLineBreakOrNul(value);
}

std::optional<qint64> parseDigits(QStringView digits, int base)
{
    if (digits.isEmpty())
        return std::nullopt;
    constexpr qint64 Limit = 0xFFFFFFFFLL;
    qint64 result = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        int digit = -1;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (base == 16 && u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (base == 16 && u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        if (digit < 0 || digit >= base)
            return std::nullopt;
        result = result * base + digit;
        if (result > Limit)
            return std::nullopt;
    }
    return result;
}

} // namespace

PrivateProfile::PrivateProfile(QString fileName) : m_fileName(std::move(fileName))
{
    if (!m_fileName.isEmpty())
        recoverSetAside(m_fileName);
}

bool PrivateProfile::exists() const
{
    return QFileInfo(m_fileName).isFile();
}

QString PrivateProfile::readString(const QString& section, const QString& key, const QString& fallback) const
{
    // A file that cannot be read counts as missing, as it does for the classic profile calls. So does
    // anything but a regular file: opening a pipe would wait for a writer for ever.
    QFile file(m_fileName);
    if (!exists() || !file.open(QIODevice::ReadOnly))
        return fallback;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fallback;
    const std::optional<QByteArray> raw = readValue(splitLines(data), section, key);
    if (!raw)
        return fallback;
    QString value = QString::fromUtf8(*raw);
    if (value.size() > MaxValueLength) {
        value.truncate(MaxValueLength);
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value;
}

bool PrivateProfile::readBool(const QString& section, const QString& key, bool fallback) const
{
    const QString value = readString(section, key, QString());
    return parseProfileBool(value, fallback);
}

void PrivateProfile::writeString(const QString& section, const QString& key, const QString& value)
{
    writeStrings(section, {{key, value}});
}

void PrivateProfile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void PrivateProfile::writeStrings(const QString& section, const QList<QPair<QString, QString>>& values)
{
    const auto failure = [this] {
        if (m_fileName.isEmpty())
            return QuillnestError(QStringLiteral("Unable to write to Settings.ini: no home folder is known (HOME)"));
        return QuillnestError(QStringLiteral("Unable to write to %1").arg(QFileInfo(m_fileName).absoluteFilePath()));
    };
    if (m_fileName.isEmpty())
        throw failure();
    for (const auto& [key, value] : values) {
        if (!isStorable(section, key, value))
            throw failure();
    }

    // Settings.ini names the person's diaries and what opens at start: it is read and written as the program's
    // private files are (privatefile.h).
    try {
        const PrivateFileContents read = privatefile::readForChange(m_fileName);
        Lines lines = splitLines(read.data);
        for (const auto& [key, value] : values)
            setValue(lines, section, key, value);
        privatefile::write(m_fileName, joinLines(lines), read);
    } catch (const QuillnestError&) {
        throw failure();
    }
}

bool parseProfileBool(const QString& value, bool fallback)
{
    const QStringView text = QStringView(value).trimmed();
    std::optional<qint64> number;
    if (text.startsWith(QLatin1Char('$'))) {
        number = parseDigits(text.mid(1), 16);
    } else if (text.size() > 2 && (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X")))) {
        number = parseDigits(text.mid(2), 16);
    } else {
        const bool negative = text.startsWith(QLatin1Char('-'));
        const bool sign = negative || text.startsWith(QLatin1Char('+'));
        number = parseDigits(sign ? text.mid(1) : text, 10);
        // Below the smallest 32-bit integer there is nothing a number could mean here.
        if (number && negative && *number > 0x80000000LL)
            number.reset();
    }
    return number ? *number != 0 : fallback;
}
