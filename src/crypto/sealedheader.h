#pragma once

#include "passphrasekey.h"
#include "sealedtext.h"
#include "store/diaryrecord.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// Record 0 of an encrypted diary. What an older program reads of a header stays a diary's header: `Created` is
// the stamp, the title and the owner are empty, and the password is a mark no keyboard can type (it holds the bytes
// 0 and 0x98), so the older program asks for a password and accepts none; it never shows a sealed byte as text
// and never writes. Behind the three text fields, where the older program reads nothing (offset 776 on, all
// numbers little-endian):
//
//   776  8   "QNSEAL01"
//   784  16  the diary's id, random: what every sealed block of the diary is tied to
//   800  16  Argon2id salt
//   816  8   Argon2id passes (opsLimit)
//   824  8   Argon2id memory in bytes (memLimit)
//   832  72  the data key sealed under the passphrase's key (keywrap.h), tied to the id
//   904  552 the title and the owner sealed under the data key: a length byte and 255 bytes each
//   1456 32  BLAKE2b of bytes 0 to 1455
//   1488     zeros to the end of the record
//
// The checksum tells a damaged header from a wrong passphrase, which the wrapped key alone cannot: either way it
// does not open. It is no seal (anyone can work it out again); what protects the diary is the wrapped key.
struct SealedHeader {
    double created = 0;
    QByteArray diaryId;
    KeyDerivation derivation;
    QByteArray wrappedKey;
    QByteArray sealedNames;

    // The header, or nothing when it is damaged.
    static std::optional<SealedHeader> fromRecord(const DiaryRecord& record);
    DiaryRecord toRecord() const;
};

// An encrypted diary opened with its passphrase: its codec and its names (file bytes).
struct UnlockedDiary {
    std::shared_ptr<const SealedText> codec;
    QByteArray title;
    QByteArray owner;
};

// A new encrypted diary's header, under a new data key and id, and its codec. `passphrase` is Windows-1251 bytes.
UnlockedDiary sealNewDiary(double created, QByteArrayView title, QByteArrayView owner, QByteArrayView passphrase,
                           const KeyDerivation& derivation, DiaryRecord& header);
// Nothing when `passphrase` is not the diary's; DamagedHeaderError, naming no path, when it is but the names do
// not open.
std::optional<UnlockedDiary> unlockDiary(const SealedHeader& header, QByteArrayView passphrase);
// The same diary under another passphrase: its data key wrapped anew, nothing else changed.
DiaryRecord rewrapped(const SealedHeader& header, const SealedText& codec, QByteArrayView passphrase,
                      const KeyDerivation& derivation);

// An encrypted diary whose header is damaged: nothing in it can be read.
class DamagedHeaderError : public QuillnestError
{
public:
    explicit DamagedHeaderError(const QString& path);
};
