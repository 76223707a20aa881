#pragma once

// What entries become in an exported file: the text and the HTML layout, made in memory.

#include "entryexport.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstring>
#include <memory>

constexpr qsizetype LineChars = 80;
constexpr qsizetype HeadingChars = 20;
constexpr QByteArrayView LineEnd = "\r\n";
// What shows a browser one of an entry's own line breaks, which it would otherwise take for a blank.
constexpr QByteArrayView PageLineBreak = "<br>";

// Whether `c`, after `previous`, begins one of an entry's own line breaks: CR LF, or a lone CR or LF, at which
// the program's text box breaks lines too.
constexpr bool beginsLineBreak(char c, char previous)
{
    return c == '\r' || (c == '\n' && previous != '\r');
}

// What a batch of entries becomes in the file, made in memory.
class ExportBuffer
{
public:
    ExportBuffer() { grow(InitialBytes); }

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
    // A line of entry text without markup in a page, which has room to read 80 characters from any of its
    // characters: as textLine, with PageLineBreak before each of the entry's own line breaks. `previous` is the
    // character before the line, which tells whether an LF at its start ends a break begun before it.
    void pageLine(QByteArrayView text, char previous);
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

// How a layout begins a file, lays out an entry under its heading (its time-stamp text), and ends the
// file with its footer.
struct ExportFormat {
    void (*begin)(ExportBuffer& out);
    void (*entry)(ExportBuffer& out, QByteArrayView heading, QByteArrayView text);
    void (*end)(ExportBuffer& out, QByteArrayView footer);
};

const ExportFormat& exportFormat(ExportLayout layout);
