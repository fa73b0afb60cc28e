#pragma once
// Runs over real links to the rack simulator: a delivery that posts each
// tick's commands to the links and keeps what it posted, tick by tick.

#include "link/TovarinThread.h"
#include "sequencer/SequencerThread.h"
#include "support/TextFields.h"
#include "tests/testsupport/TestSupport.h"
#include "tools/simulator/RackSimulator.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

class TLinkDelivery : public TSequencerDelivery, public TLinkView {
public:
    void AdvanceTime(int) override {
        ++ticks;
        posted.emplace_back();
    }
    bool GraphVisible() const override { return false; }
    void AddAttCommand(int, const std::string&) override {}
    bool AttEnabled(int att) const override {
        return att >= 1 && att <= static_cast<int>(links.size()) && links[att - 1]->Enabled();
    }
    int AttMaxAtt(int att) const override { return links[att - 1]->MaxAtt(); }
    void SetPendingCommand(int att, const std::string& command, bool limited) override {
        links[att - 1]->SetPendingCommand(command, std::move(tickets[att]));
        if (limited) this->limited.push_back(command);
        if (!posted.empty()) posted.back()[att - 1] = command;
    }
    void SetPostTicket(int att, TPostTicket ticket) override { tickets[att] = std::move(ticket); }
    void WithdrawPending() override {
        for (TTovarinThread* link : links) link->WithdrawTracked();
    }
    bool MainVisible() const override { return false; }
    void ShowLinkAnswer(int, const std::string&) override {}
    void ShowLinkStatus(TTovarinThread*, int) override {}
    void ShowLinkAnswer(TTovarinThread* link, const std::string& text) override {
        if (StartsWith(text, "STA")) ready.push_back(link);
    }

    // Links to ports 10001.. of ip, started.
    void StartLinks(const std::string& ip, int count, const TLinkTimings& timings) {
        for (int k = 0; k < count; ++k) {
            owned.push_back(std::make_unique<TTovarinThread>(this, timings));
            links.push_back(owned.back().get());
            links.back()->SetTargetHost(ip);
            links.back()->SetTargetPort(std::to_string(10001 + k));
            links.back()->Start();
        }
    }

    // Links to attenuators 10001.. at ip; waits until each has read its
    // attenuation back.
    bool Connect(const std::string& ip, int count) {
        TLinkTimings timings;
        timings.ReadTimeout = 1000;
        timings.ConnectTimeout = 3000;
        StartLinks(ip, count, timings);
        return WaitUntil([&] { return ready.size() >= static_cast<std::size_t>(count); }, 20000);
    }

    std::vector<std::unique_ptr<TTovarinThread>> owned;
    std::vector<TTovarinThread*> links;
    std::vector<TTovarinThread*> ready;
    std::vector<std::array<std::string, 8>> posted;  // per delivered tick
    std::array<TPostTicket, 9> tickets;
    std::vector<std::string> limited;
    int ticks = 0;
};

// The attenuation commands attenuator index k of sim has received.
inline std::vector<TSimLine> ReceivedCommands(const TRackSimulator& sim, int k) {
    std::vector<TSimLine> got;
    for (const auto& l : sim.Lines(k))
        if (StartsWith(l.line, "ATT")) got.push_back(l);
    return got;
}
