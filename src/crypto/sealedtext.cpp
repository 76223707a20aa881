#include "sealedtext.h"

#include "sodiumglue.h"

#include <sodium.h>

#include <cstring>

namespace
{

constexpr int NonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr int TagSize = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr int StampSize = 8;
constexpr qsizetype BlockSize = RecordSize - StampSize - NonceSize - TagSize; // the padded text

// The diary's id and the record's stamp as the file holds it, bit for bit.
void entryPlace(const QByteArray& diaryId, const DiaryRecord& record, unsigned char (&place)[SealedText::IdSize + 8])
{
    std::memcpy(place, diaryId.constData(), SealedText::IdSize);
    std::memcpy(place + SealedText::IdSize, record.data(), StampSize);
}

// The padding is ISO/IEC 7816-4's, as sodium_pad lays it out: the mark after the text, zeros to the block's end.
// It is read only once the block has authenticated, so how long the reading takes tells nobody anything they could
// not read: libsodium's own pair, which takes the same time whatever the text, cost twice the cipher.
constexpr unsigned char PadMark = 0x80;

// The text's length in an opened block, or -1 when the block ends in no mark.
qsizetype paddedLength(const unsigned char* block)
{
    qsizetype end = BlockSize;
    for (quint64 word = 0; end >= qsizetype(sizeof word); end -= qsizetype(sizeof word)) {
        std::memcpy(&word, block + end - sizeof word, sizeof word);
        if (word != 0)
            break;
    }
    while (end > 0 && block[end - 1] == 0)
        --end;
    return end > 0 && block[end - 1] == PadMark ? end - 1 : -1;
}

} // namespace

static_assert(SealedText::Capacity == BlockSize - 1);
static_assert(BlockSize <= MaxEntryChars, "an entry's text is opened in the buffer a text is read into");

SealedText::SealedText(SecretKey dataKey, QByteArray diaryId) : m_dataKey(std::move(dataKey)), m_diaryId(diaryId)
{
    Q_ASSERT(m_diaryId.size() == IdSize);
}

void SealedText::encode(DiaryRecord& record, QByteArrayView text) const
{
    if (text.size() > Capacity)
        throw EntryTooLongError(text.size(), Capacity);
    ensureSodium();
    unsigned char* nonce = record.bytes.data() + StampSize;
    unsigned char* block = nonce + NonceSize;
    if (!text.isEmpty())
        std::memcpy(block, text.data(), size_t(text.size()));
    block[text.size()] = PadMark;
    std::memset(block + text.size() + 1, 0, size_t(BlockSize - text.size() - 1));
    randombytes_buf(nonce, NonceSize);
    unsigned char place[IdSize + StampSize];
    entryPlace(m_diaryId, record, place);
    crypto_aead_xchacha20poly1305_ietf_encrypt(block, nullptr, block, BlockSize, place, sizeof place, nullptr, nonce,
                                               m_dataKey.data());
}

std::optional<qsizetype> SealedText::decodeInto(const DiaryRecord& record, char* out) const
{
    const unsigned char* nonce = record.bytes.data() + StampSize;
    unsigned char place[IdSize + StampSize];
    entryPlace(m_diaryId, record, place);
    auto* plain = reinterpret_cast<unsigned char*>(out);
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(plain, nullptr, nullptr, nonce + NonceSize, BlockSize + TagSize,
                                                   place, sizeof place, nonce, m_dataKey.data()) != 0)
        return std::nullopt;
    const qsizetype length = paddedLength(plain);
    if (length < 0)
        return std::nullopt;
    return length;
}

QByteArray SealedText::protect(QByteArrayView plain, QByteArrayView what) const
{
    return seal(plain, m_dataKey, associated("kept") + what.toByteArray());
}

std::optional<QByteArray> SealedText::unprotect(QByteArrayView kept, QByteArrayView what) const
{
    return openSealed(kept, m_dataKey, associated("kept") + what.toByteArray());
}
