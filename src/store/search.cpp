#include "search.h"

#include "entrytext.h"
#include "stamp.h"

#include <algorithm>
#include <cstring>

std::vector<std::uint16_t> findEntriesContaining(const RecordFile& file, QByteArrayView phrase, QByteArrayView key)
{
    std::vector<std::uint16_t> found;
    if (phrase.isEmpty())
        return found;
    char text[MaxEntryChars];
    const QByteArray pattern = linePattern(key);
    // Record numbers of a diary's lists are 16-bit: later records cannot be listed, nor need be read.
    file.readEach(
        1,
        [&](qint64 n, const DiaryRecord& record) {
            const qsizetype length = joinLinesInto(record, pattern, text);
            if (!::memmem(text, size_t(length), phrase.data(), size_t(phrase.size())))
                return;
            found.push_back(std::uint16_t(n));
        },
        MaxEntries + 1);
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
