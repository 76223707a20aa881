#pragma once

#include "crypto/sealedheader.h"
#include "export/entryexport.h"
#include "import/oldfiles.h"
#include "opening.h"

#include <QCryptographicHash>
#include <QStringList>

// What the crash loop's child and the test share.
namespace crashloop
{

// The kinds of step the child takes, as it names them.
inline const QStringList Steps{"add",    "change", "delete",    "rekey",   "import",
                               "export", "undo",   "new diary", "restore", "encrypt"};
constexpr int Add = 0, Change = 1, Delete = 2, Rekey = 3, Import = 4, Export = 5, Undo = 6, NewDiary = 7, Restore = 8,
              Encrypt = 9;

// What an encrypted diary's password is, as the digests name it: this, then its passphrase.
inline const QString Sealed = QStringLiteral("sealed ");

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

// The password and the texts of the diary at `path`; an encrypted one is read with the passphrase that opens it.
inline std::pair<QString, QStringList> contentsOf(const QString& path)
{
    RecordFile file;
    file.open(path);
    const std::optional<SealedHeader> header = SealedHeader::fromRecord(file.readHeader());
    if (!header)
        return {testfiles::storedPassword(path), testfiles::entryTexts(path)};
    for (const QString& passphrase : testfiles::KnownPassphrases) {
        if (const std::optional<UnlockedDiary> opened = unlockDiary(*header, toCp1251(passphrase))) {
            QStringList texts;
            DiaryRecord buffer;
            for (qint64 n = 1; n < file.count(); ++n)
                texts << readEntryText(file, n, *opened->codec, buffer);
            return {Sealed + passphrase, texts};
        }
    }
    return {Sealed, {}};
}

inline QByteArray digestOf(const QString& path)
{
    const auto [password, texts] = contentsOf(path);
    return digest(password, texts);
}

// What the typist types, over and over, and so what its draft holds the beginning of.
inline const QString TypedText = QStringLiteral("the quick brown fox jumps over the lazy dog ");

} // namespace crashloop
