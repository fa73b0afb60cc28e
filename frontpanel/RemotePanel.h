#pragma once
// The front panel as the remote control sees it: the boxes, the hand-change
// and naming paths, the refresh, the parking rule and the sequence list
// window of the main window, and the one remote core that the D-Bus
// adaptor and the SCPI server both call. Told of everything the boxes show
// and of the end of every verified set. GUI thread only.

#include "frontpanel/RemoteSequences.h"
#include "remote/RemoteCore.h"

class TMainForm;

class TFrontPanelRemote : public TRemotePanel {
public:
    explicit TFrontPanelRemote(TMainForm& form);
    ~TFrontPanelRemote() override;

    TRemoteCore& Core() { return core_; }

    TRemoteBox Box(int n) const override;
    int LinkMaxAtt(int n) const override;
    int CommonMaxAtt() const override;
    bool SequencerOpen() const override;
    bool HoldsInput() const override;
    std::uint64_t SetByHand(int n, int value) override;
    void Rename(int n, const std::string& name) override;
    void RefreshLink(int n) override;
    std::vector<TRemoteSet> ParkRound() override;
    void RunSequences(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed) override;
    void StopSequences(TRemoteDone done) override;
    bool SequencesRunning() const override { return sequences_.Running(); }

private:
    TMainForm& form_;
    TRemoteSequences sequences_;
    TRemoteCore core_;
};
