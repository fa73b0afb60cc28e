#pragma once
// Shared pieces of the graph benchmarks: a host with a fixed maximum, the
// values of a sample run, and timing helpers.

#include "graph/SequencerGraphForm.h"
#include "bench/ProcessMemory.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

struct TBenchHost : TSequencerGraphHost {
    int maxAtt = 70;
    int CommonMaxAtt() const override { return maxAtt; }
    std::string DocumentsFolder() const override { return "/tmp"; }
    void ReportError(const std::string& text) override { std::fprintf(stderr, "error: %s\n", text.c_str()); }
};

// The value (whole decibels) attenuator att (1..8) receives at tick t of a
// sample run: ramps, steps, jumps and holds.
inline int SampleValue(int att, long long t) {
    const int phase = static_cast<int>(t % 1200);
    switch (att) {
    case 1: return std::min(60, phase / 10);                       // ramp, then hold
    case 2: return 10 * ((phase / 150) % 6);                        // staircase
    case 3: return phase < 600 ? phase / 12 : (1200 - phase) / 12;  // triangle
    case 4: return phase < 500 ? 20 : 50;                           // jump
    case 5: return 65 - std::min(60, phase / 12);                   // falling ramp
    case 6: return 5 + 10 * ((phase / 200) % 4);                    // wide steps
    case 7: return (phase / 100) % 2 ? 35 : 15;                     // square wave
    default: return 45;                                             // level
    }
}

inline std::string AttText(int value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "ATT 0 %.3d", value);
    return buf;
}

// One tick's delivery as the sequencer engine makes it.
inline void DeliverTick(TSequencerGraphForm& form, long long t) {
    form.AdvanceTime(100);
    for (int att = 1; att <= 8; ++att) form.AddAttCommand(att, AttText(SampleValue(att, t)));
}

inline double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}


inline void UseOffscreenByDefault() {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}
