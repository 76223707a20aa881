#include "cp1251.h"

#include <QStringList>

#include <QSet>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace
{

// Bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order and 0x00..0x7F are ASCII.
constexpr std::array<char16_t, 64> UpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 0x98: unassigned, kept as U+0098
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // 0xB8
};

constexpr char16_t CyrillicA = 0x0410;
constexpr unsigned char CyrillicAByte = 0xC0;

constexpr char16_t decodeByte(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= CyrillicAByte)
        return char16_t(CyrillicA + (byte - CyrillicAByte));
    return UpperHalf[byte - 0x80];
}

using ReverseEntry = std::pair<char16_t, unsigned char>;

constexpr std::array<ReverseEntry, 64> makeReverse()
{
    std::array<ReverseEntry, 64> table{};
    for (int i = 0; i < 64; ++i)
        table[i] = {UpperHalf[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(table.begin(), table.end());
    return table;
}
constexpr std::array<ReverseEntry, 64> Reverse = makeReverse();

// The byte for `c`, or -1 when Windows-1251 has no such character.
int encodeChar(char16_t c)
{
    if (c < 0x80)
        return c;
    if (c >= CyrillicA && c < CyrillicA + 64)
        return CyrillicAByte + (c - CyrillicA);
    const auto it = std::lower_bound(Reverse.begin(), Reverse.end(), c,
                                     [](const ReverseEntry& entry, char16_t key) { return entry.first < key; });
    if (it != Reverse.end() && it->first == c)
        return it->second;
    return -1;
}

// The small letter of a capital that Windows-1251 holds; any other character stays.
constexpr char16_t smallLetter(char16_t c)
{
    if ((c >= u'A' && c <= u'Z') || (c >= u'А' && c <= u'Я'))
        return char16_t(c + 0x20);
    if (c >= u'Ѐ' && c <= u'Џ') // Ђ Ѓ Ё Є Ѕ І Ї Ј Љ Њ Ћ Ќ Ў Џ
        return char16_t(c + 0x50);
    return c == u'Ґ' ? u'ґ' : c;
}

// Made from the decoding table, so that each folded byte is the one that decodes to the small letter.
constexpr std::array<unsigned char, 256> makeFolding()
{
    std::array<unsigned char, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        char16_t folded = smallLetter(decodeByte(static_cast<unsigned char>(byte)));
        if (folded == u'ё')
            folded = u'е';
        for (int other = 0; other < 256; ++other) {
            if (decodeByte(static_cast<unsigned char>(other)) == folded)
                table[byte] = static_cast<unsigned char>(other);
        }
    }
    return table;
}
constexpr std::array<unsigned char, 256> Folding = makeFolding();

} // namespace

QString fromCp1251(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = decodeByte(static_cast<unsigned char>(bytes[i]));
    return text;
}

QByteArray toCp1251(QStringView text, QString* unencodable)
{
    if (unencodable)
        unencodable->clear();
    QSet<char32_t> reported;
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const int byte = encodeChar(c);
        if (byte >= 0) {
            bytes.append(static_cast<char>(byte));
            continue;
        }
        // A character outside the basic plane (an emoji) is one character, written as one '?'.
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QStringView character = text.sliced(i, pair ? 2 : 1);
        const char32_t code = pair ? QChar::surrogateToUcs4(c, text[i + 1].unicode()) : c;
        if (pair)
            ++i;
        bytes.append('?');
        if (unencodable && !reported.contains(code)) {
            reported.insert(code);
            unencodable->append(character);
        }
    }
    return bytes;
}

// Sixteen bytes at a time, where none of them lies in 0x80..0xBF (Ё and the other letters that only the table
// knows): there the capitals are A..Z and А..Я, each one bit (0x20) away from its small letter.
void foldCp1251(char* bytes, qsizetype size)
{
    using Block = unsigned char __attribute__((vector_size(16)));
    auto* byte = reinterpret_cast<unsigned char*>(bytes);
    qsizetype i = 0;
    for (; i + qsizetype(sizeof(Block)) <= size; i += sizeof(Block)) {
        Block block;
        std::memcpy(&block, byte + i, sizeof block);
        const Block tableOnly = Block((block & 0xC0) == 0x80);
        quint64 halves[2];
        std::memcpy(halves, &tableOnly, sizeof halves);
        if (halves[0] | halves[1]) {
            for (qsizetype j = i; j < i + qsizetype(sizeof(Block)); ++j)
                byte[j] = Folding[byte[j]];
            continue;
        }
        const Block capital = Block(Block(block - 'A') < 26) | Block((block & 0xE0) == 0xC0);
        block |= capital & 0x20;
        std::memcpy(byte + i, &block, sizeof block);
    }
    for (; i < size; ++i)
        byte[i] = Folding[byte[i]];
}

bool fitsCp1251(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return encodeChar(c.unicode()) >= 0; });
}

QString describeCharacters(const QString& characters)
{
    QStringList described;
    for (const char32_t c : characters.toUcs4())
        described << QStringLiteral("«%1» (U+%2)")
                         .arg(QString::fromUcs4(&c, 1), QString::number(uint(c), 16).toUpper().rightJustified(4, u'0'));
    return described.join(QStringLiteral(", "));
}
