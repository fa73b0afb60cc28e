#include "support/SignalEvents.h"

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte naming the signal.
void OnSignal(int signal) {
    const char b = static_cast<char>(signal);
    [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &b, 1);
}

}  // namespace

void CallOnSignals(QObject* context, std::function<void(int signal)> onSignal) {
    if (g_pipe[0] < 0) {
        if (::pipe(g_pipe) != 0) return;
        for (int fd : g_pipe) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    }
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [onSignal = std::move(onSignal)] {
        char buf[16];
        const ssize_t n = ::read(g_pipe[0], buf, sizeof buf);
        for (ssize_t i = 0; i < n; ++i) onSignal(static_cast<unsigned char>(buf[i]));
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &sa, nullptr);
}
