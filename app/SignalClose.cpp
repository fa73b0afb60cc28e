#include "app/SignalClose.h"

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void OnSignal(int) {
    const char b = 1;
    [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &b, 1);
}

}  // namespace

void InstallCloseOnSignal(QObject* context, std::function<void()> onSignal) {
    if (g_pipe[0] < 0) {
        if (::pipe(g_pipe) != 0) return;
        for (int fd : g_pipe) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    }
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [onSignal = std::move(onSignal)] {
        char buf[16];
        [[maybe_unused]] ssize_t n = ::read(g_pipe[0], buf, sizeof buf);
        onSignal();
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    // The desktop program has no other use for a hangup (its terminal or
    // session went away): it ends like the other two.
    ::sigaction(SIGHUP, &sa, nullptr);
}
