#include "quitsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace
{

constexpr int Heard[] = {SIGTERM, SIGHUP, SIGINT};
int pipeEnds[2] = {-1, -1};

extern "C" void writeToPipe(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    (void)::write(pipeEnds[1], &number, 1);
    errno = saved;
}

void handle(void (*handler)(int))
{
    struct sigaction action {
    };
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : Heard)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

// Without a pipe the signals keep ending the program as they always did.
QuitSignals::QuitSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::readPipe);
    handle(writeToPipe);
}

QuitSignals::~QuitSignals()
{
    if (!m_notifier)
        return;
    handle(SIG_DFL);
    delete m_notifier; // it watches the pipe, which goes next
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void QuitSignals::readPipe()
{
    unsigned char number;
    while (::read(pipeEnds[0], &number, 1) == 1)
        emit received(number);
}
