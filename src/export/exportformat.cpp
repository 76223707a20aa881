#include "exportformat.h"

#include <cstring>

namespace
{

// The text layout breaks a line at its last blank, but never makes it shorter than this.
constexpr qsizetype ShortestWrappedLine = 40;
constexpr QByteArrayView TextIndent = "          ";

// Most entries hold no markup and are written as they are. The library's search goes through many
// characters at a time.
bool holdsMarkup(QByteArrayView text)
{
    const auto holds = [text](char c) { return std::memchr(text.data(), c, std::size_t(text.size())) != nullptr; };
    return holds('<') || holds('>') || holds('&');
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

// Text is cut before it is escaped, so that every line holds 80 characters of the entry.
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
    [](ExportBuffer& out, QByteArrayView footer) {
        out.line("<br>");
        out.put("<h3><center>");
        out.putEscaped(footer);
        out.line("</center></h3>");
        out.line("</body></html>");
    },
};

} // namespace

const ExportFormat& exportFormat(ExportLayout layout)
{
    return layout == ExportLayout::Text ? TextLayout : HtmlLayout;
}
