#include "diarystate.h"

#include <algorithm>

std::int32_t recordOfListItem(const DiaryState& state, int row)
{
    if (row < 0)
        return 0;
    if (state.WordFilterOn)
        return std::size_t(row) < state.FoundRecords.size() ? state.FoundRecords[std::size_t(row)] : 0;
    return state.FirstListRecord >= 1 ? state.FirstListRecord + row : 0;
}

int forgetDeletedRecord(DiaryState& state, std::int32_t record, int listCount)
{
    if (state.WordFilterOn) {
        std::vector<std::uint16_t>& found = state.FoundRecords;
        // Elements past the list's items are left over from sizing and stand for nothing.
        const auto shown = found.begin() + std::min<std::ptrdiff_t>(std::max(listCount, 0), found.size());
        const auto it = std::find(found.begin(), shown, record);
        const int row = it == shown ? -1 : int(it - found.begin());
        if (it != shown)
            found.erase(it);
        for (std::uint16_t& r : found) {
            if (r > record)
                --r;
        }
        return row;
    }
    // One day's entries lie side by side from FirstListRecord on: an entry deleted before them moves
    // them all, one deleted after them none.
    if (record < state.FirstListRecord) {
        --state.FirstListRecord;
        return -1;
    }
    return record < state.FirstListRecord + listCount ? record - state.FirstListRecord : -1;
}
