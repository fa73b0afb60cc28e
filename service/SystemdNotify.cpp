#include "service/SystemdNotify.h"

#include <systemd/sd-daemon.h>

#include <algorithm>

TSystemdNotify::TSystemdNotify() {
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0 && usec > 0) {
        watchdogUsec_ = usec;
        // Half the interval, and never more often than every 10 ms.
        const auto ms = std::max<std::uint64_t>(10, usec / 2000);
        watchdog_.setInterval(static_cast<int>(std::min<std::uint64_t>(ms, 0x7fffffff)));
        watchdog_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&watchdog_, &QTimer::timeout, &context_, [this] { Send("WATCHDOG=1"); });
        watchdog_.start();
    }
}

void TSystemdNotify::Ready() { Send("READY=1"); }
void TSystemdNotify::Stopping() { Send("STOPPING=1"); }

void TSystemdNotify::Status(const std::string& text) {
    if (text == status_) return;
    status_ = text;
    Send("STATUS=" + text);
}

void TSystemdNotify::Send(const std::string& state) { sd_notify(0, state.c_str()); }
