#include "datelist.h"

#include "diaryrecord.h"
#include "recordfile.h"
#include "stamp.h"

#include <algorithm>
#include <vector>

QStringList dateListItems(const RecordFile& file)
{
    const std::vector<double> stamps = file.readEntryStamps();
    const auto count = static_cast<qsizetype>(std::min<std::size_t>(stamps.size(), MaxEntries));
    QStringList items;
    items.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        items.append(stampText(stamps[i]));
    return items;
}
