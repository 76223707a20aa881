#pragma once

#include <QByteArray>
#include <QString>

// Text inside diary files is Windows-1251. Every one of the 256 byte values has a character
// (the one unassigned byte, 0x98, stands for U+0098), so decoding and encoding round-trip.
QString fromCp1251(QByteArrayView bytes);

// Characters without a Windows-1251 form become '?'; they are listed in `unencodable`
// (each once, in order of first appearance) so that callers can tell the user.
QByteArray toCp1251(QStringView text, QString* unencodable = nullptr);
bool fitsCp1251(QStringView text);

// Bytes as a search that ignores letter case reads them, in place: each capital as its small letter, Latin
// and Cyrillic (Ґ, Ђ, Ў… too), and ё as е. Every other byte stays as it is.
void foldCp1251(char* bytes, qsizetype size);

// Each character with its code, for messages: some (a zero-width space) cannot be seen.
QString describeCharacters(const QString& characters);
