#pragma once
// The bench without any window: the eight link slots and their links, the
// configuration applied to them, what the links report and what it means
// for each attenuator box (status text, name, read-back, the end of a
// verified set), the hand path of a change, naming, refresh and
// reconfiguration, the common maximum and each attenuator's unit, and the
// parking at the common maximum, the floors that no value sent goes below,
// and runs of sequence files (TBenchRun,
// on this bench's links). Facts and events go out to observers;
// requests come in as calls. It is the remote core's panel (TRemotePanel),
// so that SCPI runs on it unchanged. GUI (main) thread only, as the links'
// reports are; nothing here waits.

#include "benchcore/BenchRun.h"
#include "benchcore/BenchSlots.h"
#include "link/TovarinThread.h"
#include "remote/RemoteCore.h"

#include <QObject>
#include <QTimer>

#include <QElapsedTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What attenuator box n shows, as a front panel would draw it.
struct TBenchBox {
    std::string Caption = "No attenuator";  // the status text, or the name once read
    std::string Status = "No attenuator";   // the last status text
    std::string Name;                       // "" before the attenuator named itself
    std::optional<int> Value;               // last value read back or sent, attenuator's unit
    bool Usable = false;                    // takes changes: its link is in automatic mode
    bool Decimal = true;                    // counts tenths of a dB
    int MaxValue = 935;                     // in the attenuator's unit
    int Step = 5;                           // a change moves by this much
    std::optional<int> Floor;               // lowest value allowed, attenuator's unit (empty: none)
    bool BelowFloor = false;                // the attenuator read back below its floor
};

// The floor of floorTenths (tenths of a dB, 0: none) for an attenuator
// counting tenths (decimal) or whole decibels with maximum maxValue, in
// its own unit: rounded up to its step, at most its maximum.
std::optional<int> FloorInUnit(int floorTenths, bool decimal, int maxValue);
// value, raised to box's floor when it lies below.
int AboveFloor(const TBenchBox& box, int value);

// Told of what the bench decides (GUI thread). A handler must not post to
// the same link from inside SetEnded (see TLinkView::LinkSetEnded).
class TBenchObserver {
public:
    virtual ~TBenchObserver() = default;
    // A status text, a read-back value (as a box shows it, "57.5") or a name.
    virtual void BoxShown(int /*n*/, TBoxFact /*fact*/, const std::string& /*text*/) {}
    // Box n's usability, unit, maximum, step or value changed.
    virtual void BoxChanged(int /*n*/, const TBenchBox& /*box*/) {}
    virtual void SetEnded(int /*n*/, const TSetOutcome& /*outcome*/) {}
    // A value the attenuator of box n answered a query with (after its
    // link connected, or when asked to read again), told after BoxShown;
    // the end of a verified set is told by SetEnded instead.
    virtual void ValueAnswered(int /*n*/, int /*value*/) {}
    virtual void ParkingEnded() {}
};

// What a configuration did: the messages of its failing rules (nothing
// applied then), else the boxes whose link reconnects.
struct TBenchConfigResult {
    std::vector<std::string> Errors;
    std::vector<int> Reconnected;  // box numbers 1..8
    bool Applied() const { return Errors.empty(); }
};

class TBench : public TLinkView, public TRemotePanel, public TBenchRunHost, private TBenchRunObserver {
public:
    static constexpr int SlotCount = TBenchSlots::SlotCount;
    // The pause after the parking's second round (each round waits up to
    // ParkRoundBudgetMs, link/AttenuatorRules.h).
    static constexpr int ParkSettleMs = 100;

    explicit TBench(const TLinkTimings& timings = TLinkTimings());
    // Ends the links; each one's wait is interrupted, so this is bounded.
    ~TBench() override;
    TBench(const TBench&) = delete;
    TBench& operator=(const TBench&) = delete;

    void AddObserver(TBenchObserver* observer);
    void RemoveObserver(TBenchObserver* observer);

    // --- Configuration ---
    // Checks config by the configuration rules; when they pass, packs its
    // attenuators into the slots and remembers path as the file in use.
    // Before Start the links only take their targets; afterwards only the
    // links whose target changed drop their connection and reconnect.
    TBenchConfigResult ApplyConfiguration(const RackConfiguration& config, const std::string& path);
    // Takes the slots next as they are (a configuration dialog's result,
    // its rules checked already), with the same reconnections. Returns the
    // boxes whose link reconnects (numbers 1..8); nothing while parking.
    std::vector<int> ApplySlots(const TBenchSlots& next);
    // Every link drops its connection and reconnects with its target and
    // enabled flag, changed or not (the desktop's "&Configuration").
    void RequestReconfig();
    const TBenchSlots& Slots() const { return slots_; }
    // The links start connecting, link 0 first (once).
    void Start();
    bool Started() const { return started_; }
    // Asks every link to end, without waiting for it.
    void Stop();

    // --- Facts ---
    const TBenchBox& BoxState(int n) const { return boxes_[n - 1]; }
    int ReadyCount() const;       // usable boxes among the slots in use
    int ConfiguredCount() const { return slots_.EnabledCount(); }
    bool AttEnabled(int n) const { return IsBox(n) && links_[n - 1]->Enabled(); }
    const TTovarinThread* Link(int slot) const { return links_[slot].get(); }
    TTovarinThread* Link(int slot) { return links_[slot].get(); }

    // --- Requests (box numbers n = 1..8) ---
    // The verified set of value to box n, rounded to the half-decibel step
    // when the attenuator counts tenths and raised to its floor; the box
    // shows what is sent.
    // Returns the set's serial (0: nothing was sent).
    std::uint64_t SetAttenuator(int n, const std::string& channel, int value);
    // The naming path: box n shows the name (4 characters) and its
    // attenuator is told to keep it.
    void ApplyName(int n, const std::string& name);
    // Command text for box n's link as it is, replacing whatever waits there
    // (ticket: follows it to the wire, see TTovarinThread).
    void PostCommand(int n, const std::string& text, TPostTicket ticket = {});
    void RequestLinkRefresh(int n);  // that link drops and re-opens
    void RefreshAll();               // every link drops and re-opens
    // Parks every usable attenuator: two verified sets at the common
    // maximum (in each attenuator's unit), each round waited for until its
    // sets have ended or its share of the time has passed. From the moment
    // it begins nothing else goes out. done is called once it has ended (at
    // once when the bench is parked already).
    void Park(std::function<void()> done);
    bool Parking() const { return parking_; }
    bool Parked() const { return parked_; }

    // --- Runs ---
    // One run at a time; while it is analysed or going, hand changes and
    // names are refused (refreshes are not: the run catches the link up).
    TBenchRun& Runs() { return run_; }
    const TBenchRun& Runs() const { return run_; }
    void SetRecordsDir(const std::string& dir) { recordsDir_ = dir; }

    // --- TBenchRunHost ---
    TTovarinThread* RunLink(int n) const override { return IsBox(n) ? links_[n - 1].get() : nullptr; }
    TProfileAtt ProfileAtt(int n) const override;
    TRecordedAtt RecordedAtt(int n) const override;
    std::string ConfigFile() const override { return slots_.ConfigFile(); }
    std::string RecordsDir() const override { return recordsDir_; }

    // --- TLinkView (the links' reports) ---
    void ShowLinkStatus(TTovarinThread* link, int status) override;
    void ShowLinkAnswer(TTovarinThread* link, const std::string& text) override;
    void LinkSetEnded(TTovarinThread* link, const TSetOutcome& outcome) override;

    // --- TRemotePanel ---
    TRemoteBox Box(int n) const override;
    int LinkMaxAtt(int n) const override { return IsBox(n) ? links_[n - 1]->MaxAtt() : 0; }
    int CommonMaxAtt() const override { return commonMaxAtt_; }
    bool SequencerOpen() const override { return run_.Busy(); }
    bool HoldsInput() const override { return parking_ || parked_; }
    std::uint64_t SetByHand(int n, int value) override;
    void Rename(int n, const std::string& name) override { ApplyName(n, name); }
    void RefreshLink(int n) override { RequestLinkRefresh(n); }
    std::vector<TRemoteSet> ParkRound() override;
    void RunSequences(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed) override;
    void StopSequences(TRemoteDone done) override;
    bool SequencesRunning() const override { return run_.State() == TBenchRunState::Running; }
    void LoadSequences(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed) override;
    std::optional<TRemoteRefusal> StartSequences(std::optional<std::chrono::system_clock::time_point> at) override;
    bool SequencesArmed() const override { return run_.State() == TBenchRunState::Armed; }
    std::optional<std::chrono::system_clock::time_point> SequencesStartInstant() const override {
        return run_.StartInstant();
    }
    std::optional<std::chrono::system_clock::time_point> SequencesFirstTick() const override;

private:
    static bool IsBox(int n) { return n >= 1 && n <= SlotCount; }
    int BoxNumberOf(const TTovarinThread* link) const;
    void ShowReadBack(int n, int value);
    void UpdateCommonMaxAtt();
    // Box n's floor from its slot and unit, and whether its value lies
    // below; true when either changed.
    bool UpdateFloor(int n);
    int ParkValue(int n) const;
    bool ParkBusy() const;
    void ParkCheck();
    void ParkNextRound();
    void ParkFinished();
    // A script's run or armed run (start: TBenchRun::Run or Load), answered
    // as the remote core expects; only its record then speaks to the script.
    void StartScriptRun(void (TBenchRun::*start)(const std::vector<std::string>&, TBenchRun::TStarted),
                        const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed);
    // --- TBenchRunObserver (this bench's run) ---
    void RunStateChanged(TBenchRunState state) override;
    void RunValueWritten(int n, int value, const std::string& command) override;
    void RunEnded(TRunEnding how, const std::string& recordPath) override;
    void RunRecordFailed(const std::string& text) override;
    template <typename F> void Tell(F f) {
        const auto observers = observers_;  // an observer may add or remove observers
        for (TBenchObserver* o : observers) f(*o);
    }

    TBenchSlots slots_;
    std::array<std::unique_ptr<TTovarinThread>, SlotCount> links_;
    std::array<TBenchBox, SlotCount> boxes_;
    int commonMaxAtt_ = 935;
    std::vector<int> commonMaxima_;  // the maxima commonMaxAtt_ was computed from
    bool started_ = false;
    std::vector<TBenchObserver*> observers_;

    // Parking.
    bool parking_ = false;
    bool parked_ = false;
    int parkRound_ = 0;
    std::vector<int> parkTargets_;
    std::vector<std::function<void()>> parkDone_;
    QElapsedTimer parkClock_;
    QObject timers_;
    QTimer parkPoll_{&timers_};

    // Runs.
    std::string recordsDir_;
    TRemoteNotice recordNotice_;              // of the script whose run is going
    bool scriptStarting_ = false;             // a script's run is being asked for
    std::vector<TRemoteDone> stopDone_;       // answered once the run has ended
    TBenchRun run_{*this};
};
