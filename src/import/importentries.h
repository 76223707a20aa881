#pragma once

#include "store/diaryrecord.h"
#include "store/progress.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class EntryCodec;
class OldDiarySource;
class RecordSink;

// Which entries of a source an import takes: every one, those with text, or those picked by hand.
enum class ImportChoice { All, NonEmpty, Picked };

struct ImportSelection {
    ImportChoice choice = ImportChoice::All;
    std::vector<bool> picked; // for Picked: whether entry k is taken

    // Whether entry k may be taken, before it is read.
    bool offers(int k) const;
    // Whether `entry`, once read, is taken (those with text only, for NonEmpty).
    bool takes(const DiaryRecord& entry) const;
};

// Merges the entries that an import takes from a source into a diary's own. The diary's entries keep
// their file order, whatever their stamps (a clock set back once); each source entry goes before the
// first of them stamped later, at whole seconds as the list shows them. Among equal stamps the diary's
// own come first: a source entry is left out where the diary has an entry of its second, or where a
// source entry of its second went in already, so an old entry is never imported twice nor beside one
// of the diary's of the same second. O(n log n); each source entry is read once, as it is written (but
// for an import of those with text that may not fit: see checkRoom).
//
// The merge itself: begin(), putOwn() for each of the diary's entries in file order, finish().
class DiaryMerger
{
public:
    // `ownStamps` are the stamps of the diary's entries in file order; `codec` is how it keeps its entries,
    // which the source's are put in.
    DiaryMerger(const OldDiarySource& source, const ImportSelection& selection, const std::vector<double>& ownStamps,
                const EntryCodec& codec);

    // The most entries a diary of `ownEntries` merged holds: exact but for NonEmpty, where an entry
    // without text only shows once it is read.
    qint64 mostEntries(qint64 ownEntries) const;
    // Refuses, with a message that says how many more would fit, a merge that leaves the diary of
    // `ownEntries` with more than MaxEntries entries. Reads the source entries only where their text
    // alone tells: an import of entries with text whose most would not fit.
    void checkRoom(qint64 ownEntries) const;

    void begin(RecordSink& sink, ProgressPace& pace);
    // Puts `own`, the next of the diary's entries, after the source entries stamped before it; returns
    // its record number in the merged diary.
    std::int32_t putOwn(const DiaryRecord& own);
    // Puts the source entries stamped after every entry of the diary.
    void finish();

private:
    struct Candidate {
        std::int64_t seconds;
        std::int32_t index;
    };

    void putSourceBefore(std::optional<std::int64_t> seconds);
    void put(const DiaryRecord& entry);
    qint64 exactSourceEntries() const;

    const OldDiarySource& m_source;
    const ImportSelection m_selection;
    const EntryCodec& m_codec;
    // Offered source entries without a diary entry of their second, by stamp, then in source order.
    std::vector<Candidate> m_candidates;
    qint64 m_distinctSeconds = 0;

    RecordSink* m_sink = nullptr;
    ProgressPace* m_pace = nullptr;
    std::size_t m_next = 0;
    std::optional<std::int64_t> m_lastSourceSeconds;
    std::int32_t m_put = 0;
};

// Writes a new diary at `path` (never over an existing file) with the entries `selection` takes, in
// file order, each read once and left under the source's key: the header carries the source's stored
// password, so the new diary opens with the old one. `title` and `owner` are file bytes. `progress`
// hears how many source entries are handled.
void importIntoNewDiary(const OldDiarySource& source, const ImportSelection& selection, const QString& path,
                        const QByteArray& title, const QByteArray& owner, const ProgressReport& progress = {});
