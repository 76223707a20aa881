#pragma once

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <functional>

// Today's date as the windows show it, and word when it turns: at midnight, and after the computer wakes from
// sleep, whose clock jumps on while timers sleep. The clock is the system's unless a test sets its own.
class DayClock : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit DayClock(QObject* parent = nullptr);

    QDate today() const { return m_today; }
    // Reads the day from `clock` from now on, at once too.
    void setClock(Clock clock);

signals:
    void dayTurned(const QDate& today);

private:
    void check();

    Clock m_clock;
    QDate m_today;
    QTimer m_timer;
};
