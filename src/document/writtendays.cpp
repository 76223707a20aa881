#include "writtendays.h"

#include "store/stamp.h"

#include <algorithm>

void WrittenDays::fill(const std::vector<double>& stamps)
{
    m_days.clear();
    m_days.reserve(stamps.size());
    for (const double stamp : stamps) {
        const QDate day = stampDate(stamp);
        // Entries come in the order they were saved, so most days repeat the one before.
        if (day.isValid() && (m_days.empty() || m_days.back() != day.toJulianDay()))
            m_days.push_back(day.toJulianDay());
    }
    std::sort(m_days.begin(), m_days.end());
    m_days.erase(std::unique(m_days.begin(), m_days.end()), m_days.end());
    m_known = true;
}

void WrittenDays::add(const QDate& day)
{
    if (!m_known || !day.isValid())
        return;
    const auto place = std::lower_bound(m_days.begin(), m_days.end(), day.toJulianDay());
    if (place == m_days.end() || *place != day.toJulianDay())
        m_days.insert(place, day.toJulianDay());
}

void WrittenDays::forget()
{
    m_days.clear();
    m_known = false;
}

std::vector<QDate> WrittenDays::between(const QDate& first, const QDate& last) const
{
    std::vector<QDate> days;
    if (!first.isValid() || !last.isValid())
        return days;
    const auto end = std::upper_bound(m_days.begin(), m_days.end(), last.toJulianDay());
    for (auto day = std::lower_bound(m_days.begin(), m_days.end(), first.toJulianDay()); day < end; ++day)
        days.push_back(QDate::fromJulianDay(*day));
    return days;
}
