#pragma once

#include "export/entryexport.h"
#include "import/oldfiles.h"
#include "store/diarydocument.h"
#include "testfiles.h"
#include "version.h"

#include <QCryptographicHash>
#include <QStringList>

// What the crash loop's child and the test share.
namespace crashloop
{

// The kinds of step the child takes, as it names them.
inline const QStringList Steps{"add", "change", "delete", "rekey", "import", "export", "new diary"};

// The old diary that import steps take entries from, beside the diary: five entries across the years.
inline QByteArray sourceDiary()
{
    QList<double> stamps;
    QStringList texts;
    for (int k = 0; k < 5; ++k) {
        stamps << testfiles::stampOf(2000 + 6 * k, 1 + k, 10);
        texts << QStringLiteral("старая запись %1").arg(k);
    }
    return oldfiles::oldDiary(oldfiles::Layout::Middle, stamps, texts);
}

inline QByteArray keyOf(const QString& password)
{
    return password.isEmpty() ? FixedKey : toCp1251(password);
}

// The password the diary's header holds now, in clear.
inline QString storedPassword(const RecordFile& file)
{
    return fromCp1251(DecodePassword(DiaryHeader::fromRecord(file.readHeader()).Password));
}

// Opens a diary with the password its header holds, as a person who knows it does.
inline PasswordAsker knowingThePassword()
{
    return [](const QString&, const RecordFile& probe) { return std::optional(keyOf(storedPassword(probe))); };
}

// What a diary holds, as the crash loop compares it: its password and the texts of its entries in file
// order, read with that password.
inline QByteArray digest(const QString& password, const QStringList& texts)
{
    return QCryptographicHash::hash((QStringList{password} + texts).join(QChar(0)).toUtf8(), QCryptographicHash::Sha1)
        .toHex();
}

inline QByteArray digestOf(const QString& path)
{
    RecordFile file;
    file.open(path);
    const QString password = storedPassword(file);
    return digest(password, testfiles::entryTexts(path, keyOf(password)));
}

// What the typist types, over and over, and so what its draft holds the beginning of.
inline const QString TypedText = QStringLiteral("the quick brown fox jumps over the lazy dog ");

// The line that ends every text export.
inline QByteArray exportFooter()
{
    return toCp1251(QLatin1String(QuillnestCaption) + QStringLiteral(" — личный дневник")) + "\r\n";
}

} // namespace crashloop
