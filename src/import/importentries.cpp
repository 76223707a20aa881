#include "importentries.h"

#include "olddiary.h"
#include "store/rebuild.h"
#include "store/stamp.h"

#include <algorithm>
#include <cstdint>

namespace
{

// A record has text when any of its lines is not empty.
bool hasText(const DiaryRecord& entry)
{
    for (int k = 1; k <= SlotCount; ++k) {
        if (entry.slotLength(k) > 0)
            return true;
    }
    return false;
}

struct MergeItem {
    std::int64_t seconds;
    bool fromSource;
    std::int32_t index;
};

} // namespace

std::vector<bool> takenEntries(const OldDiarySource& source, ImportChoice choice, const std::vector<bool>& picked)
{
    std::vector<bool> taken(size_t(source.entryCount()), choice == ImportChoice::All);
    for (int k = 0; k < source.entryCount(); ++k) {
        if (choice == ImportChoice::Picked)
            taken[size_t(k)] = size_t(k) < picked.size() && picked[size_t(k)];
        else if (choice == ImportChoice::NonEmpty)
            taken[size_t(k)] = hasText(source.readEntry(k));
    }
    return taken;
}

std::vector<MergedEntry> mergeOrder(const std::vector<double>& diaryStamps, const std::vector<double>& sourceStamps,
                                    const std::vector<bool>& taken)
{
    std::vector<MergeItem> items;
    items.reserve(diaryStamps.size() + sourceStamps.size());
    for (size_t i = 0; i < diaryStamps.size(); ++i)
        items.push_back({stampSeconds(diaryStamps[i]), false, std::int32_t(i) + 1});
    for (size_t k = 0; k < sourceStamps.size(); ++k) {
        if (k < taken.size() && taken[k])
            items.push_back({stampSeconds(sourceStamps[k]), true, std::int32_t(k)});
    }
    // Stable: the diary's own come first among equals, each side in its own order.
    std::stable_sort(items.begin(), items.end(), [](const MergeItem& a, const MergeItem& b) {
        return a.seconds < b.seconds || (a.seconds == b.seconds && !a.fromSource && b.fromSource);
    });
    std::vector<MergedEntry> order;
    order.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].fromSource && i > 0 && items[i - 1].seconds == items[i].seconds)
            continue;
        order.push_back({!items[i].fromSource, items[i].index});
    }
    return order;
}

void importIntoDiary(DiaryDocument& document, const OldDiarySource& source, const std::vector<bool>& taken,
                     const ImportProgress& progress)
{
    const RecordFile& diary = document.state().DiaryFile;
    const qint64 own = std::max<qint64>(diary.count() - 1, 0);
    // A diary of more entries than a list holds has stamps that readEntryStamps leaves out.
    const std::vector<double> diaryStamps = own > MaxEntries ? std::vector<double>() : diary.readEntryStamps();
    const std::vector<MergedEntry> order = mergeOrder(diaryStamps, source.stamps(), taken);
    const qint64 total = own > MaxEntries ? own : qint64(order.size());
    if (total > MaxEntries)
        throw QuillnestError(QStringLiteral("Импорт не выполнен: в дневнике может быть не больше %1 записей, а после "
                                            "импорта их стало бы %2. Можно добавить ещё %3.")
                                 .arg(MaxEntries)
                                 .arg(total)
                                 .arg(std::max<qint64>(MaxEntries - own, 0)));
    const QByteArray key = document.state().EntryKey;
    document.merge(
        order, [&](std::int32_t k) { return source.rescrambled(source.readEntry(k), key); },
        [&](qint64 done) {
            if (progress)
                progress(done, total);
        });
}

void importIntoNewDiary(const OldDiarySource& source, const std::vector<bool>& taken, const QString& path,
                        const QByteArray& title, const QByteArray& owner, const ImportProgress& progress)
{
    DiaryHeader header;
    header.Created = currentStamp();
    header.Password = source.isProtected() ? source.storedPassword() : QByteArray();
    header.Title = title;
    header.Owner = owner;
    const qint64 total = std::count(taken.begin(), taken.end(), true);
    createDiaryWhole(path, [&](RecordSink& sink) {
        sink.put(header.toRecord());
        qint64 done = 0;
        for (int k = 0; k < source.entryCount(); ++k) {
            if (size_t(k) >= taken.size() || !taken[size_t(k)])
                continue;
            sink.put(source.readEntry(k));
            if (progress)
                progress(++done, total);
        }
    });
}
