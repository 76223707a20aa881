#include "diarystate.h"

#include "crypto/sealedtext.h"

#include <algorithm>
#include <utility>

void DiaryState::setFullListMode()
{
    firstListRecord = 1;
    wordFilterOn = false;
    dateFilterOn = false;
    listComplete = true;
    foundRecords.clear();
}

void DiaryState::setSearchListMode(std::vector<std::uint16_t> found, bool byWord)
{
    if (!byWord && !found.empty())
        firstListRecord = found.front();
    foundRecords = std::move(found);
    wordFilterOn = byWord;
    dateFilterOn = !byWord;
    listComplete = false;
}

std::int32_t recordOfListItem(const DiaryState& state, int row)
{
    if (row < 0)
        return 0;
    if (state.listMapsFoundRecords())
        return std::size_t(row) < state.foundRecords.size() ? state.foundRecords[std::size_t(row)] : 0;
    return state.firstListRecord >= 1 ? state.firstListRecord + row : 0;
}

int listRowOfRecord(const DiaryState& state, std::int32_t record, int listCount)
{
    if (state.listMapsFoundRecords()) {
        const auto& found = state.foundRecords;
        // Elements past the list's rows are left over from sizing and stand for nothing.
        const auto shown = found.begin() + std::min<std::ptrdiff_t>(std::max(listCount, 0), found.size());
        const auto it = std::find(found.begin(), shown, record);
        return it == shown ? -1 : int(it - found.begin());
    }
    const std::int32_t row = record - state.firstListRecord;
    return row >= 0 && row < listCount ? row : -1;
}

void forgetDeletedRecord(DiaryState& state, std::int32_t record, int listCount)
{
    if (!state.listMapsFoundRecords()) {
        // The rows stand for records side by side from firstListRecord on: an entry deleted before
        // them moves them all, one deleted after them none.
        if (record < state.firstListRecord)
            --state.firstListRecord;
        return;
    }
    std::vector<std::uint16_t>& found = state.foundRecords;
    const int row = listRowOfRecord(state, record, listCount);
    if (row >= 0)
        found.erase(found.begin() + row);
    for (std::uint16_t& r : found) {
        if (r > record)
            --r;
    }
    if (state.dateFilterOn && !found.empty())
        state.firstListRecord = found.front();
}

bool DiaryState::encrypted() const
{
    return dynamic_cast<const SealedText*>(codec.get()) != nullptr;
}
