#include "dayclock.h"

#include <algorithm>

namespace
{

// A computer that slept past midnight is caught up within this; a timer set for midnight would fire late.
constexpr qint64 LongestWaitMs = 60 * 1000;

} // namespace

DayClock::DayClock(QObject* parent) : QObject(parent), m_clock([] { return QDateTime::currentDateTime(); })
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DayClock::check);
    m_today = m_clock().date();
    check();
}

void DayClock::setClock(Clock clock)
{
    m_clock = std::move(clock);
    check();
}

// Wakes at midnight, a moment after it so as not to wake just before, or within a minute.
void DayClock::check()
{
    const QDateTime now = m_clock();
    if (now.date() != m_today) {
        m_today = now.date();
        emit dayTurned(m_today);
    }
    const qint64 toMidnight = now.msecsTo(now.date().addDays(1).startOfDay()) + 50;
    m_timer.start(int(std::clamp<qint64>(toMidnight, 1, LongestWaitMs)));
}
