#pragma once
// The front panel's side of the sequencer: where a run's ticks go (the
// links' pending commands, the attenuator boxes and the graph window), and
// what the sequence windows read from the main window.

#include "sequencer/SequencerForm.h"
#include "sequencer/SequencerThread.h"

class TMainForm;
class TSequencerGraphForm;

// Delivers each tick of a run: attenuator n's command becomes link n's
// pending command, is shown in box n while the main window is visible, and
// is plotted while the graph window is visible.
class TFrontPanelDelivery : public TSequencerDelivery {
public:
    TFrontPanelDelivery(TMainForm& main, TSequencerGraphForm& graph) : main_(main), graph_(graph) {}

    void AdvanceTime(int elapsedMs) override;
    bool GraphVisible() const override;
    void AddAttCommand(int att, const std::string& text) override;
    bool AttEnabled(int att) const override;
    void SetPendingCommand(int att, const std::string& command) override;
    bool MainVisible() const override;
    void ShowLinkAnswer(int att, const std::string& command) override;

private:
    TMainForm& main_;
    TSequencerGraphForm& graph_;
};

// The main window as the sequence windows see it.
class TFrontPanelSequencerHost : public TSequencerHost {
public:
    explicit TFrontPanelSequencerHost(TMainForm& main) : main_(main) {}

    int CommonMaxAtt() const override;
    std::string AttCaption(int n) const override;
    std::string SequencesDir() const override;
    void SetSequencesDir(const std::string& dir) override;
    TSequencerGraphHost& GraphHost() override;
    bool MainVisible() const override;
    void SetMainVisible(bool visible) override;
    std::unique_ptr<TSequencerDelivery> MakeDelivery(TSequencerGraphForm& graph) override;
    TRecordedAtt RecordedAtt(int n) const override;
    TProfileAtt ProfileAtt(int n) const override;

private:
    TMainForm& main_;
};

// The "&Sequencer" entry: the sequence list window, modal, made anew.
void OpenSequencerList(TMainForm& main);
