#pragma once

#include "store/diaryrecord.h"
#include "store/recordfile.h"
#include "store/scramble.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// Everything the program knows about the open diary. The main window owns the one instance and
// hands it by reference to the windows that read or change it.
struct DiaryState {
    // Changing and deleting entries is allowed; follows the check mark of "Редактирование".
    bool EditAllowed = false;
    // The open diary's header holds a password.
    bool HasPassword = false;
    // Key of the entry text (file bytes): the clear password, else FixedKey.
    QByteArray EntryKey = FixedKey;
    // Full path of the open diary; empty when none is open. At most 200 characters.
    QString DiaryPath;

    // Options as read at start-up.
    bool OptOpenFave = false;
    bool OptOpenLast = false;
    bool OptEditing = false;
    bool OptByDate = true;
    bool OptByWord = true;

    RecordFile DiaryFile;     // the open diary
    RecordFile ProbeFile;     // header check of a diary about to be opened
    DiaryRecord RecordBuffer; // the last record read or written

    // What the date list shows: every entry, one day's entries, or a word search result.
    bool WordFilterOn = false;
    bool ListComplete = false;
    // The list shows one day's entries. They need not lie side by side in the file (the clock may
    // have been set back), so each item has its record number in FoundRecords, as after a word search.
    bool DateFilterOn = false;
    // Record number of each list item after a word or date search.
    std::vector<std::uint16_t> FoundRecords;
    // Record number of the first list item: 1 while every entry is listed, the first entry found
    // after a date search.
    std::int32_t FirstListRecord = 0;
    // `Created` of the open diary.
    double DiaryCreated = 0;
    // Record number of the entry on view; 0 while none is. Changing and deleting work on this record,
    // whatever other entries share its time-stamp text.
    std::int32_t ViewedRecord = 0;

    bool diaryOpen() const { return !DiaryPath.isEmpty(); }
    // The list items stand for FoundRecords, one each, rather than for records from FirstListRecord on.
    bool listMapsFoundRecords() const { return WordFilterOn || DateFilterOn; }
    // The list shows every entry in file order.
    void setFullListMode();
    // The list shows `found`, the result of a word search (else of a date search).
    void setSearchListMode(std::vector<std::uint16_t> found, bool byWord);
};

constexpr int MaxPathLength = 200;

// The record that item `row` of the date list stands for: FoundRecords[row] after a search, else
// FirstListRecord + row. 0 when the row stands for none.
std::int32_t recordOfListItem(const DiaryState& state, int row);

// Keeps the list-to-record mapping of a list of `listCount` items true once `record` has left the
// diary and every record after it has moved one place towards the start. Returns the row of the
// item that stood for `record`, for the caller to remove from the list, or -1 when none did.
int forgetDeletedRecord(DiaryState& state, std::int32_t record, int listCount);
