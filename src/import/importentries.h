#pragma once

#include "store/diarydocument.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

class OldDiarySource;

// Which entries of a source an import takes: every one, those with text, or those picked by hand.
enum class ImportChoice { All, NonEmpty, Picked };

// taken[k] says whether entry k of `source` is imported; `picked` counts only for Picked.
std::vector<bool> takenEntries(const OldDiarySource& source, ImportChoice choice, const std::vector<bool>& picked);

// The entries of a diary merged with those taken from a source: in the order of their time stamps at
// whole seconds (as the list shows them); among equal stamps the diary's own first, in file order,
// then the source's in source order. A source entry is left out where an entry with its stamp comes
// before it, so an old entry is never imported twice nor beside one of the diary's of the same
// second; every entry of the diary stays. O(n log n).
std::vector<MergedEntry> mergeOrder(const std::vector<double>& diaryStamps, const std::vector<double>& sourceStamps,
                                    const std::vector<bool>& taken);

// Progress of an import: entries handled so far, of how many.
using ImportProgress = std::function<void(qint64 done, qint64 total)>;

// Merges the taken entries into the open diary as mergeOrder says, rescrambled under its key, in one
// rebuild (see DiaryDocument::merge). A diary that would hold more than MaxEntries entries is refused
// before anything is written.
void importIntoDiary(DiaryDocument& document, const OldDiarySource& source, const std::vector<bool>& taken,
                     const ImportProgress& progress = {});

// Writes a new diary at `path` (never over an existing file) with the taken entries in file order,
// left under the source's key: the header carries the source's stored password, so the new diary opens
// with the old one. `title` and `owner` are file bytes.
void importIntoNewDiary(const OldDiarySource& source, const std::vector<bool>& taken, const QString& path,
                        const QByteArray& title, const QByteArray& owner, const ImportProgress& progress = {});
