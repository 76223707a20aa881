#pragma once

#include "store/error.h"

#include <QList>
#include <QPair>
#include <QString>

// A small INI file of the classic private-profile kind: "[Section]" lines, then "Key=Value" lines.
// Section and key names compare without regard to case. Nothing keeps the file open: every call
// reads it anew, and every write replaces it whole (a failure leaves it as it was). A file that a
// replacement killed midway left set aside is put back first, so that nothing reads it as missing.
class PrivateProfile
{
public:
    explicit PrivateProfile(QString fileName);

    const QString& fileName() const { return m_fileName; }
    bool exists() const;

    // At most the first 2047 characters of the value, less one pair of enclosing double quotes;
    // `fallback` when the key or file is missing.
    QString readString(const QString& section, const QString& key, const QString& fallback) const;
    // "1"/"0" are written; decimal, "$hex" and "0xhex" are read, any non-zero number is true;
    // a missing, empty or non-numeric value gives `fallback`.
    bool readBool(const QString& section, const QString& key, bool fallback) const;

    // Creates the file when needed, for its owner only, and keeps every other line. A value with a
    // blank at either edge, or a double quote at both, is written in quotes so it reads back unchanged.
    // Throws QuillnestError "Unable to write to <full file name>" on failure.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeBool(const QString& section, const QString& key, bool value);
    // Writes several keys of one section in one replacement of the file: all or none.
    void writeStrings(const QString& section, const QList<QPair<QString, QString>>& values);

private:
    QString m_fileName;
};

// Parses a boolean value as the settings file stores it; `fallback` when it is not a number.
bool parseProfileBool(const QString& value, bool fallback);
