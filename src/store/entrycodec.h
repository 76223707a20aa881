#pragma once

#include "diaryrecord.h"
#include "error.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// How a diary keeps its entries' text in their records, and the other text it keeps beside them (the draft).
// A diary is scrambled (ScrambledText) or sealed (crypto/sealedtext.h); whatever reads or writes entries takes the
// open diary's codec, so that it works alike on both. A codec is used from several threads at once by the passes
// over a whole diary, and keeps no state that a call changes.
class EntryCodec
{
public:
    virtual ~EntryCodec() = default;

    // The most bytes of text (Windows-1251) an entry holds.
    virtual qsizetype capacity() const = 0;
    // Puts `text`, at most capacity() bytes, in `record`, whose stamp is already its own: a sealed record is tied to
    // it. Every byte after the stamp is written.
    virtual void encode(DiaryRecord& record, QByteArrayView text) const = 0;
    // Writes the text of `record` to `out`, which holds MaxEntryChars bytes, and returns its length; nothing when
    // the record does not read as an entry of this diary (damaged, or moved from another one).
    virtual std::optional<qsizetype> decodeInto(const DiaryRecord& record, char* out) const = 0;
    // Reading a record costs more than reading it from the disk: passes over every entry share the work out.
    virtual bool decodingIsCostly() const = 0;

    // Other bytes kept beside the diary, never in clear, and read back; nothing from `kept` when it was kept under
    // another key, is damaged, or is read beside other `associated` bytes than it was kept with (the sealed form
    // authenticates them; the scrambled form cannot tell, so what is kept carries a check of its own).
    virtual QByteArray protect(QByteArrayView plain, QByteArrayView associated) const = 0;
    virtual std::optional<QByteArray> unprotect(QByteArrayView kept, QByteArrayView associated) const = 0;
    // How many bytes protect() adds to the plain ones.
    virtual qsizetype protectionOverhead() const = 0;

    // The text of `record`; DamagedEntryError where it does not read.
    QByteArray decode(const DiaryRecord& record) const;
};

// The entries of a diary as the older program keeps them: cut into 20 lines, each scrambled with the key.
class ScrambledText final : public EntryCodec
{
public:
    explicit ScrambledText(QByteArray key);

    const QByteArray& key() const { return m_key; }

    qsizetype capacity() const override { return MaxEntryChars; }
    void encode(DiaryRecord& record, QByteArrayView text) const override;
    std::optional<qsizetype> decodeInto(const DiaryRecord& record, char* out) const override;
    bool decodingIsCostly() const override { return false; }
    QByteArray protect(QByteArrayView plain, QByteArrayView associated) const override;
    std::optional<QByteArray> unprotect(QByteArrayView kept, QByteArrayView associated) const override;
    qsizetype protectionOverhead() const override { return 0; }

private:
    QByteArray m_key;
    QByteArray m_pattern;
};

// `entry` read with `source` and written anew with `target`, its stamp kept. DamagedEntryError where it does not
// read; QuillnestError with `tooLong`, the entry's date for %1 and the most the target holds for %2, where its text
// does not fit.
DiaryRecord recodedEntry(const DiaryRecord& entry, const EntryCodec& source, const EntryCodec& target,
                         const QString& tooLong);

// An entry whose record does not read: it is named by its stamp, and nothing of it is shown.
class DamagedEntryError : public QuillnestError
{
public:
    explicit DamagedEntryError(double stamp);
};

// Text too long for the diary's entries: `capacity` bytes at most.
class EntryTooLongError : public QuillnestError
{
public:
    EntryTooLongError(qsizetype length, qsizetype capacity);
};
