#pragma once
// Where a bench run's ticks go: attenuator n's command becomes the pending
// command of box n's link, with a ticket from the run's record that follows
// it to the wire. A link that cannot take a command (down, not yet in
// automatic mode) is given none, and its record row says so: one left
// pending would go out when it reconnects, after its read-back. The run
// hears of each command a link wrote. When a link comes back during the
// run, the run's present value for its box goes out again at the end of
// the next tick (unless that tick gave the box a command of its own), and
// its row says "catch-up". GUI thread only.

#include "benchcore/BenchRun.h"
#include "sequencer/PostRelay.h"
#include "sequencer/SequencerThread.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class TBenchRunDelivery : public TSequencerDelivery {
public:
    using TWritten = std::function<void(int n, const std::string& command)>;
    using TTicked = std::function<void(int elapsedMs)>;

    TBenchRunDelivery(TBenchRunHost& host, TRunRecord& record, TWritten written, TTicked ticked);
    ~TBenchRunDelivery() override;
    TBenchRunDelivery(const TBenchRunDelivery&) = delete;
    TBenchRunDelivery& operator=(const TBenchRunDelivery&) = delete;

    // Box n's link became usable (or stopped being).
    void LinkUsable(int n, bool usable);

    void AdvanceTime(int elapsedMs) override;
    // Boxes and curves are the observers' business: the engine shows nothing.
    bool GraphVisible() const override { return false; }
    bool MainVisible() const override { return false; }
    void AddAttCommand(int, const std::string&) override {}
    void ShowLinkAnswer(int, const std::string&) override {}
    bool AttEnabled(int att) const override;
    int AttMaxAtt(int att) const override;
    bool AttUsable(int att) const override;
    void SetPendingCommand(int att, const std::string& command, bool limited) override;
    void WithdrawPending() override;
    void TickDelivered() override;

private:
    static constexpr int Count = 8;
    struct TBoxRun {
        std::string Command;     // the run's present command for the box
        bool Limited = false;
        bool Usable = false;     // its link, as last told
        bool CatchUp = false;    // the present command goes out again
    };
    static bool IsBox(int att) { return att >= 1 && att <= Count; }
    void Post(int att, const std::string& command, bool limited, bool catchUp);
    void Written(std::uint64_t serial, bool sent);

    TBenchRunHost& host_;
    TRunRecord& record_;
    TWritten written_;
    TTicked ticked_;
    std::array<TBoxRun, Count + 1> boxes_;  // [1..8]
    std::map<std::uint64_t, std::pair<int, std::string>> inFlight_;  // by serial: box, command
    std::shared_ptr<TPostRelay> relay_;
};
