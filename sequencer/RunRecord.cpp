#include "sequencer/RunRecord.h"

#include "support/TextFiles.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>

// The rows not yet written and what the links told of them: shared between
// the GUI thread (Add, Tick, Finish), the link threads (outcomes) and the
// writer, and kept alive by the tickets, so a link may settle a ticket after
// the record is gone.
struct TRunRecord::TLedger : TPostOutcomes {
    std::mutex mutex;
    std::condition_variable wake;  // the writer, once finishing
    std::deque<TRecordRow> rows;   // in hand-over order
    std::uint64_t firstSerial = 1; // serial of rows.front()
    std::int64_t ticks = 0;
    std::int64_t skipped = 0;
    std::optional<std::chrono::system_clock::time_point> firstTick;
    bool finishing = false;
    bool abort = false;  // the owner is going away: no more waiting
    bool closed = false;
    TRunEnding how = TRunEnding::ProgramClosed;
    std::chrono::system_clock::time_point endTime;
    std::string path;

    static bool Settled(const TRecordRow& row) { return row.Sent || row.NotSent; }
    bool AllSettled() const {
        for (const TRecordRow& row : rows)
            if (!Settled(row)) return false;
        return true;
    }
    // The open row of serial, or null (written already, or settled).
    TRecordRow* Open(std::uint64_t serial) {
        if (serial < firstSerial || serial - firstSerial >= rows.size()) return nullptr;
        TRecordRow& row = rows[serial - firstSerial];
        return Settled(row) ? nullptr : &row;
    }
    void Sent(std::uint64_t serial, std::chrono::system_clock::time_point at) override {
        std::lock_guard<std::mutex> lock(mutex);
        if (TRecordRow* row = Open(serial)) row->Sent = at;
        if (finishing) wake.notify_all();
    }
    void NotSent(std::uint64_t serial, TNotSent why) override {
        std::lock_guard<std::mutex> lock(mutex);
        if (TRecordRow* row = Open(serial)) row->NotSent = why;
        if (finishing) wake.notify_all();
    }
};

TRunRecord::TRunRecord(const std::string& folder, TRunStart start, std::function<void(const std::string&)> onFailure)
    : wallStart_(std::chrono::system_clock::now()),
      start_(std::chrono::steady_clock::now()),
      folder_(folder),
      run_(std::move(start)),
      onFailure_(std::move(onFailure)),
      ledger_(std::make_shared<TLedger>()) {
    thread_ = std::thread(&TRunRecord::Execute, this);
}

TRunRecord::TRunRecord(const std::string& folder, const std::array<TRecordedAtt, 9>& atts,
                       std::function<void(const std::string&)> onFailure)
    : TRunRecord(folder, TRunStart{{}, atts, {}, {}}, std::move(onFailure)) {}

TRunRecord::~TRunRecord() {
    Finish(TRunEnding::ProgramClosed);
    {
        std::lock_guard<std::mutex> lock(ledger_->mutex);
        ledger_->abort = true;
    }
    ledger_->wake.notify_all();
    if (thread_.joinable()) thread_.join();
    gate_.Close();
}

TPostTicket TRunRecord::Add(int box, const std::string& command, bool limited, bool catchUp) {
    TRecordRow row{std::chrono::system_clock::now(), std::chrono::steady_clock::now() - start_, box, command, limited,
                   {}, {}, catchUp};
    std::uint64_t serial = 0;
    {
        std::lock_guard<std::mutex> lock(ledger_->mutex);
        if (ledger_->finishing) return {};
        ledger_->rows.push_back(std::move(row));
        serial = ledger_->firstSerial + ledger_->rows.size() - 1;
    }
    return TPostTicket(ledger_, serial);
}

void TRunRecord::Tick(int ticks) {
    const auto now = std::chrono::system_clock::now();
    std::lock_guard<std::mutex> lock(ledger_->mutex);
    if (ledger_->ticks++ == 0) ledger_->firstTick = now;
    if (ticks > 1) ledger_->skipped += ticks - 1;
}

std::optional<std::chrono::system_clock::time_point> TRunRecord::FirstTick() const {
    std::lock_guard<std::mutex> lock(ledger_->mutex);
    return ledger_->firstTick;
}

void TRunRecord::Finish(TRunEnding how) {
    {
        std::lock_guard<std::mutex> lock(ledger_->mutex);
        if (ledger_->finishing) return;
        ledger_->finishing = true;
        ledger_->how = how;
        ledger_->endTime = std::chrono::system_clock::now();
    }
    ledger_->wake.notify_all();
}

std::string TRunRecord::Path() const {
    std::lock_guard<std::mutex> lock(ledger_->mutex);
    return ledger_->path;
}

bool TRunRecord::Closed() const {
    std::lock_guard<std::mutex> lock(ledger_->mutex);
    return ledger_->closed;
}

void TRunRecord::Tell(const std::string& what, int error) {
    if (told_ || !onFailure_) return;
    told_ = true;
    const std::string text = what + ": " + std::strerror(error) + ".\nThe run goes on without a record.";
    gate_.Post([handler = onFailure_, text] { handler(text); });
}

void TRunRecord::Fail(const std::string& what, int error) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    failed_ = true;
    Tell(what, error);
}

bool TRunRecord::Open(const std::string& description) {
    std::string folder = folder_;
    if (folder.empty()) {
        Fail("The run record cannot be written: no sequences folder is set", ENOENT);
        return false;
    }
    if (folder.back() != '/') folder += '/';
    // A run started in the same second as an earlier one gets a name of its
    // own: an existing record or description is never overwritten, and the
    // two files of a run always share their name.
    int error = 0;
    for (int attempt = 1; attempt <= 99; ++attempt) {
        const std::string path = folder + RunRecordFileName(wallStart_, attempt);
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd_ < 0) {
            error = errno;
            if (error == EEXIST) continue;
            break;
        }
        // Held until the description has its end: a record locked so
        // belongs to a run still going, never one to close as interrupted.
        ::flock(fd_, LOCK_EX | LOCK_NB);
        error = CreateFileAtomically(RunDescriptionPath(path), description);
        if (error == 0) {
            std::lock_guard<std::mutex> lock(ledger_->mutex);
            ledger_->path = path;
            return true;
        }
        ::close(fd_);
        fd_ = -1;
        ::unlink(path.c_str());  // made empty just now, by this record
        if (error != EEXIST) break;
    }
    Fail("The run record cannot be written in " + folder_, error);
    return false;
}

bool TRunRecord::Write(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail("The run record " + Path() + " cannot be written", n < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void TRunRecord::Execute() {
    // The files are hashed here, not on the GUI thread.
    const TRunHashes hashes = HashRunFiles(run_);
    const bool opened = Open(RunDescriptionJson(run_, wallStart_, hashes, nullptr));
    if (opened) Write(RunRecordHeader());
    TRunEnd end;
    bool last = false;
    while (!last) {
        std::vector<TRecordRow> batch;
        {
            std::unique_lock<std::mutex> lock(ledger_->mutex);
            ledger_->wake.wait_for(lock, std::chrono::milliseconds(FlushPeriodMs), [this] { return ledger_->finishing; });
            if (ledger_->finishing) {
                // A command that a link has taken is written within moments.
                ledger_->wake.wait_for(lock, std::chrono::milliseconds(SettleMs),
                                       [this] { return ledger_->abort || ledger_->AllSettled(); });
                last = true;
                end.How = ledger_->how;
                end.Time = ledger_->endTime;
                end.Ticks = ledger_->ticks;
                end.Skipped = ledger_->skipped;
                end.FirstTick = ledger_->firstTick;
            }
            // Rows go out in hand-over order, each once its outcome is known.
            auto& rows = ledger_->rows;
            while (!rows.empty() && (last || TLedger::Settled(rows.front()))) {
                batch.push_back(std::move(rows.front()));
                rows.pop_front();
                ++ledger_->firstSerial;
                if (!TLedger::Settled(batch.back())) batch.back().NotSent = TNotSent::DroppedAtStop;
            }
        }
        std::string text;
        for (const TRecordRow& row : batch) {
            if (row.Sent)
                ++end.Sent;
            else
                ++end.NotSent[static_cast<std::size_t>(*row.NotSent)];
            if (row.Box >= 1 && row.Box <= 8) text += RunRecordLine(row, run_.Atts[static_cast<std::size_t>(row.Box)]);
        }
        if (!failed_ && !text.empty()) Write(text);  // one write() per batch: what is written survives a crash
    }
    // Its lock is kept until the description has its end.
    const int recordLock = fd_ >= 0 ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1;
    if (fd_ >= 0) {
        // On disk before the record counts as complete.
        const int fd = fd_;
        fd_ = -1;
        int error = 0;
        if (::fdatasync(fd) != 0 && errno != EINVAL) error = errno;
        if (::close(fd) != 0 && error == 0) error = errno;
        if (error != 0) Fail("The run record " + Path() + " cannot be written", error);
    }
    if (opened) {
        // Replaced in one step: a reader sees the start alone or the whole.
        const std::string description = RunDescriptionPath(Path());
        try {
            WriteFileAtomically(description, RunDescriptionJson(run_, wallStart_, hashes, &end));
        } catch (const TFileWriteError&) {
            Tell("The run description " + description + " cannot be written", errno != 0 ? errno : EIO);
        }
    }
    if (recordLock >= 0) ::close(recordLock);
    std::lock_guard<std::mutex> lock(ledger_->mutex);
    ledger_->closed = true;
}
