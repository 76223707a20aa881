#pragma once

#include <QDate>
#include <QDateTime>

#include <cstddef>
#include <vector>

// Which of a diary's copies are kept: every copy of the `days` latest days that have one (a copy is made on
// each day the diary changes), and the newest copy of each of the `months` calendar months up to today's.
// Where what is kept would take more than `sizeBound` bytes (0: no bound), the copies kept only for their
// month go, oldest first, until it does not; the copies of the latest days always stay.
struct RetentionRule {
    int days = 7;
    int months = 12;
    qint64 sizeBound = 0;
};

struct CopyAge {
    QDateTime taken;
    qint64 size = 0;
};

// The places in `copies` of the copies `rule` lets go on `today`, in ascending order.
std::vector<std::size_t> copiesToRemove(const std::vector<CopyAge>& copies, const QDate& today,
                                        const RetentionRule& rule);
