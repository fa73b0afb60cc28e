#include "sequencer/RunRecord.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

TRunRecord::TRunRecord(const std::string& folder, const std::array<TRecordedAtt, 9>& atts,
                       std::function<void(const std::string&)> onFailure)
    : wallStart_(std::chrono::system_clock::now()),
      start_(std::chrono::steady_clock::now()),
      folder_(folder),
      atts_(atts),
      onFailure_(std::move(onFailure)) {
    thread_ = std::thread(&TRunRecord::Execute, this);
}

TRunRecord::~TRunRecord() {
    Finish();
    if (thread_.joinable()) thread_.join();
    gate_.Close();
}

void TRunRecord::Add(int box, const std::string& command, bool limited) {
    // The time stamp: the moment the command was placed into the link's
    // pending slot, which wakes the link at once; an idle link writes it to
    // its socket within a few milliseconds. A link that is down or still busy
    // with an earlier exchange sends it later, or not at all when the next
    // tick replaces it first.
    TRecordRow row{std::chrono::system_clock::now(), std::chrono::steady_clock::now() - start_, box, command, limited};
    std::lock_guard<std::mutex> lock(mutex_);
    if (!finish_) rows_.push_back(std::move(row));
}

void TRunRecord::Finish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finish_ = true;
    }
    wake_.notify_all();
}

std::string TRunRecord::Path() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return path_;
}

bool TRunRecord::Closed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}

void TRunRecord::Fail(const std::string& what, int error) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    failed_ = true;
    if (!onFailure_) return;
    const std::string text = what + ": " + std::strerror(error) + ".\nThe run goes on without a record.";
    gate_.Post([handler = onFailure_, text] { handler(text); });
}

bool TRunRecord::Open() {
    std::string folder = folder_;
    if (folder.empty()) {
        Fail("The run record cannot be written: no sequences folder is set", ENOENT);
        return false;
    }
    if (folder.back() != '/') folder += '/';
    // A run started in the same second as an earlier one gets a name of its
    // own: an existing record is never overwritten.
    int error = 0;
    for (int attempt = 1; attempt <= 99; ++attempt) {
        const std::string path = folder + RunRecordFileName(wallStart_, attempt);
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd_ >= 0) {
            std::lock_guard<std::mutex> lock(mutex_);
            path_ = path;
            return true;
        }
        error = errno;
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
            const std::string path = Path();
            Fail("The run record " + path + " cannot be written", n < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void TRunRecord::Execute() {
    if (Open()) Write(RunRecordHeader());
    std::vector<TRecordRow> batch;
    bool last = false;
    while (!last) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(FlushPeriodMs), [this] { return finish_; });
            last = finish_;
            batch.swap(rows_);
        }
        if (!failed_ && !batch.empty()) {
            std::string text;
            for (const TRecordRow& row : batch)
                if (row.Box >= 1 && row.Box <= 8) text += RunRecordLine(row, atts_[static_cast<std::size_t>(row.Box)]);
            Write(text);  // one write() per batch: what is written survives a crash of the program
        }
        batch.clear();
    }
    if (fd_ >= 0) {
        // On disk before the record counts as complete.
        const int fd = fd_;
        fd_ = -1;
        int error = 0;
        if (::fdatasync(fd) != 0 && errno != EINVAL) error = errno;
        if (::close(fd) != 0 && error == 0) error = errno;
        if (error != 0) Fail("The run record " + Path() + " cannot be written", error);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
}
