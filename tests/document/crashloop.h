#pragma once

#include "export/entryexport.h"
#include "import/oldfiles.h"
#include "opening.h"

#include <QCryptographicHash>
#include <QStringList>

// What the crash loop's child and the test share.
namespace crashloop
{

// The kinds of step the child takes, as it names them.
inline const QStringList Steps{"add", "change", "delete", "rekey", "import", "export", "undo", "new diary", "restore"};
constexpr int Add = 0, Change = 1, Delete = 2, Rekey = 3, Import = 4, Export = 5, Undo = 6, NewDiary = 7, Restore = 8;

// Where the child keeps the diary's dated copies, beside it.
inline const QString BackupFolder = QStringLiteral("backups");

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

// What a diary holds, as the crash loop compares it: its password and the texts of its entries in file
// order, read with that password.
inline QByteArray digest(const QString& password, const QStringList& texts)
{
    return QCryptographicHash::hash((QStringList{password} + texts).join(QChar(0)).toUtf8(), QCryptographicHash::Sha1)
        .toHex();
}

inline QByteArray digestOf(const QString& path)
{
    return digest(testfiles::storedPassword(path), testfiles::entryTexts(path));
}

// What the typist types, over and over, and so what its draft holds the beginning of.
inline const QString TypedText = QStringLiteral("the quick brown fox jumps over the lazy dog ");

} // namespace crashloop
