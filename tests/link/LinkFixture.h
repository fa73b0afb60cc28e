#pragma once
// A rack link against one simulated attenuator on a loopback address of the
// test's own, with every report the link makes recorded.

#include "tests/testsupport/FastLinkTimings.h"
#include "tools/simulator/RackSimulator.h"
#include "tests/testsupport/TestSupport.h"
#include "link/TovarinThread.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

struct TLinkEvent {
    long long ms;
    int status;          // -1 for an answer
    std::string answer;  // the text given to ShowLinkAnswer
};

class TRecordingView : public TLinkView {
public:
    void ShowLinkStatus(TTovarinThread*, int status) override {
        events.push_back({MonotonicMs(), status, {}});
    }
    void ShowLinkAnswer(TTovarinThread*, const std::string& text) override {
        events.push_back({MonotonicMs(), -1, text});
    }
    void LinkSetEnded(TTovarinThread*, const TSetOutcome& outcome) override { ends.push_back(outcome); }
    std::vector<int> Statuses() const {
        std::vector<int> s;
        for (const auto& e : events)
            if (e.status >= 0) s.push_back(e.status);
        return s;
    }
    std::vector<std::string> Answers() const {
        std::vector<std::string> a;
        for (const auto& e : events)
            if (e.status < 0) a.push_back(e.answer);
        return a;
    }
    int Count(int status) const {
        int n = 0;
        for (const auto& e : events) n += e.status == status;
        return n;
    }
    std::vector<TLinkEvent> events;
    std::vector<TSetOutcome> ends;  // every verified set's end, in order
};

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ip = TRackSimulator::FreeLoopbackAddress(10001, 1);
        TSimAttenuator a;
        a.ip = ip;
        a.port = 10001;
        a.name = "LAB1";
        a.attenuation = 100;
        att = sim.Add(a);
        sim.Start();
    }
    void TearDown() override {
        link.reset();
        sim.Stop();
    }
    void StartLink(const TLinkTimings& timings = FastTimings()) {
        link = std::make_unique<TTovarinThread>(&view, timings);
        link->SetReadyCaption("Wait...");
        link->SetTargetHost(ip);
        link->SetTargetPort("10001");
        link->SetDeviceId("000000");
        link->Start();
    }
    // Waits until the link is idle after connecting: its value was read.
    bool WaitReady(int timeoutMs = 10000) {
        return WaitUntil([&] { return !view.Answers().empty() && StartsWithSta(view.Answers().back()); },
                         timeoutMs);
    }
    static bool StartsWithSta(const std::string& s) { return s.rfind("STA", 0) == 0 || s.rfind("ATT", 0) == 0; }
    std::vector<std::string> Wire() const {
        std::vector<std::string> w;
        for (const auto& l : sim.Lines(att)) w.push_back(l.line);
        return w;
    }
    int CountOnWire(const std::string& line) const {
        int n = 0;
        for (const auto& l : sim.Lines(att)) n += l.line == line;
        return n;
    }
    void SetFaults(const std::function<void(TSimFaults&)>& change) {
        TSimFaults f = sim.Faults(att);
        change(f);
        sim.SetFaults(att, f);
    }

    TRackSimulator sim;
    std::string ip;
    int att = 0;
    TRecordingView view;
    std::unique_ptr<TTovarinThread> link;
};
