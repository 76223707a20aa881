#include "backupretention.h"

#include <algorithm>
#include <map>
#include <set>

namespace
{

int monthNumber(const QDate& day)
{
    return day.year() * 12 + day.month() - 1;
}

std::set<QDate> latestDays(const std::vector<CopyAge>& copies, int days)
{
    std::set<QDate> all;
    for (const CopyAge& copy : copies)
        all.insert(copy.taken.date());
    std::set<QDate> latest;
    for (auto day = all.rbegin(); day != all.rend() && int(latest.size()) < days; ++day)
        latest.insert(*day);
    return latest;
}

// The newest copy of each month from `months` months back up to today's, by its place in `copies`.
std::map<int, std::size_t> newestOfMonths(const std::vector<CopyAge>& copies, const QDate& today, int months)
{
    const int last = monthNumber(today);
    std::map<int, std::size_t> newest;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const int month = monthNumber(copies[i].taken.date());
        if (month > last - months && month <= last) {
            const auto found = newest.find(month);
            if (found == newest.end() || copies[found->second].taken <= copies[i].taken)
                newest[month] = i;
        }
    }
    return newest;
}

} // namespace

std::vector<std::size_t> copiesToRemove(const std::vector<CopyAge>& copies, const QDate& today,
                                        const RetentionRule& rule)
{
    const std::set<QDate> days = latestDays(copies, rule.days);
    std::vector<bool> kept(copies.size(), false);
    qint64 keptSize = 0;
    for (std::size_t i = 0; i < copies.size(); ++i)
        if (days.count(copies[i].taken.date())) {
            kept[i] = true;
            keptSize += copies[i].size;
        }
    // Oldest month first, so that the bound takes those first.
    std::vector<std::size_t> monthly;
    for (const auto& [month, place] : newestOfMonths(copies, today, rule.months))
        if (!kept[place]) {
            kept[place] = true;
            keptSize += copies[place].size;
            monthly.push_back(place);
        }
    for (auto oldest = monthly.begin(); rule.sizeBound > 0 && keptSize > rule.sizeBound && oldest != monthly.end();
         ++oldest) {
        kept[*oldest] = false;
        keptSize -= copies[*oldest].size;
    }
    std::vector<std::size_t> removed;
    for (std::size_t i = 0; i < copies.size(); ++i)
        if (!kept[i])
            removed.push_back(i);
    return removed;
}
