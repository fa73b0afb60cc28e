#pragma once
// The one remote control of the front panel that every way in (the session
// D-Bus, the SCPI server) calls, so that they can never disagree: its
// checks, its messages and its actions, each as the operator would do it
// by hand. The front panel implements TRemotePanel; everything runs on the
// GUI thread and nothing here waits.

#include "remote/RemoteRequests.h"

#include <QObject>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// One attenuator box as the front panel has it.
struct TRemoteBox {
    bool Usable = false;  // the box takes changes (its link is in automatic mode)
    bool Decimal = true;  // the attenuator counts tenths of a dB
    int MaxValue = 0;     // the box's maximum, in the attenuator's unit
    bool Configured = false;  // the configuration puts an attenuator in this box
    int Floor = 0;            // the lowest value sent to it, attenuator's unit (0: none)
    bool BelowFloor = false;  // its attenuator read back below the floor
};

// A verified set that went out: box n and its link's serial number.
struct TRemoteSet {
    int Box = 0;
    std::uint64_t Serial = 0;
};

using TRemoteDone = std::function<void(std::optional<TRemoteRefusal>)>;
// What a request that was answered already learns later, in words.
using TRemoteNotice = std::function<void(const std::string&)>;
// The end of a parking: refused, or done with what each box that did not
// end parked holds, in words (empty when all did).
using TParkDone = std::function<void(std::optional<TRemoteRefusal>, const std::vector<std::string>& unparked)>;

// What the front panel offers the remote control (GUI thread).
class TRemotePanel {
public:
    virtual ~TRemotePanel() = default;
    virtual TRemoteBox Box(int n) const = 0;
    virtual int LinkMaxAtt(int n) const = 0;
    virtual int CommonMaxAtt() const = 0;
    virtual bool SequencerOpen() const = 0;
    virtual bool HoldsInput() const = 0;  // parking at close: nothing else may go out
    // The path of a hand change: the box shows value and its verified set
    // goes out at once. Returns the set's serial (0: nothing was sent).
    virtual std::uint64_t SetByHand(int n, int value) = 0;
    // The path of the naming dialog's OK with a 4-character name.
    virtual void Rename(int n, const std::string& name) = 0;
    virtual void RefreshLink(int n) = 0;
    // One round of the parking at close: every attenuator that can take a
    // command now gets a verified set at its park level.
    virtual std::vector<TRemoteSet> ParkRound() = 0;
    // Runs or stops sequences through the sequence list window; done is
    // called once, later, with what the window said. recordFailed is told
    // if the record of the run that started cannot be written.
    virtual void RunSequences(const std::vector<std::string>& files, TRemoteDone done,
                              TRemoteNotice recordFailed) = 0;
    virtual void StopSequences(TRemoteDone done) = 0;
    virtual bool SequencesRunning() const = 0;

    // An armed start: the files are read and checked as for a run and
    // nothing goes out until StartSequences; done as for RunSequences.
    // StopSequences disarms. A panel without armed runs refuses them.
    virtual void LoadSequences(const std::vector<std::string>& /*files*/, TRemoteDone done,
                               TRemoteNotice /*recordFailed*/) {
        done(TRemoteRefusal{TRemoteRefusalKind::Failed, RemoteNoSequencerMessage});
    }
    // The armed run's first tick at instant of the system clock, or now.
    virtual std::optional<TRemoteRefusal> StartSequences(std::optional<std::chrono::system_clock::time_point> /*at*/) {
        return TRemoteRefusal{TRemoteRefusalKind::Failed, RemoteNoSequencerMessage};
    }
    // Armed, or given an instant and waiting for its first tick.
    virtual bool SequencesArmed() const { return false; }
    // The instant the armed or present run was given to start at.
    virtual std::optional<std::chrono::system_clock::time_point> SequencesStartInstant() const { return {}; }
    // When the present or last run delivered its first tick.
    virtual std::optional<std::chrono::system_clock::time_point> SequencesFirstTick() const { return {}; }
};

// An answer: the text, or why there is none.
struct TRemoteAnswer {
    std::string Text;
    std::optional<TRemoteRefusal> Refusal;
};

struct TRemoteSetResult {
    std::optional<TRemoteRefusal> Refusal;
    std::string Sent;  // the value sent after rounding, in dB as a box shows it ("57.5")
    TRemoteSet Set;
};

class TRemoteCore {
public:
    static constexpr int BoxCount = 8;
    // How long the last round waits for its sets to end, so that *RST can
    // tell what each attenuator holds: a set that is read back wrong ends
    // after its re-sends (over a second), a dead link with its time-outs.
    static constexpr int ParkLastRoundLimitMs = 12000;

    explicit TRemoteCore(TRemotePanel& panel);

    // --- What the front panel shows and what its links report ---
    void BoxShown(int n, TBoxFact fact, const std::string& text);
    void SetEnded(int n, const TSetOutcome& outcome);

    using TBoxListener = std::function<void(int n, TBoxFact fact, const std::string& text)>;
    using TSetListener = std::function<void(int n, const TSetOutcome& outcome)>;
    // Listeners are told in the order they were added; the number forgets one.
    int AddBoxListener(TBoxListener listener);
    int AddSetListener(TSetListener listener);
    void Forget(int listener);

    // --- Requests (box numbers 1..8) ---
    std::optional<TRemoteRefusal> CheckBox(int box) const;
    // A hand change to the value in dB ("57.3"); a value below the box's
    // floor is refused and nothing is sent.
    TRemoteSetResult SetAttenuation(int box, const std::string& dB);
    // The last value read back ("" before any), the status text, the name.
    TRemoteAnswer Attenuation(int box) const { return Fact(box, attenuation_); }
    // The status text; "Below floor" while the attenuator is found below it.
    TRemoteAnswer Status(int box) const;
    TRemoteAnswer Name(int box) const { return Fact(box, name_); }
    TRemoteAnswer Maximum(int box) const;  // in dB, of a usable box
    TRemoteAnswer Step(int box) const;     // "0.5" or "1", of a usable box
    TRemoteAnswer Floor(int box) const;    // in dB, "0" when it has none
    bool Ready(int box) const;
    bool Decimal(int box) const;
    std::optional<TRemoteRefusal> Rename(int box, const std::string& name);
    std::optional<TRemoteRefusal> Refresh(int box);
    // A list window opened for the run closes again once the run has ended.
    void RunSequences(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed = {});
    void StopSequences(TRemoteDone done);
    bool SequencesRunning() const { return panel_.SequencesRunning(); }
    // Arms a run of the files; nothing is sent until StartSequences.
    void LoadSequences(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed = {});
    // at: the first tick at that instant of the system clock; none: now.
    std::optional<TRemoteRefusal> StartSequences(std::optional<std::chrono::system_clock::time_point> at);
    bool SequencesArmed() const { return panel_.SequencesArmed(); }
    std::optional<std::chrono::system_clock::time_point> SequencesStartInstant() const {
        return panel_.SequencesStartInstant();
    }
    std::optional<std::chrono::system_clock::time_point> SequencesFirstTick() const {
        return panel_.SequencesFirstTick();
    }
    // Parks every usable attenuator as the close does (two verified sets at
    // the common maximum), without holding the panel's input afterwards.
    // done is called once the second round has ended or run out of time,
    // with every configured box that did not end parked.
    void Park(TParkDone done);

private:
    TRemoteAnswer Fact(int box, const std::array<std::string, BoxCount>& facts) const;
    std::optional<TRemoteRefusal> SetConflict() const;
    void ParkNextRound();
    void ParkRoundEnded();
    std::vector<std::string> Unparked() const;

    TRemotePanel& panel_;
    std::array<std::string, BoxCount> status_;
    std::array<std::string, BoxCount> attenuation_;
    std::array<std::string, BoxCount> name_;
    int nextListener_ = 1;
    std::map<int, TBoxListener> boxListeners_;
    std::map<int, TSetListener> setListeners_;

    // The parking of *RST in progress.
    std::vector<TParkDone> parkDone_;
    std::vector<TRemoteSet> parkWaiting_;
    std::array<bool, BoxCount> parkPosted_{};                       // this round's sets
    std::array<std::optional<TSetOutcome>, BoxCount> parkOutcome_;  // and how they ended
    std::array<std::optional<int>, BoxCount> parkLevel_;            // of any round
    int parkRound_ = 0;       // 1 or 2 while parking
    int parkGeneration_ = 0;  // tells a round's time-out whether it is still its round
    int parkListener_ = 0;
    QObject parkTimers_;  // owns the round's time-out
};
