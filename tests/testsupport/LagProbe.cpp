#include "tests/testsupport/LagProbe.h"

#include <cstdio>

TLagProbe::TLagProbe(int periodMs) : period_(periodMs) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(periodMs);
    connect(&timer_, &QTimer::timeout, this, &TLagProbe::Tick);
    Reset();
    Resume();
}

TLagProbe::~TLagProbe() { std::fprintf(stderr, "event-loop lag: longest %lld ms\n", static_cast<long long>(maxLag_)); }

void TLagProbe::Reset() {
    clock_.start();
    last_ = 0;
    maxLag_ = 0;
}

void TLagProbe::Suspend() {
    timer_.stop();
}

void TLagProbe::Resume() {
    last_ = clock_.elapsed();
    timer_.start();
}

void TLagProbe::Tick() {
    const qint64 now = clock_.elapsed();
    maxLag_ = std::max(maxLag_, now - last_ - period_);
    last_ = now;
}
