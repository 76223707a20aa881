#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

#include <functional>

// Hears how far a long operation has come: `done` of `total` steps.
using ProgressReport = std::function<void(qint64 done, qint64 total)>;

// Passes an operation's progress on at a pace a person can follow, whatever the pace of the work: a
// report needs both a whole percent more done and about a thirtieth of a second gone since the last
// one, so that a gauge repainted on every report costs the work next to nothing. The first report
// is 0 of the total, the last one (finish) the whole total.
class ProgressPace
{
public:
    // `report` may be empty; it must outlive the pace.
    ProgressPace(const ProgressReport& report, qint64 total);
    ProgressPace(ProgressReport&& report, qint64 total) = delete;

    // `done` steps are done. Costs a comparison until a report may be due.
    void advance(qint64 done)
    {
        if (done >= m_nextCheck)
            reportIfDue(done);
    }
    // Reports the whole total, once.
    void finish();

    static constexpr qint64 ShortestGapMs = 33;

private:
    void reportIfDue(qint64 done);
    void report(qint64 done);

    const ProgressReport& m_report;
    const qint64 m_total;
    qint64 m_reported = -1;
    qint64 m_nextCheck = 0;
    QElapsedTimer m_sinceReport;
};
