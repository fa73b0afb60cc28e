#pragma once
// The main window: a view of the bench core (TBench), which owns the eight
// rack links, their configuration, the hand path, naming, refresh and the
// parking. It shows one attenuator box and one Name button per link slot as
// the bench tells it, hands the bench what the operator does, keeps the
// application settings and runs the configuration dialog. What belongs to
// the window's moment stays here: the box's change delay and echo, the
// operator's typing, the sequence list being open. The help
// (THelpBinding) is a part it wires.

#include "benchcore/Bench.h"
#include "support/AppSettings.h"
#include "frontpanel/HelpBinding.h"
#include "graph/SequencerGraphForm.h"
#include "link/TovarinThread.h"
#include "remote/RemoteRequests.h"

#include <QEvent>
#include <QMainWindow>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QPushButton;
class QStatusBar;
class TAttGroupBox;

// The event that asks one link to refresh; its box number is 1..8 (any other
// number is ignored). Another program's hook into the running window.
class TLinkRefreshEvent : public QEvent {
public:
    static constexpr QEvent::Type Number = static_cast<QEvent::Type>(1025);
    explicit TLinkRefreshEvent(int box) : QEvent(Number), Box(box) {}
    const int Box;
};

struct TMainFormOptions {
    TLinkTimings LinkTimings;  // the links' pauses and time-outs
    std::string SettingsName = "Quadrell 2x4 Atts Lintera";
    std::string HelpFile;      // empty: beside the program or installed
};

class TMainForm : public QMainWindow, public TBenchObserver, public TSequencerGraphHost {
public:
    static constexpr int SlotCount = TBench::SlotCount;

    explicit TMainForm(const TMainFormOptions& options = TMainFormOptions(), QWidget* parent = nullptr);
    ~TMainForm() override;  // FormDestroy: ends the links, writes the settings

    // The program is told to end (a signal): a run ends as "program
    // closed", every other window closes, the attenuators are parked as at
    // "&Exit" and the event loop ends. Once only: a second call changes
    // nothing.
    void CloseOnSignal();
    bool SignalClosed() const { return signalClosed_; }

    // Start-up: title, help, settings, configuration dialog, links. Returns
    // false when the configuration dialog was cancelled; the window then
    // closes through the normal close path once the event loop runs.
    bool FormCreate();

    // The bench the window shows; it lives as long as the window.
    TBench& Bench() { return *bench_; }
    const TBench& Bench() const { return *bench_; }

    // --- What the bench tells (GUI thread) ---
    void BoxShown(int n, TBoxFact fact, const std::string& text) override;
    // The box's floor and whether its attenuator holds less.
    void BoxChanged(int n, const TBenchBox& box) override;
    // A link's report, as if the link had made it (the sequencer shows the
    // values it sent this way).
    void ShowLinkAnswer(TTovarinThread* link, const std::string& text) { bench_->ShowLinkAnswer(link, text); }

    // --- Operations for the other windows (box numbers n = 1..8) ---
    bool AttEnabled(int n) const;
    // Link n's MaxAtt (0 for any other n or before it identified itself).
    int AttMaxAtt(int n) const override;
    // Box n's caption, as the front panel shows it (empty for any other n).
    std::string AttCaption(int n) const;
    // The name box n shows for its attenuator: the one it reported or was
    // given; empty before that and for a slot without an attenuator.
    std::string AttName(int n) const override;
    // ticket: follows the command to the wire (see TTovarinThread).
    void PostCommand(int n, const std::string& text, TPostTicket ticket = {}) {
        bench_->PostCommand(n, text, std::move(ticket));
    }
    // The bench's verified set; while the sequence list is open the command
    // goes out as it is. Returns the verified set's serial (0 when none
    // went out).
    std::uint64_t SetAttenuator(int n, const std::string& channel, int value);
    // The naming path: box n shows the name (4 characters) and its
    // attenuator is told to keep it.
    void ApplyName(int n, const std::string& name) { bench_->ApplyName(n, name); }
    void RequestLinkRefresh(int n) { bench_->RequestLinkRefresh(n); }  // the refresh message's effect
    int CommonMaxAtt() const override { return bench_->CommonMaxAtt(); }
    std::string DocumentsFolder() const override;
    const std::string& SequencesDir() const { return sequencesDir_; }
    // The desktop keeps its runs' records beside its sequences.
    void SetSequencesDir(const std::string& dir) {
        sequencesDir_ = dir;
        bench_->SetRecordsDir(dir);
    }
    bool SequencerOpen() const { return sequencerOpen_; }
    // The sequence list window's entry: shows it modally. Without one the
    // "&Sequencer" item is disabled.
    void SetSequencerEntry(std::function<void(TMainForm&)> entry);

    // The settings file as read at start-up.
    const TAppSettings& Settings() const { return settings_; }

    // The link slots and the configuration file, as the bench has them.
    const TBenchSlots& ConfigHost() const { return bench_->Slots(); }

    // The application's help request: command 1 with a context number shows
    // the help file there. Returns true when handled.
    bool HelpRequest(int command, int context) { return help_.Request(command, context); }

    // Components, named by their role.
    std::array<TAttGroupBox*, SlotCount> AttGroupBoxes{};
    std::array<QPushButton*, SlotCount> NameButtons{};
    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QStatusBar* StatusBar = nullptr;
    std::array<QLabel*, 3> StatusPanels{};
    QAction* miExit = nullptr;
    QAction* miConfiguration = nullptr;
    QAction* miRefresh = nullptr;
    QAction* miSequencer = nullptr;
    QAction* miHelpIndex = nullptr;
    QTimer TimerRefresh;
    // How long status panel 0 shows why a box refused a character.
    static constexpr int kHintMs = 4000;

    TTovarinThread* Link(int slot) const { return bench_->Link(slot); }
    const std::string& HelpFile() const { return help_.File(); }
    bool Parking() const { return bench_->Parking(); }
    // From the start of parking on, nothing but the park value is sent.
    bool HoldsInput() const { return bench_->HoldsInput(); }

protected:
    void closeEvent(QCloseEvent* event) override;  // FormCloseQuery
    void customEvent(QEvent* event) override;

private:
    void BuildComponents();
    void BuildMenu();
    int BoxNumberOf(const QObject* sender) const;
    void ShowStatus(int n, const std::string& caption);
    // Hands the bench the slots and shows the configuration file in use.
    void ApplySlots(const TBenchSlots& next);
    void Park();

    void AttGroupBox05Change(TAttGroupBox* sender);
    void NameButton01Click(int n);
    void miConfigurationClick();
    void miRefreshClick();
    void TimerRefreshTimer();
    void miSequencerClick();
    void miHelpIndexClick() { help_.ShowIndex(); }
    void FormDestroy();

    TMainFormOptions options_;
    bool sequencerOpen_ = false;
    TAppSettings settings_;
    std::string sequencesDir_;
    std::unique_ptr<TBench> bench_;  // ended in FormDestroy, before the boxes go
    std::function<void(TMainForm&)> sequencerEntry_;
    THelpBinding help_{this};
    bool destroyed_ = false;
    bool signalClosed_ = false;
    QTimer hintTimer_;  // clears status panel 0
};
