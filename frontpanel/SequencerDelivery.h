#pragma once
// The front panel's side of the sequencer: where a run's ticks go (the
// links' pending commands, the attenuator boxes and the graph window), and
// what the sequence windows read from the main window.

#include "sequencer/PostRelay.h"
#include "sequencer/SequencerForm.h"
#include "sequencer/SequencerThread.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

class TMainForm;
class TSequencerGraphForm;

// Delivers each tick of a run: attenuator n's command becomes link n's
// pending command (with the ticket that follows it to the wire), is shown in
// box n while the main window is visible, and is plotted while the graph
// window is visible. A link that cannot take a command (down, or not yet in
// automatic mode) is given none: one left pending would go out when it
// reconnects, after its read-back has shown the attenuator's real value in
// the box.
//
// The box and the curve show what the attenuator holds: a command's value
// appears once its link has written it, never when the link could not
// (the connection was found closed, or a newer command replaced it), and
// every value a link reads back from its attenuator (after a reconnection)
// is a point of its curve as well.
class TFrontPanelDelivery : public TSequencerDelivery {
public:
    TFrontPanelDelivery(TMainForm& main, TSequencerGraphForm& graph);
    ~TFrontPanelDelivery() override;
    TFrontPanelDelivery(const TFrontPanelDelivery&) = delete;
    TFrontPanelDelivery& operator=(const TFrontPanelDelivery&) = delete;

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
    // A command handed to a link and not yet written, with where its value
    // is to be shown once it is.
    struct TInFlight {
        int Att = 0;
        std::string Command;
        bool Box = false;
        bool Curve = false;
    };
    void Written(std::uint64_t serial, bool sent);
    void ShowInBox(int att, const std::string& command);
    void ReadBack(int att, int value);
    TInFlight* Latest(int att, const std::string& command);

    TMainForm& main_;
    TSequencerGraphForm& graph_;
    std::array<TPostTicket, 9> tickets_;  // [att] for its next command
    std::shared_ptr<TPostRelay> wire_;  // hears from the links what became of each command
    std::map<std::uint64_t, TInFlight> inFlight_;  // by serial
    std::array<std::uint64_t, 9> latest_{};        // [att]: serial of its last command
    bool showingOwn_ = false;  // a value of the run is being shown, not read back
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
