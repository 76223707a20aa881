#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <cstdint>

// Time stamps are days since 30 December 1899 in local time: the whole part is the day,
// the fraction the time of day (for days before that date the fraction still counts forward).

// Invalid QDateTime for NaN, infinities and days outside the years 1..9999.
QDateTime stampToDateTime(double stamp);
// A time in UTC or another zone is converted to local time first; an invalid QDateTime gives NaN.
double dateTimeToStamp(const QDateTime& local);
// The day of a stamp without its time; invalid where stampToDateTime is. Cheap: no time-zone work.
QDate stampDate(double stamp);
double currentStamp();

// "dd.MM.yyyy HH:mm:ss", or the date alone when the time is 00:00:00 (milliseconds do not count).
// Never longer than 19 characters; a stamp without a date reads "??.??.????".
QString stampText(double stamp);
// The stamp in whole seconds, as far as stampText shows it: two stamps with the same text have the same
// number, and numbers order as the times that the stamps name. Every stamp without a date has the
// lowest number.
std::int64_t stampSeconds(double stamp);
QString shortDateText(const QDate& date); // "dd.MM.yyyy"
QString longTimeText(const QTime& time);  // "HH:mm:ss"
