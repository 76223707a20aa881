#include "stamp.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace
{

constexpr std::int64_t MsecsPerDay = 86400000;
// 30 December 1899 counted from 1 January 1970, and its Julian day.
constexpr std::int64_t EpochFromUnix = -25569;
constexpr qint64 EpochJulianDay = 2415019;
// 1 January 1 and 31 December 9999 counted from 30 December 1899.
constexpr std::int64_t FirstDay = -693593;
constexpr std::int64_t LastDay = 2958465;

struct CivilDate {
    int year;
    int month;
    int day;
};

// Proleptic Gregorian date of a day counted from 1 January 1970 (H. Hinnant's civil_from_days).
constexpr CivilDate civilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}
static_assert(civilFromDays(EpochFromUnix).year == 1899 && civilFromDays(EpochFromUnix).day == 30);
static_assert(civilFromDays(FirstDay + EpochFromUnix).year == 1);
static_assert(civilFromDays(LastDay + EpochFromUnix).year == 9999);
static_assert(civilFromDays(LastDay + 1 + EpochFromUnix).year == 10000);

struct SplitStamp {
    std::int64_t day; // counted from 30 December 1899
    std::int64_t msecs;
};

// Whole part the day, fraction the time of day counting forward even for days before the epoch.
// False for stamps that name no day of the years 1..9999.
bool splitStamp(double stamp, SplitStamp& out)
{
    // Bounds are checked before any conversion to an integer, which would be undefined out of range.
    if (!(stamp > double(FirstDay - 1) && stamp < double(LastDay + 1)))
        return false;
    const double whole = std::trunc(stamp);
    std::int64_t day = static_cast<std::int64_t>(whole);
    std::int64_t msecs = std::llround(std::fabs(stamp - whole) * double(MsecsPerDay));
    // A time that rounds to midnight is the next day's start; before the epoch that day has the next
    // higher number, whose start is a whole number again and no longer this stamp's day: such a time
    // stays the last moment of its own day.
    if (msecs >= MsecsPerDay) {
        if (stamp < 0) {
            msecs = MsecsPerDay - 1;
        } else {
            msecs -= MsecsPerDay;
            ++day;
        }
    }
    if (day < FirstDay || day > LastDay)
        return false;
    out = {day, msecs};
    return true;
}

char16_t* putTwoDigits(char16_t* out, int value)
{
    *out++ = char16_t(u'0' + value / 10);
    *out++ = char16_t(u'0' + value % 10);
    return out;
}

char16_t* putDate(char16_t* out, int year, int month, int day)
{
    out = putTwoDigits(out, day);
    *out++ = u'.';
    out = putTwoDigits(out, month);
    *out++ = u'.';
    out = putTwoDigits(out, year / 100);
    return putTwoDigits(out, year % 100);
}

char16_t* putTime(char16_t* out, int hour, int minute, int second)
{
    out = putTwoDigits(out, hour);
    *out++ = u':';
    out = putTwoDigits(out, minute);
    *out++ = u':';
    return putTwoDigits(out, second);
}

QString fromBuffer(const char16_t* begin, const char16_t* end)
{
    return QString(reinterpret_cast<const QChar*>(begin), end - begin);
}

const QString UnknownDate = QStringLiteral("??.??.????");

} // namespace

QDateTime stampToDateTime(double stamp)
{
    SplitStamp split;
    if (!splitStamp(stamp, split))
        return {};
    return QDateTime(stampDate(stamp), QTime::fromMSecsSinceStartOfDay(int(split.msecs)));
}

QDate stampDate(double stamp)
{
    SplitStamp split;
    if (!splitStamp(stamp, split))
        return {};
    return QDate::fromJulianDay(EpochJulianDay + split.day);
}

double dateTimeToStamp(const QDateTime& local)
{
    if (!local.isValid())
        return std::numeric_limits<double>::quiet_NaN();
    const QDateTime inLocal = local.toLocalTime();
    const double days = double(inLocal.date().toJulianDay() - EpochJulianDay);
    const double fraction = double(inLocal.time().msecsSinceStartOfDay()) / double(MsecsPerDay);
    // Before the epoch the fraction still counts forward from the start of the day, so it is
    // taken away from a negative day number.
    return days < 0 ? days - fraction : days + fraction;
}

double currentStamp()
{
    return dateTimeToStamp(QDateTime::currentDateTime());
}

std::int64_t stampSeconds(double stamp)
{
    SplitStamp split;
    if (!splitStamp(stamp, split))
        return std::numeric_limits<std::int64_t>::min();
    return split.day * 86400 + split.msecs / 1000;
}

QString stampText(double stamp)
{
    SplitStamp split;
    if (!splitStamp(stamp, split))
        return UnknownDate;
    const CivilDate date = civilFromDays(split.day + EpochFromUnix);
    const auto seconds = static_cast<int>(split.msecs / 1000);

    char16_t buffer[19];
    char16_t* out = putDate(buffer, date.year, date.month, date.day);
    if (seconds != 0) {
        *out++ = u' ';
        out = putTime(out, seconds / 3600, seconds / 60 % 60, seconds % 60);
    }
    return fromBuffer(buffer, out);
}

QString shortDateText(const QDate& date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return UnknownDate;
    char16_t buffer[10];
    return fromBuffer(buffer, putDate(buffer, date.year(), date.month(), date.day()));
}

QString longTimeText(const QTime& time)
{
    if (!time.isValid())
        return QStringLiteral("??:??:??");
    char16_t buffer[8];
    return fromBuffer(buffer, putTime(buffer, time.hour(), time.minute(), time.second()));
}
