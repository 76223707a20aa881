#include "progress.h"

#include <algorithm>

ProgressPace::ProgressPace(const ProgressReport& report, qint64 total) : m_report(report), m_total(total)
{
    this->report(0);
}

void ProgressPace::finish()
{
    if (m_reported != m_total)
        report(m_total);
}

// Until the gap has passed, the clock is read again only every thousandth of the work.
void ProgressPace::reportIfDue(qint64 done)
{
    if (m_sinceReport.elapsed() < ShortestGapMs) {
        m_nextCheck = done + std::max<qint64>(1, m_total / 1000);
        return;
    }
    report(std::min(done, m_total));
}

void ProgressPace::report(qint64 done)
{
    m_reported = done;
    // The next whole percent; a total of fewer than a hundred steps reports at most once a step.
    m_nextCheck = done + std::max<qint64>(1, (m_total + 99) / 100);
    m_sinceReport.start();
    if (m_report)
        m_report(done, m_total);
}
