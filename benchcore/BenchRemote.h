#pragma once
// The remote core over the bench: told of everything the bench's boxes
// show and of the end of every verified set, so that SCPI (and any other
// way in) answers from the bench itself. GUI thread only.

#include "benchcore/Bench.h"
#include "remote/RemoteCore.h"

class TBenchRemote : public TBenchObserver {
public:
    explicit TBenchRemote(TBench& bench) : bench_(bench), core_(bench) { bench_.AddObserver(this); }
    ~TBenchRemote() override { bench_.RemoveObserver(this); }
    TBenchRemote(const TBenchRemote&) = delete;
    TBenchRemote& operator=(const TBenchRemote&) = delete;

    TRemoteCore& Core() { return core_; }

    void BoxShown(int n, TBoxFact fact, const std::string& text) override { core_.BoxShown(n, fact, text); }
    void SetEnded(int n, const TSetOutcome& outcome) override { core_.SetEnded(n, outcome); }

private:
    TBench& bench_;
    TRemoteCore core_;
};
