#pragma once
// The front panel's side of the sequencer: where a run's ticks go (the
// links' pending commands, the attenuator boxes and the graph window), and
// what the sequence windows read from the main window.

#include "sequencer/SequencerForm.h"
#include "sequencer/SequencerThread.h"

#include <array>

class TMainForm;
class TSequencerGraphForm;

// Delivers each tick of a run: attenuator n's command becomes link n's
// pending command (with the ticket that follows it to the wire), is shown in
// box n while the main window is visible, and is plotted while the graph
// window is visible. A link that cannot take a command (down, or not yet in
// automatic mode) is given none: one left pending would go out when it
// reconnects, after its read-back has shown the attenuator's real value in
// the box.
class TFrontPanelDelivery : public TSequencerDelivery {
public:
    TFrontPanelDelivery(TMainForm& main, TSequencerGraphForm& graph) : main_(main), graph_(graph) {}

    void AdvanceTime(int elapsedMs) override;
    bool GraphVisible() const override;
    void AddAttCommand(int att, const std::string& text) override;
    bool AttEnabled(int att) const override;
    int AttMaxAtt(int att) const override;
    bool AttUsable(int att) const override;
    void SetPendingCommand(int att, const std::string& command, bool limited) override;
    void SetPostTicket(int att, TPostTicket ticket) override;
    void WithdrawPending() override;
    bool MainVisible() const override;
    void ShowLinkAnswer(int att, const std::string& command) override;

private:
    TMainForm& main_;
    TSequencerGraphForm& graph_;
    std::array<TPostTicket, 9> tickets_;  // [att] for its next command
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
    std::string ConfigFile() const override;
    TProfileAtt ProfileAtt(int n) const override;

private:
    TMainForm& main_;
};

// The "&Sequencer" entry: the sequence list window, modal, made anew.
void OpenSequencerList(TMainForm& main);
