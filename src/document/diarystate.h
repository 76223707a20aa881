#pragma once

#include "store/diaryrecord.h"
#include "store/entrycodec.h"
#include "store/recordfile.h"
#include "store/scramble.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// Everything known about the open diary. The diary document owns the one instance and hands none of
// it out: the windows read what they may through DiaryView.
struct DiaryState {
    // Changing and deleting entries is allowed.
    bool editAllowed = false;
    // The open diary is a dated copy, opened to be read: nothing changes it.
    bool readOnly = false;
    // The open diary's header holds a password.
    bool hasPassword = false;
    // How the entries' text is kept: scrambled with the clear password, else with FixedKey, or sealed.
    std::shared_ptr<const EntryCodec> codec = std::make_shared<const ScrambledText>(FixedKey);
    // Full path of the open diary; empty when none is open. At most 200 characters.
    QString path;

    RecordFile file;    // the open diary
    DiaryRecord buffer; // the last record read or written

    // What the date list shows: every entry, one day's entries, or a word search result.
    bool wordFilterOn = false;
    bool listComplete = false;
    // The list shows one day's entries. They need not lie side by side in the file (the clock may
    // have been set back), so each row has its record number in foundRecords, as after a word search.
    bool dateFilterOn = false;
    // Record number of each list row after a word or date search.
    std::vector<std::uint16_t> foundRecords;
    // The phrase of the word search the list shows (file bytes), and whether it ignored letter case and ё.
    QByteArray listedWord;
    bool listedWordFolded = false;
    // Record number of the first list row: 1 while every entry is listed, the first entry found
    // after a date search.
    std::int32_t firstListRecord = 0;
    // `Created`, `title` and `owner` of the open diary's header, the texts decoded.
    double created = 0;
    QString title;
    QString owner;
    // Record number of the entry on view; 0 while none is. Changing and deleting work on this record,
    // whatever other entries share its time-stamp text.
    std::int32_t viewedRecord = 0;
    // The list text of the entry on view as it was shown: a change or deletion goes ahead only while
    // the record's time stamp still reads so.
    QString viewedLabel;
    // The stamp of the entry on view as it was read.
    double viewedStamp = 0;
    // Another program put a file of its own at the diary's path: the file open here was closed, and the
    // path is opened again before anything more is written.
    bool replaced = false;
    // The name of a change journal beside the diary that another user could have written, which was
    // not applied; empty when there is none.
    QString foreignJournal;

    bool diaryOpen() const { return !path.isEmpty(); }
    // The diary is encrypted: `codec` is a SealedText, and the password its passphrase.
    bool encrypted() const;
    // The list rows stand for foundRecords, one each, rather than for records from firstListRecord on.
    bool listMapsFoundRecords() const { return wordFilterOn || dateFilterOn; }
    // The list shows every entry in file order.
    void setFullListMode();
    // The list shows `found`, the result of a word search (else of a date search).
    void setSearchListMode(std::vector<std::uint16_t> found, bool byWord);
};

constexpr int MaxPathLength = 200;

// The record that row `row` of the date list stands for: foundRecords[row] after a search, else
// firstListRecord + row. 0 when the row stands for none.
std::int32_t recordOfListItem(const DiaryState& state, int row);

// The row of a list of `listCount` rows that stands for `record`, or -1 when none does.
int listRowOfRecord(const DiaryState& state, std::int32_t record, int listCount);

// Keeps the list-to-record mapping of a list of `listCount` rows true once `record` has left the
// diary and every record after it has moved one place towards the start; the row that stood for
// `record`, if any, is gone.
void forgetDeletedRecord(DiaryState& state, std::int32_t record, int listCount);
