#pragma once
// The main window and controller: owns the eight rack links, shows one
// attenuator box and one Name button per link slot, turns box changes into
// verified sets, shows what the links report, keeps the application
// settings and runs the configuration dialog. The help (THelpBinding) and
// the parking at close (TAttenuatorParking) are parts it wires.

#include "support/AppSettings.h"
#include "config/RackConfiguration.h"
#include "frontpanel/AttenuatorParking.h"
#include "frontpanel/FrontPanelRules.h"
#include "frontpanel/HelpBinding.h"
#include "frontpanel/MainConfigHost.h"
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

class TMainForm : public QMainWindow, public TLinkView, public TSequencerGraphHost {
public:
    static constexpr int SlotCount = TMainConfigHost::SlotCount;

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

    // --- Reports of the links (GUI thread) ---
    void ShowLinkStatus(TTovarinThread* link, int status) override;
    void ShowLinkAnswer(TTovarinThread* link, const std::string& text) override;
    void LinkSetEnded(TTovarinThread* link, const TSetOutcome& outcome) override;

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
    void PostCommand(int n, const std::string& text, TPostTicket ticket = {});
    // Returns the verified set's serial (0 when none went out).
    std::uint64_t SetAttenuator(int n, const std::string& channel, int value);
    // The naming path: box n shows the name (4 characters) and its
    // attenuator is told to keep it.
    void ApplyName(int n, const std::string& name);
    // One round of the parking at close, without holding the input: the
    // boxes and their verified sets' serials.
    std::vector<std::pair<int, std::uint64_t>> ParkRound() { return parking_.PostRound(commonMaxAtt_); }
    void UpdateCommonMaxAtt();
    void RequestReconfig();
    void RequestLinkRefresh(int n);  // the refresh message's effect
    int CommonMaxAtt() const override { return commonMaxAtt_; }
    std::string DocumentsFolder() const override;
    const std::string& SequencesDir() const { return sequencesDir_; }
    void SetSequencesDir(const std::string& dir) { sequencesDir_ = dir; }
    bool SequencerOpen() const { return sequencerOpen_; }
    // The sequence list window's entry: shows it modally. Without one the
    // "&Sequencer" item is disabled.
    void SetSequencerEntry(std::function<void(TMainForm&)> entry);

    // Told of every status text, read-back value and name that a box n
    // shows (GUI thread): the remote control's view of the front panel.
    using TBoxWatcher = std::function<void(int n, TBoxFact fact, const std::string& text)>;
    void SetBoxWatcher(TBoxWatcher watcher) { boxWatcher_ = std::move(watcher); }
    // Told of the end of every verified set of box n (GUI thread; not to post
    // to that link from inside).
    using TSetWatcher = std::function<void(int n, const TSetOutcome& outcome)>;
    void SetSetWatcher(TSetWatcher watcher) { setWatcher_ = std::move(watcher); }
    // Told of every attenuation value that a link of box n reads back from
    // its attenuator and reports (GUI thread): the sequencer graph's view.
    using TReadBackWatcher = std::function<void(int n, int value)>;
    void SetReadBackWatcher(TReadBackWatcher watcher) { readBackWatcher_ = std::move(watcher); }

    // The settings file as read at start-up.
    const TAppSettings& Settings() const { return settings_; }

    // The link slots and the configuration file, as the configuration
    // dialog sees them.
    TMainConfigHost& ConfigHost() { return configHost_; }
    const TMainConfigHost& ConfigHost() const { return configHost_; }

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

    TTovarinThread* Link(int slot) const { return links_[slot].get(); }
    const std::string& HelpFile() const { return help_.File(); }
    bool Parking() const { return parking_.Parking(); }
    // From the start of parking on, nothing but the park value is sent.
    bool HoldsInput() const { return parking_.HoldsInput(); }

protected:
    void closeEvent(QCloseEvent* event) override;  // FormCloseQuery
    void customEvent(QEvent* event) override;

private:
    void BuildComponents();
    void BuildMenu();
    int BoxNumberOf(const TTovarinThread* link) const;
    int BoxNumberOf(const QObject* sender) const;
    void ShowReadBack(int n, TTovarinThread* link, int value);

    void AttGroupBox05Change(TAttGroupBox* sender);
    void NameButton01Click(int n);
    void miConfigurationClick();
    void miRefreshClick();
    void TimerRefreshTimer();
    void miSequencerClick();
    void miHelpIndexClick() { help_.ShowIndex(); }
    void FormDestroy();
    void TellWatcher(int n, TBoxFact fact, const std::string& text) const {
        if (boxWatcher_) boxWatcher_(n, fact, text);
    }

    TMainFormOptions options_;
    bool sequencerOpen_ = false;
    int commonMaxAtt_ = 935;
    std::vector<int> commonMaxima_;  // the maxima commonMaxAtt_ was computed from
    std::array<std::string, SlotCount> names_;  // AttName
    TAppSettings settings_;
    std::string sequencesDir_;
    std::array<std::unique_ptr<TTovarinThread>, SlotCount> links_;
    TMainConfigHost configHost_;  // refers to links_
    std::function<void(TMainForm&)> sequencerEntry_;
    TBoxWatcher boxWatcher_;
    TSetWatcher setWatcher_;
    TReadBackWatcher readBackWatcher_;
    THelpBinding help_{this};
    // Parks at close through SetAttenuator; refers to links_ and the boxes.
    TAttenuatorParking parking_{links_, AttGroupBoxes, [this](int n, int value) {
        return SetAttenuator(n, "0", ParkLevel(commonMaxima_, value, links_[n - 1]->MaxAtt()));
    }};
    bool destroyed_ = false;
    bool signalClosed_ = false;
    QTimer hintTimer_;  // clears status panel 0
};
