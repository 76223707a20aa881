#include "sealedheader.h"

#include "keywrap.h"
#include "sodiumglue.h"
#include "store/sealedmark.h"

#include <QtEndian>

#include <sodium.h>

#include <algorithm>
#include <cstring>

namespace
{

using sealedmark::Magic;
using sealedmark::MagicAt;
constexpr int IdAt = MagicAt + 8;
constexpr int SaltAt = IdAt + SealedText::IdSize;
constexpr int OpsAt = SaltAt + crypto_pwhash_SALTBYTES;
constexpr int MemAt = OpsAt + 8;
constexpr int WrappedAt = MemAt + 8;
constexpr int NamesAt = WrappedAt + WrappedKeySize;
constexpr int NamesPlain = 2 * (1 + SlotCapacity);
constexpr int NamesSize = NamesPlain + SealOverhead;
constexpr int ChecksumAt = NamesAt + NamesSize;
constexpr int ChecksumSize = 32;
static_assert(ChecksumAt == 1456 && ChecksumAt + ChecksumSize <= RecordSize);

QByteArray checksumOf(const DiaryRecord& record)
{
    ensureSodium();
    QByteArray sum(ChecksumSize, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<unsigned char*>(sum.data()), ChecksumSize, record.bytes.data(), ChecksumAt,
                       nullptr, 0);
    return sum;
}

QByteArrayView at(const DiaryRecord& record, int offset, int size)
{
    return QByteArrayView(record.data() + offset, size);
}

void put(DiaryRecord& record, int offset, QByteArrayView bytes)
{
    std::memcpy(record.data() + offset, bytes.data(), size_t(bytes.size()));
}

QByteArray namesBlock(QByteArrayView title, QByteArrayView owner)
{
    QByteArray plain(NamesPlain, '\0');
    const QByteArrayView fields[] = {title.first(std::min<qsizetype>(title.size(), SlotCapacity)),
                                     owner.first(std::min<qsizetype>(owner.size(), SlotCapacity))};
    for (int i = 0; i < 2; ++i) {
        plain[i * (1 + SlotCapacity)] = char(fields[i].size());
        std::memcpy(plain.data() + i * (1 + SlotCapacity) + 1, fields[i].data(), size_t(fields[i].size()));
    }
    return plain;
}

QByteArray nameAt(const QByteArray& plain, int i)
{
    const int start = i * (1 + SlotCapacity);
    return plain.mid(start + 1, quint8(plain[start]));
}

UnlockedDiary unlockedWith(std::shared_ptr<const SealedText> codec, const SealedHeader& header)
{
    const std::optional<QByteArray> names =
        openSealed(header.sealedNames, codec->dataKey(), codec->associated("names"));
    // The wrapped key opened: names that do not are damage or a forgery, never a wrong passphrase.
    if (!names || names->size() != NamesPlain)
        throw DamagedHeaderError({});
    return {std::move(codec), nameAt(*names, 0), nameAt(*names, 1)};
}

} // namespace

std::optional<SealedHeader> SealedHeader::fromRecord(const DiaryRecord& record)
{
    if (record.slot(1) != sealedmark::passwordMark() || at(record, MagicAt, Magic.size()) != Magic ||
        at(record, ChecksumAt, ChecksumSize) != checksumOf(record))
        return std::nullopt;
    SealedHeader header;
    header.created = record.stamp();
    header.diaryId = at(record, IdAt, SealedText::IdSize).toByteArray();
    header.derivation.salt = at(record, SaltAt, crypto_pwhash_SALTBYTES).toByteArray();
    header.derivation.opsLimit = qFromLittleEndian<quint64>(record.data() + OpsAt);
    header.derivation.memLimit = qFromLittleEndian<quint64>(record.data() + MemAt);
    header.wrappedKey = at(record, WrappedAt, WrappedKeySize).toByteArray();
    header.sealedNames = at(record, NamesAt, NamesSize).toByteArray();
    return header;
}

DiaryRecord SealedHeader::toRecord() const
{
    DiaryRecord record;
    record.setStamp(created);
    record.setSlot(1, sealedmark::passwordMark());
    put(record, MagicAt, Magic);
    put(record, IdAt, diaryId);
    put(record, SaltAt, derivation.salt);
    qToLittleEndian(derivation.opsLimit, record.data() + OpsAt);
    qToLittleEndian(derivation.memLimit, record.data() + MemAt);
    put(record, WrappedAt, wrappedKey);
    put(record, NamesAt, sealedNames);
    put(record, ChecksumAt, checksumOf(record));
    return record;
}

UnlockedDiary sealNewDiary(double created, QByteArrayView title, QByteArrayView owner, QByteArrayView passphrase,
                           const KeyDerivation& derivation, DiaryRecord& header)
{
    ensureSodium();
    QByteArray id(SealedText::IdSize, Qt::Uninitialized);
    randombytes_buf(id.data(), size_t(id.size()));
    auto codec = std::make_shared<const SealedText>(SecretKey::random(), id);
    SealedHeader sealed;
    sealed.created = created;
    sealed.diaryId = id;
    sealed.derivation = derivation;
    sealed.wrappedKey = wrapKey(codec->dataKey(), deriveKey(passphrase, derivation), codec->associated("key"));
    sealed.sealedNames = seal(namesBlock(title, owner), codec->dataKey(), codec->associated("names"));
    header = sealed.toRecord();
    return {std::move(codec), title.first(std::min<qsizetype>(title.size(), SlotCapacity)).toByteArray(),
            owner.first(std::min<qsizetype>(owner.size(), SlotCapacity)).toByteArray()};
}

std::optional<UnlockedDiary> unlockDiary(const SealedHeader& header, QByteArrayView passphrase)
{
    std::optional<SecretKey> dataKey = unwrapKey(header.wrappedKey, deriveKey(passphrase, header.derivation),
                                                 header.diaryId + QByteArrayLiteral("key"));
    if (!dataKey)
        return std::nullopt;
    return unlockedWith(std::make_shared<const SealedText>(std::move(*dataKey), header.diaryId), header);
}

DiaryRecord rewrapped(const SealedHeader& header, const SealedText& codec, QByteArrayView passphrase,
                      const KeyDerivation& derivation)
{
    SealedHeader changed = header;
    changed.derivation = derivation;
    changed.wrappedKey = wrapKey(codec.dataKey(), deriveKey(passphrase, derivation), codec.associated("key"));
    return changed.toRecord();
}

DamagedHeaderError::DamagedHeaderError(const QString& path)
    : QuillnestError(QStringLiteral("Заголовок зашифрованного дневника повреждён, и его записи нельзя прочитать. "
                                    "Восстановите дневник из резервной копии:\r") +
                     path)
{
}
