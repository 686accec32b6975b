#include "core/TerminationWatch.h"

#include "logging/Log.h"

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_writeFd = -1;
const int WatchedSignals[] = { SIGTERM, SIGINT, SIGHUP };

// Only async-signal-safe work here: hand the number to the event loop.
void forwardSignal(int signalNumber)
{
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    if (g_writeFd >= 0)
        (void)::write(g_writeFd, &number, 1);
}

} // namespace

TerminationWatch::TerminationWatch(QObject *parent)
    : QObject(parent)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        QLOG_WARN() << "Unable to watch termination signals";
        return;
    }
    g_writeFd = fds[0];
    m_readFd = fds[1];
    auto *notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationWatch::onSignalPending);

    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : WatchedSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

TerminationWatch::~TerminationWatch()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    for (int signalNumber : WatchedSignals)
        ::sigaction(signalNumber, &action, nullptr);
    if (m_readFd >= 0) {
        ::close(g_writeFd);
        ::close(m_readFd);
        g_writeFd = -1;
    }
}

void TerminationWatch::onSignalPending()
{
    unsigned char number = 0;
    if (::read(m_readFd, &number, 1) == 1) {
        QLOG_INFO() << "Termination signal " << int(number) << " received. Quitting...";
        emit terminationRequested(number);
    }
}

#else

TerminationWatch::TerminationWatch(QObject *parent)
    : QObject(parent)
{
}

TerminationWatch::~TerminationWatch() = default;

void TerminationWatch::onSignalPending()
{
}

#endif
