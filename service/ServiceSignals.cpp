#include "service/ServiceSignals.h"

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void OnSignal(int signal) {
    const char b = signal == SIGHUP ? 'h' : 's';
    [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &b, 1);
}

}  // namespace

void InstallServiceSignals(QObject* context, std::function<void()> onStop, std::function<void()> onReload) {
    if (g_pipe[0] < 0) {
        if (::pipe(g_pipe) != 0) return;
        for (int fd : g_pipe) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    }
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [onStop = std::move(onStop), onReload = std::move(onReload)] {
                         char buf[16];
                         const ssize_t n = ::read(g_pipe[0], buf, sizeof buf);
                         for (ssize_t i = 0; i < n; ++i) (buf[i] == 'h' ? onReload : onStop)();
                     });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &sa, nullptr);
}
