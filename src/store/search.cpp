#include "search.h"

#include "cp1251.h"
#include "entrycodec.h"
#include "stamp.h"
#include "workshare.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace
{

QByteArray searchedForm(QByteArrayView bytes, bool folded)
{
    QByteArray form = bytes.toByteArray();
    if (folded)
        foldCp1251(form.data(), form.size());
    return form;
}

} // namespace

// Each entry's text is folded once, in the buffer it was read into, and then searched as it is. Entries that are
// costly to read are read by several threads, each into a buffer of its own; what they find is listed in file order.
std::vector<std::uint16_t> findEntriesContaining(const RecordFile& file, QByteArrayView phrase, const EntryCodec& codec,
                                                 bool folded)
{
    std::vector<std::uint16_t> found;
    if (phrase.isEmpty())
        return found;
    const QByteArray sought = searchedForm(phrase, folded);
    const auto holdsPhrase = [&](const DiaryRecord& record, char* text) {
        const std::optional<qsizetype> length = codec.decodeInto(record, text);
        if (!length)
            return false;
        if (folded)
            foldCp1251(text, *length);
        return ::memmem(text, size_t(*length), sought.data(), size_t(sought.size())) != nullptr;
    };
    // Record numbers of a diary's lists are 16-bit: later records cannot be listed, nor need be read.
    constexpr qint64 End = MaxEntries + 1;
    if (!codec.decodingIsCostly()) {
        char text[MaxEntryChars];
        file.readEach(
            1,
            [&](qint64 n, const DiaryRecord& record) {
                if (holdsPhrase(record, text))
                    found.push_back(std::uint16_t(n));
            },
            End);
        return found;
    }
    WorkShare share;
    std::vector<std::array<char, MaxEntryChars>> texts(size_t(share.workers()));
    std::vector<char> holds;
    file.readChunks(
        1,
        [&](qint64 first, std::span<DiaryRecord> records) {
            holds.assign(records.size(), 0);
            share.run(qsizetype(records.size()), [&](qsizetype i, int worker) {
                holds[size_t(i)] = holdsPhrase(records[size_t(i)], texts[size_t(worker)].data());
            });
            for (size_t i = 0; i < records.size(); ++i)
                if (holds[i])
                    found.push_back(std::uint16_t(first + qint64(i)));
        },
        End);
    return found;
}

std::vector<qsizetype> findOccurrences(QByteArrayView text, QByteArrayView phrase, bool folded)
{
    std::vector<qsizetype> found;
    if (phrase.isEmpty())
        return found;
    const QByteArray searched = searchedForm(text, folded);
    const QByteArray sought = searchedForm(phrase, folded);
    for (qsizetype at = searched.indexOf(sought); at >= 0; at = searched.indexOf(sought, at + sought.size()))
        found.push_back(at);
    return found;
}

std::vector<std::uint16_t> findEntriesOfDay(const RecordFile& file, const QDate& day)
{
    std::vector<std::uint16_t> found;
    // Stamps that name no day must not match a date that names none either.
    if (!day.isValid())
        return found;
    const std::vector<double> all = file.readEntryStamps();
    for (size_t i = 0; i < all.size(); ++i) {
        if (stampDate(all[i]) != day)
            continue;
        found.push_back(std::uint16_t(i + 1));
    }
    return found;
}
