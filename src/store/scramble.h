#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The key of every stored password and of the entries of a diary without password.
inline const QByteArray FixedKey = QByteArrayLiteral("saltmeadows");

// Combines byte i of `text` with key byte (i mod key length) by exclusive or; its own inverse.
// The key may be empty only when the text is.
QByteArray ScrambleText(QByteArrayView text, QByteArrayView key);
void scrambleInPlace(char* data, qsizetype size, QByteArrayView key);
// The same from `from` into `to` in one pass (they may be the same place).
void scrambleCopy(const char* from, qsizetype size, QByteArrayView key, char* to);

// The stored form of a password: reversed, rotated by half its length, scrambled with FixedKey.
QByteArray EncodePassword(QByteArrayView password);
QByteArray DecodePassword(QByteArrayView stored);
