#include "entrycodec.h"

#include "entrytext.h"
#include "scramble.h"
#include "stamp.h"

#include <algorithm>
#include <array>

QByteArray EntryCodec::decode(const DiaryRecord& record) const
{
    QByteArray text(MaxEntryChars, Qt::Uninitialized);
    const std::optional<qsizetype> length = decodeInto(record, text.data());
    if (!length)
        throw DamagedEntryError(record.stamp());
    text.truncate(*length);
    return text;
}

ScrambledText::ScrambledText(QByteArray key) : m_key(std::move(key)), m_pattern(linePattern(m_key)) {}

// The lines are cut as the older program cuts them; the record's other bytes are zeros.
void ScrambledText::encode(DiaryRecord& record, QByteArrayView text) const
{
    if (text.size() > capacity())
        throw EntryTooLongError(text.size(), capacity());
    cutTextIntoLines(record, text, m_key);
}

std::optional<qsizetype> ScrambledText::decodeInto(const DiaryRecord& record, char* out) const
{
    return joinLinesInto(record, m_pattern, out);
}

// In pieces of a line's length, each from the key's first byte on, as entries' lines are; its own inverse.
QByteArray ScrambledText::protect(QByteArrayView plain, QByteArrayView) const
{
    QByteArray kept = plain.toByteArray();
    for (qsizetype at = 0; at < kept.size(); at += SlotCapacity) {
        const qsizetype length = std::min<qsizetype>(SlotCapacity, kept.size() - at);
        xorWithPattern(kept.constData() + at, m_pattern.constData(), length, kept.data() + at);
    }
    return kept;
}

std::optional<QByteArray> ScrambledText::unprotect(QByteArrayView kept, QByteArrayView associated) const
{
    return protect(kept, associated);
}

DiaryRecord recodedEntry(const DiaryRecord& entry, const EntryCodec& source, const EntryCodec& target,
                         const QString& tooLong)
{
    std::array<char, MaxEntryChars> text;
    const std::optional<qsizetype> length = source.decodeInto(entry, text.data());
    if (!length)
        throw DamagedEntryError(entry.stamp());
    if (*length > target.capacity())
        throw QuillnestError(tooLong.arg(stampText(entry.stamp())).arg(target.capacity()));
    DiaryRecord recoded;
    recoded.setStamp(entry.stamp());
    target.encode(recoded, QByteArrayView(text.data(), *length));
    return recoded;
}

DamagedEntryError::DamagedEntryError(double stamp)
    : QuillnestError(QStringLiteral("Запись от %1 повреждена и не показана").arg(stampText(stamp)))
{
}

EntryTooLongError::EntryTooLongError(qsizetype length, qsizetype capacity)
    : QuillnestError(QStringLiteral("Запись не сохранена: текст длиннее %1 символов (в нём %2, "
                                    "каждый перевод строки считается за два)")
                         .arg(capacity)
                         .arg(length))
{
}
