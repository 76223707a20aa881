#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstring>

// The key of every stored password and of the entries of a diary without password.
inline const QByteArray FixedKey = QByteArrayLiteral("saltmeadows");

// Combines byte i of `text` with key byte (i mod key length) by exclusive or; its own inverse.
// The key may be empty only when the text is.
QByteArray scrambleText(QByteArrayView text, QByteArrayView key);

// to[i] = from[i] ^ pattern[i] for i < size, sixteen bytes at a time (`to` may be `from`): the loop
// under every pass over a whole diary's text.
inline void xorWithPattern(const char* from, const char* pattern, qsizetype size, char* to)
{
    using Block = unsigned char __attribute__((vector_size(16)));
    qsizetype i = 0;
    for (; i + qsizetype(sizeof(Block)) <= size; i += qsizetype(sizeof(Block))) {
        Block a;
        Block b;
        std::memcpy(&a, from + i, sizeof a);
        std::memcpy(&b, pattern + i, sizeof b);
        a ^= b;
        std::memcpy(to + i, &a, sizeof a);
    }
    for (; i < size; ++i)
        to[i] = char(from[i] ^ pattern[i]);
}

// The stored form of a password: reversed, rotated by half its length, scrambled with FixedKey.
QByteArray encodePassword(QByteArrayView password);
QByteArray decodePassword(QByteArrayView stored);
