#pragma once

#include <QDate>

#include <vector>

// The days on which the entries of a diary were saved, known once its stamps have been read and kept
// true by each added entry: what the calendar of the date search marks without reading the diary again.
class WrittenDays
{
public:
    bool isKnown() const { return m_known; }
    // The days of `stamps`; a stamp that names no day marks none.
    void fill(const std::vector<double>& stamps);
    // An entry saved on `day` joined the diary. Nothing while the days are not known.
    void add(const QDate& day);
    // The entries changed in a way that only reading their stamps again can follow.
    void forget();
    // The known days from `first` to `last`, both included, in order; none unless both are dates.
    std::vector<QDate> between(const QDate& first, const QDate& last) const;

private:
    std::vector<qint64> m_days; // Julian day numbers, ascending, each once
    bool m_known = false;
};
