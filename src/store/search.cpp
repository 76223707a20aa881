#include "search.h"

#include "cp1251.h"
#include "entrytext.h"
#include "stamp.h"

#include <algorithm>
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

// Each entry's text is folded once, in the buffer it was read into, and then searched as it is.
std::vector<std::uint16_t> findEntriesContaining(const RecordFile& file, QByteArrayView phrase, QByteArrayView key,
                                                 bool folded)
{
    std::vector<std::uint16_t> found;
    if (phrase.isEmpty())
        return found;
    const QByteArray sought = searchedForm(phrase, folded);
    char text[MaxEntryChars];
    const QByteArray pattern = linePattern(key);
    // Record numbers of a diary's lists are 16-bit: later records cannot be listed, nor need be read.
    file.readEach(
        1,
        [&](qint64 n, const DiaryRecord& record) {
            const qsizetype length = joinLinesInto(record, pattern, text);
            if (folded)
                foldCp1251(text, length);
            if (!::memmem(text, size_t(length), sought.data(), size_t(sought.size())))
                return;
            found.push_back(std::uint16_t(n));
        },
        MaxEntries + 1);
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
