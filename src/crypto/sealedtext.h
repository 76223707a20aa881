#pragma once

#include "sealing.h"
#include "secretkey.h"
#include "store/entrycodec.h"

#include <QByteArray>

// The entries of an encrypted diary. Each record after its stamp, which stays clear for the list and the date
// search, is one sealed block that fills it: the nonce (24 bytes), the text padded to the block's full length
// (a 0x80 byte after the text, then zeros, as sodium_pad pads) encrypted, and the tag (16). Every entry's block is as
// long as every other's, so the file does not tell how much anyone wrote. The block is tied to the diary's id and
// to the record's stamp: a record moved from another diary does not open, nor does one whose stamp was changed.
class SealedText final : public EntryCodec
{
public:
    static constexpr qsizetype IdSize = 16;
    // The record's bytes after the stamp, less the seal and the padding's end mark.
    static constexpr qsizetype Capacity = RecordSize - 8 - SealOverhead - 1; // 5079

    SealedText(SecretKey dataKey, QByteArray diaryId);

    const QByteArray& diaryId() const { return m_diaryId; }
    const SecretKey& dataKey() const { return m_dataKey; }
    // What else is sealed under the diary's data key is tied to its id and to what it is (`what`).
    QByteArray associated(QByteArrayView what) const { return m_diaryId + what.toByteArray(); }

    qsizetype capacity() const override { return Capacity; }
    void encode(DiaryRecord& record, QByteArrayView text) const override;
    std::optional<qsizetype> decodeInto(const DiaryRecord& record, char* out) const override;
    bool decodingIsCostly() const override { return true; }
    QByteArray protect(QByteArrayView plain, QByteArrayView associated) const override;
    std::optional<QByteArray> unprotect(QByteArrayView kept, QByteArrayView associated) const override;
    qsizetype protectionOverhead() const override { return SealOverhead; }

private:
    SecretKey m_dataKey;
    QByteArray m_diaryId;
};
