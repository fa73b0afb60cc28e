#pragma once
// Event-loop lag probe: a 10 ms timer on the GUI thread that records the
// longest time the thread went without getting back to its event loop (the
// gap between two timer events, less the period). Tests hold it below a
// bound while links misbehave; pauses the program takes on purpose are left
// out with Suspend/Resume.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class TLagProbe : public QObject {
public:
    explicit TLagProbe(int periodMs = 10);
    // Prints the longest lag, so that a run's log tells the figure.
    ~TLagProbe() override;
    // The longest lag measured since the start, or since the last Reset.
    qint64 MaxLagMs() const { return maxLag_; }
    void Reset();
    void Suspend();
    void Resume();

private:
    void Tick();

    QTimer timer_;
    QElapsedTimer clock_;
    const int period_;
    qint64 last_ = 0;
    qint64 maxLag_ = 0;
};
