#include "link/TerminationSignals.h"

#include <QSocketNotifier>

#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

#ifndef _WIN32
// Written by the signal handler (the signal's number as one byte), read on
// the owner's thread.
int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int signal) {
    const auto byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}
#endif

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
#ifndef _WIN32
    if (g_signalPipe[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(g_signalPipe[0], &byte, 1) == 1) emit Received(static_cast<unsigned char>(byte));
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
#endif
}

TerminationSignals::~TerminationSignals() {
#ifndef _WIN32
    if (m_notifier == nullptr) return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
#endif
}
