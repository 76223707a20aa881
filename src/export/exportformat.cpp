#include "exportformat.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{

// The text layout breaks a line at its last blank, but never makes it shorter than this.
constexpr qsizetype ShortestWrappedLine = 40;
constexpr QByteArrayView TextIndent = "          ";

// The library's search goes through many characters at a time.
bool holds(QByteArrayView text, char c)
{
    return std::memchr(text.data(), c, std::size_t(text.size())) != nullptr;
}

// Most entries hold no markup and are written as they are; many hold no line break either.
bool holdsMarkup(QByteArrayView text)
{
    return holds(text, '<') || holds(text, '>') || holds(text, '&');
}
bool holdsLineBreak(QByteArrayView text)
{
    return holds(text, '\r') || holds(text, '\n');
}

// Bit i set where character i of the 16 from `chars` is a CR or an LF: a line's breaks are found 16
// characters at a time, without a call or a guess per character.
unsigned crOrLfAmong16(const char* chars)
{
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars));
    return unsigned(_mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')))));
#else
    unsigned found = 0;
    for (int i = 0; i < 16; ++i)
        found |= unsigned(chars[i] == '\r' || chars[i] == '\n') << i;
    return found;
#endif
}

// Markup is rare: a line that holds some is escaped character by character, its breaks marked as
// ExportBuffer::pageLine marks them.
void putEscapedPageLine(ExportBuffer& out, QByteArrayView text, char previous)
{
    for (const char c : text) {
        if (beginsLineBreak(c, previous))
            out.put(PageLineBreak);
        out.putEscaped(QByteArrayView(&c, 1));
        previous = c;
    }
    out.put(LineEnd);
}

const ExportFormat TextLayout{
    [](ExportBuffer&) {},
    [](ExportBuffer& out, QByteArrayView heading, QByteArrayView text) {
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
    [](ExportBuffer& out, QByteArrayView footer) {
        out.put(LineEnd); // an empty line
        out.line(footer);
    },
};

// Text is cut before it is escaped, so that every line holds 80 characters of the entry. A browser runs
// lines together, the entry's own among them unless their breaks are marked.
const ExportFormat HtmlLayout{
    [](ExportBuffer& out) {
        out.line(R"(<html><head><meta charset="windows-1251"><title>Quillnest</title></head>)");
        out.line("<body>");
    },
    [](ExportBuffer& out, QByteArrayView heading, QByteArrayView text) {
        out.put("<h3>");
        out.put(heading);
        out.line("</h3>");
        const bool markup = holdsMarkup(text);
        const bool breaks = holdsLineBreak(text);
        char previous = 0;
        while (!text.isEmpty()) {
            const QByteArrayView line = text.first(std::min(text.size(), LineChars));
            if (markup)
                putEscapedPageLine(out, line, previous);
            else if (breaks)
                out.pageLine(line, previous);
            else
                out.textLine(line);
            previous = line.back();
            text = text.sliced(line.size());
        }
        out.put("<br>");
    },
    [](ExportBuffer& out, QByteArrayView footer) {
        out.line("<br>");
        out.put("<h3><center>");
        out.putEscaped(footer);
        out.line("</center></h3>");
        out.line("</body></html>");
    },
};

} // namespace

void ExportBuffer::pageLine(QByteArrayView text, char previous)
{
    Q_ASSERT(text.size() <= LineChars);
    // The pieces between breaks are copied as textLine copies a line, 80 characters from where each starts.
    // At worst every character is a break.
    makeRoom(LineChars * (PageLineBreak.size() + 2) + LineEnd.size());
    char* next = m_buffer.get() + m_size;
    const char* from = text.data();
    for (qsizetype chunk = 0; chunk < text.size(); chunk += 16) {
        const qsizetype left = text.size() - chunk;
        unsigned found = crOrLfAmong16(text.data() + chunk) & (left >= 16 ? 0xFFFFu : (1u << left) - 1);
        for (; found != 0; found &= found - 1) {
            const char* at = text.data() + chunk + std::countr_zero(found);
            if (!beginsLineBreak(*at, at == text.data() ? previous : at[-1]))
                continue;
            std::memcpy(next, from, LineChars);
            next += at - from;
            std::memcpy(next, PageLineBreak.data(), PageLineBreak.size());
            next += PageLineBreak.size();
            from = at;
        }
    }
    std::memcpy(next, from, LineChars);
    next += text.data() + text.size() - from;
    std::memcpy(next, LineEnd.data(), LineEnd.size());
    m_size = next + LineEnd.size() - m_buffer.get();
}

const ExportFormat& exportFormat(ExportLayout layout)
{
    return layout == ExportLayout::Text ? TextLayout : HtmlLayout;
}
