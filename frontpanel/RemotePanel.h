#pragma once
// The desktop's panel for the remote control: the bench core, with what
// only the desktop has (the boxes that show a script's set as if typed, the
// sequence list window being open, runs through that window), and the one
// remote core that the D-Bus adaptor and the SCPI server both call. Told by
// the bench of everything its boxes show and of the end of every verified
// set. GUI thread only.

#include "benchcore/Bench.h"
#include "frontpanel/RemoteSequences.h"
#include "remote/RemoteCore.h"

class TMainForm;

class TFrontPanelRemote : public TRemotePanel, public TBenchObserver {
public:
    explicit TFrontPanelRemote(TMainForm& form);
    ~TFrontPanelRemote() override;
    TFrontPanelRemote(const TFrontPanelRemote&) = delete;
    TFrontPanelRemote& operator=(const TFrontPanelRemote&) = delete;

    TRemoteCore& Core() { return core_; }

    // --- TBenchObserver ---
    void BoxShown(int n, TBoxFact fact, const std::string& text) override { core_.BoxShown(n, fact, text); }
    void SetEnded(int n, const TSetOutcome& outcome) override { core_.SetEnded(n, outcome); }

    // --- TRemotePanel ---
    TRemoteBox Box(int n) const override { return bench_.Box(n); }
    int LinkMaxAtt(int n) const override { return bench_.LinkMaxAtt(n); }
    int CommonMaxAtt() const override { return bench_.CommonMaxAtt(); }
    bool SequencerOpen() const override;
    bool HoldsInput() const override { return bench_.HoldsInput(); }
    std::uint64_t SetByHand(int n, int value) override;
    void Rename(int n, const std::string& name) override { bench_.ApplyName(n, name); }
    void RefreshLink(int n) override { bench_.RequestLinkRefresh(n); }
    std::vector<TRemoteSet> ParkRound() override { return bench_.ParkRound(); }
    void RunSequences(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed) override;
    void StopSequences(TRemoteDone done) override;
    bool SequencesRunning() const override { return sequences_.Running() || bench_.SequencesRunning(); }
    // The sequence list window shows an armed run as it shows a script's run.
    void LoadSequences(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed) override;
    std::optional<TRemoteRefusal> StartSequences(std::optional<std::chrono::system_clock::time_point> at) override {
        return bench_.StartSequences(at);
    }
    bool SequencesArmed() const override { return bench_.SequencesArmed(); }
    std::optional<std::chrono::system_clock::time_point> SequencesStartInstant() const override {
        return bench_.SequencesStartInstant();
    }
    std::optional<std::chrono::system_clock::time_point> SequencesFirstTick() const override {
        return bench_.SequencesFirstTick();
    }

private:
    TMainForm& form_;
    TBench& bench_;
    TRemoteSequences sequences_;
    TRemoteCore core_;
};
