#pragma once
// The record of a run: every attenuation command that the run hands to a
// link, with its time and what became of it, written to a CSV file of its
// own in the sequences folder, and the run's description in a JSON file of
// the same name beside it. A writer thread of the record's own does all the
// disk work, so that neither the engine's tick nor the GUI thread ever waits
// for the disk.

#include "sequencer/RunDescription.h"
#include "sequencer/RunRecordFormat.h"
#include "sequencer/SequencerThread.h"
#include "support/GuiThread.h"

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

class TRunRecord {
public:
    // Rows whose outcome is known reach the file at least this often.
    static constexpr int FlushPeriodMs = 1000;
    // At the end, how long rows still open may take to learn their outcome
    // (a link writing a command it has just taken) before they count as
    // dropped at stop.
    static constexpr int SettleMs = 1000;

    // Starts the record of a run that starts now. The writer thread makes
    // "run <start time>.csv" and its ".json" in folder (taking the next free
    // name when either exists), writes the CSV header and the description's
    // start at once. onFailure runs on the GUI thread, at most once, with a
    // text for the operator, when a file cannot be made or written; the run
    // is not affected.
    TRunRecord(const std::string& folder, TRunStart start, std::function<void(const std::string&)> onFailure);
    // A record that names only the attenuators.
    TRunRecord(const std::string& folder, const std::array<TRecordedAtt, 9>& atts,
               std::function<void(const std::string&)> onFailure);
    // Finishes as "program closed" unless Finish came first, cuts the wait
    // for open rows short, waits for the last writes and drops a failure
    // notice that has not run yet.
    ~TRunRecord();
    TRunRecord(const TRunRecord&) = delete;
    TRunRecord& operator=(const TRunRecord&) = delete;

    // GUI thread, in a tick's delivery, before the command goes to the
    // link: queues a row stamped with the present time and returns the
    // ticket through which the link tells what became of the command. No
    // disk access, only a short lock shared with the writer. A ticket let go
    // unsettled marks the row as dropped at stop. limited: the value was cut
    // down to the attenuator's maximum; catchUp: the run's present value
    // sent again after the box's link came back.
    TPostTicket Add(int box, const std::string& command, bool limited, bool catchUp = false);
    // A tick was delivered, standing for ticks ticks of the run (more than
    // one when ticks before it were stepped over unsent).
    void Tick(int ticks = 1);
    // Non-blocking: the run has ended. Later rows are refused; the writer
    // writes what is left, syncs and closes the CSV, and rewrites the
    // description with its end. Only the first call counts.
    void Finish(TRunEnding how);

    std::chrono::steady_clock::time_point Start() const { return start_; }
    // When the first tick was delivered; none before it.
    std::optional<std::chrono::system_clock::time_point> FirstTick() const;
    // The CSV's full path once it was made; empty before and on failure. The
    // description is RunDescriptionPath(Path()).
    std::string Path() const;
    // True once the writer has finished: both files are complete and closed.
    bool Closed() const;

private:
    struct TLedger;

    void Execute();
    bool Open(const std::string& description);
    bool Write(const std::string& text);
    void Fail(const std::string& what, int error);
    void Tell(const std::string& what, int error);

    const std::chrono::system_clock::time_point wallStart_;
    const std::chrono::steady_clock::time_point start_;
    const std::string folder_;
    const TRunStart run_;
    std::function<void(const std::string&)> onFailure_;
    const std::shared_ptr<TLedger> ledger_;  // shared with the tickets

    // Writer thread only.
    int fd_ = -1;
    bool failed_ = false;
    bool told_ = false;
    TGuiGate gate_;
    std::thread thread_;
};

// A run's delivery that also records every command handed to a link and
// gives it a ticket, so that the row tells what reached the wire.
class TRunRecordDelivery : public TSequencerDelivery {
public:
    TRunRecordDelivery(TSequencerDelivery& inner, TRunRecord& record) : inner_(inner), record_(record) {}

    void AdvanceTime(int elapsedMs) override {
        inner_.AdvanceTime(elapsedMs);
        record_.Tick(elapsedMs / TickPeriod);
    }
    void TickDelivered() override { inner_.TickDelivered(); }
    bool GraphVisible() const override { return inner_.GraphVisible(); }
    void AddAttCommand(int att, const std::string& text) override { inner_.AddAttCommand(att, text); }
    bool AttEnabled(int att) const override { return inner_.AttEnabled(att); }
    int AttMaxAtt(int att) const override { return inner_.AttMaxAtt(att); }
    bool AttUsable(int att) const override { return inner_.AttUsable(att); }
    void SetPendingCommand(int att, const std::string& command, bool limited) override {
        inner_.SetPostTicket(att, record_.Add(att, command, limited));
        inner_.SetPendingCommand(att, command, limited);
    }
    void WithdrawPending() override { inner_.WithdrawPending(); }
    bool MainVisible() const override { return inner_.MainVisible(); }
    void ShowLinkAnswer(int att, const std::string& command) override { inner_.ShowLinkAnswer(att, command); }

private:
    TSequencerDelivery& inner_;
    TRunRecord& record_;
};
