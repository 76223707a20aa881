#pragma once

#include <QObject>

class QSocketNotifier;

// The signals by which a desktop or a terminal ends a program, SIGTERM, SIGHUP and SIGINT (a shutdown, a
// closed terminal, a session manager's last word), heard in the event loop rather than ending the program
// where it stands. The handler only writes the signal's number to a pipe, all a signal handler may safely
// do; the event loop reads it there. One at a time in a program.
class QuitSignals : public QObject
{
    Q_OBJECT

public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void received(int signal);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};
