#pragma once
// The service's side of systemd's notification protocol (sd_notify): the
// readiness, a status line, the stopping, and the watchdog's keep-alive,
// sent from the event loop at half the interval systemd asks for, so that
// a hung loop is restarted. Without a NOTIFY_SOCKET (started by hand) every
// call does nothing. Main thread only.

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <string>

class TSystemdNotify {
public:
    TSystemdNotify();

    void Ready();
    void Stopping();
    // "STATUS=text", only when it differs from the last one.
    void Status(const std::string& text);
    // The watchdog interval systemd asks for, in microseconds (0: none).
    std::uint64_t WatchdogUsec() const { return watchdogUsec_; }

private:
    void Send(const std::string& state);

    std::uint64_t watchdogUsec_ = 0;
    std::string status_;
    QObject context_;
    QTimer watchdog_{&context_};
};
