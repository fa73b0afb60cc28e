#pragma once
// The record of a run: every attenuation command that the run hands to a
// link, with its time, written to a CSV file of its own in the sequences
// folder by a writer thread, so that neither the engine's tick nor the GUI
// thread ever waits for the disk.

#include "sequencer/RunRecordFormat.h"
#include "sequencer/SequencerThread.h"
#include "support/GuiThread.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TRunRecord {
public:
    // Buffered rows reach the file at least this often.
    static constexpr int FlushPeriodMs = 1000;

    // Starts the record of a run that starts now. The writer thread makes the
    // file "run <start time>.csv" in folder and writes the header at once.
    // atts[n] describes attenuator n (1..8). onFailure runs on the GUI thread,
    // at most once, with a text for the operator, when the file cannot be
    // made or written; the run is not affected and later rows are dropped.
    TRunRecord(const std::string& folder, const std::array<TRecordedAtt, 9>& atts,
               std::function<void(const std::string&)> onFailure);
    // Finishes, waits for the last write (a few rows) and drops a failure
    // notice that has not run yet.
    ~TRunRecord();
    TRunRecord(const TRunRecord&) = delete;
    TRunRecord& operator=(const TRunRecord&) = delete;

    // GUI thread, in a tick's delivery, right after the command was put into
    // the link's pending slot: queues a row stamped with the present time. No
    // disk access, only a short lock shared with the writer. limited: the
    // value was cut down to the attenuator's maximum.
    void Add(int box, const std::string& command, bool limited);
    // Non-blocking: the writer writes what is left, syncs and closes the file.
    void Finish();

    std::chrono::steady_clock::time_point Start() const { return start_; }
    // The file's full path once it was made; empty before and on failure.
    std::string Path() const;
    // True once the writer has finished: the file is complete and closed.
    bool Closed() const;

private:
    void Execute();
    bool Open();
    bool Write(const std::string& text);
    void Fail(const std::string& what, int error);

    const std::chrono::system_clock::time_point wallStart_;
    const std::chrono::steady_clock::time_point start_;
    const std::string folder_;
    const std::array<TRecordedAtt, 9> atts_;
    std::function<void(const std::string&)> onFailure_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<TRecordRow> rows_;  // under mutex_
    bool finish_ = false;           // under mutex_
    bool closed_ = false;           // under mutex_
    std::string path_;              // under mutex_

    int fd_ = -1;         // writer thread only
    bool failed_ = false;  // writer thread only
    TGuiGate gate_;
    std::thread thread_;
};

// A run's delivery that also records every command handed to a link.
class TRunRecordDelivery : public TSequencerDelivery {
public:
    TRunRecordDelivery(TSequencerDelivery& inner, TRunRecord& record) : inner_(inner), record_(record) {}

    void AdvanceTime(int elapsedMs) override { inner_.AdvanceTime(elapsedMs); }
    bool GraphVisible() const override { return inner_.GraphVisible(); }
    void AddAttCommand(int att, const std::string& text) override { inner_.AddAttCommand(att, text); }
    bool AttEnabled(int att) const override { return inner_.AttEnabled(att); }
    int AttMaxAtt(int att) const override { return inner_.AttMaxAtt(att); }
    bool AttUsable(int att) const override { return inner_.AttUsable(att); }
    void SetPendingCommand(int att, const std::string& command, bool limited) override {
        inner_.SetPendingCommand(att, command, limited);
        record_.Add(att, command, limited);
    }
    bool MainVisible() const override { return inner_.MainVisible(); }
    void ShowLinkAnswer(int att, const std::string& command) override { inner_.ShowLinkAnswer(att, command); }

private:
    TSequencerDelivery& inner_;
    TRunRecord& record_;
};
