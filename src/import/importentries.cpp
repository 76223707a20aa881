#include "importentries.h"

#include "olddiary.h"
#include "store/error.h"
#include "store/rebuild.h"
#include "store/stamp.h"

#include <algorithm>

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

} // namespace

bool ImportSelection::offers(int k) const
{
    return choice != ImportChoice::Picked || (k >= 0 && std::size_t(k) < picked.size() && picked[std::size_t(k)]);
}

bool ImportSelection::takes(const DiaryRecord& entry) const
{
    return choice != ImportChoice::NonEmpty || hasText(entry);
}

DiaryMerger::DiaryMerger(const OldDiarySource& source, const ImportSelection& selection,
                         const std::vector<double>& ownStamps, const EntryCodec& codec)
    : m_source(source), m_selection(selection), m_codec(codec)
{
    std::vector<std::int64_t> ownSeconds(ownStamps.size());
    std::transform(ownStamps.begin(), ownStamps.end(), ownSeconds.begin(), stampSeconds);
    std::sort(ownSeconds.begin(), ownSeconds.end());
    const std::vector<double>& stamps = source.stamps();
    for (int k = 0; k < source.entryCount(); ++k) {
        const std::int64_t seconds = stampSeconds(stamps[std::size_t(k)]);
        if (selection.offers(k) && !std::binary_search(ownSeconds.begin(), ownSeconds.end(), seconds))
            m_candidates.push_back({seconds, k});
    }
    std::stable_sort(m_candidates.begin(), m_candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.seconds < b.seconds; });
    for (std::size_t i = 0; i < m_candidates.size(); ++i)
        m_distinctSeconds += i == 0 || m_candidates[i].seconds != m_candidates[i - 1].seconds;
}

// At most one source entry goes in for each second.
qint64 DiaryMerger::mostEntries(qint64 ownEntries) const
{
    return ownEntries + m_distinctSeconds;
}

void DiaryMerger::checkRoom(qint64 ownEntries) const
{
    qint64 total = mostEntries(ownEntries);
    if (total > MaxEntries && ownEntries <= MaxEntries && m_selection.choice == ImportChoice::NonEmpty)
        total = ownEntries + exactSourceEntries();
    if (total <= MaxEntries)
        return;
    throw QuillnestError(QStringLiteral("Импорт не выполнен: в дневнике может быть не больше %1 записей, а после "
                                        "импорта их стало бы %2. Можно добавить ещё %3.")
                             .arg(MaxEntries)
                             .arg(total)
                             .arg(std::max<qint64>(MaxEntries - ownEntries, 0)));
}

// The first candidate of each second that the selection takes.
qint64 DiaryMerger::exactSourceEntries() const
{
    qint64 count = 0;
    std::optional<std::int64_t> taken;
    for (const Candidate& candidate : m_candidates) {
        if (candidate.seconds != taken && m_selection.takes(m_source.readEntry(candidate.index))) {
            taken = candidate.seconds;
            ++count;
        }
    }
    return count;
}

void DiaryMerger::begin(RecordSink& sink, ProgressPace& pace)
{
    m_sink = &sink;
    m_pace = &pace;
    m_next = 0;
    m_lastSourceSeconds.reset();
    m_put = 0;
}

std::int32_t DiaryMerger::putOwn(const DiaryRecord& own)
{
    putSourceBefore(stampSeconds(own.stamp()));
    put(own);
    return m_put;
}

void DiaryMerger::finish()
{
    putSourceBefore(std::nullopt);
    m_pace->finish();
}

// Candidates of one second lie side by side: the first that the selection takes goes in.
void DiaryMerger::putSourceBefore(std::optional<std::int64_t> seconds)
{
    for (; m_next < m_candidates.size() && (!seconds || m_candidates[m_next].seconds < *seconds); ++m_next) {
        const Candidate& candidate = m_candidates[m_next];
        if (candidate.seconds == m_lastSourceSeconds)
            continue;
        DiaryRecord entry = m_source.readEntry(candidate.index);
        if (!m_selection.takes(entry))
            continue;
        m_lastSourceSeconds = candidate.seconds;
        put(m_source.recoded(std::move(entry), m_codec));
    }
}

void DiaryMerger::put(const DiaryRecord& entry)
{
    m_sink->put(entry);
    m_pace->advance(++m_put);
}

void importIntoNewDiary(const OldDiarySource& source, const ImportSelection& selection, const QString& path,
                        const QByteArray& title, const QByteArray& owner, const ProgressReport& progress)
{
    DiaryHeader header;
    header.created = currentStamp();
    header.password = source.isProtected() ? source.storedPassword() : QByteArray();
    header.title = title;
    header.owner = owner;
    qint64 offered = 0;
    for (int k = 0; k < source.entryCount(); ++k)
        offered += selection.offers(k);
    createDiaryWhole(path, [&](RecordSink& sink) {
        ProgressPace pace(progress, offered);
        sink.put(header.toRecord());
        qint64 done = 0;
        for (int k = 0; k < source.entryCount(); ++k) {
            if (!selection.offers(k))
                continue;
            const DiaryRecord entry = source.readEntry(k);
            if (selection.takes(entry))
                sink.put(entry);
            pace.advance(++done);
        }
        pace.finish();
    });
}
