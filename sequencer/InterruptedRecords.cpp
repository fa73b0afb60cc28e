#include "sequencer/InterruptedRecords.h"

#include "sequencer/RunDescription.h"
#include "support/FilePaths.h"
#include "support/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How much of a record's end is read to find its last row.
constexpr off_t TailBytes = 64 * 1024;

// The time of a row, "2026-12-08 20:35:12.345," at the start of line, as
// written by RunRecordLine; nothing for any other line (the header, a line
// cut short).
std::optional<std::chrono::system_clock::time_point> RowTime(const std::string& line) {
    int y, mo, d, h, mi, s, ms, n = 0;
    if (line.size() < 24 || line[23] != ',' ||
        std::sscanf(line.c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%3d%n", &y, &mo, &d, &h, &mi, &s, &ms, &n) != 7 || n != 23)
        return std::nullopt;
    std::tm local{};
    local.tm_year = y - 1900;
    local.tm_mon = mo - 1;
    local.tm_mday = d;
    local.tm_hour = h;
    local.tm_min = mi;
    local.tm_sec = s;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
    return std::chrono::system_clock::from_time_t(seconds) + std::chrono::milliseconds(ms);
}

// A run's CSV, opened for reading under a shared lock when nobody writes it.
class TRecordFile {
public:
    explicit TRecordFile(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)) {
        inUse_ = fd_ >= 0 && ::flock(fd_, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    }
    ~TRecordFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    TRecordFile(const TRecordFile&) = delete;
    TRecordFile& operator=(const TRecordFile&) = delete;

    // A writer holds it: its run is going on.
    bool InUse() const { return inUse_; }

    // The time of its last row, from its last 64 KiB; nothing without a
    // row (or without the file).
    std::optional<std::chrono::system_clock::time_point> LastRowTime() const {
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
        const off_t from = st.st_size > TailBytes ? st.st_size - TailBytes : 0;
        std::string tail(static_cast<std::size_t>(st.st_size - from), '\0');
        std::size_t got = 0;
        while (got < tail.size()) {
            const ssize_t n = ::pread(fd_, tail.data() + got, tail.size() - got, from + static_cast<off_t>(got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        tail.resize(got);
        // From the last line back; the first line of the tail may be cut.
        std::size_t end = tail.size();
        while (end > 0) {
            const std::size_t nl = tail.rfind('\n', end - 1);
            const std::size_t begin = nl == std::string::npos ? 0 : nl + 1;
            if (begin > 0 || from == 0)
                if (const auto t = RowTime(tail.substr(begin, end - begin))) return t;
            if (nl == std::string::npos) break;
            end = nl;
        }
        return std::nullopt;
    }

private:
    const int fd_;
    bool inUse_ = false;
};

QJsonObject InterruptedEnd(const QString& time) {
    QJsonObject end;
    end["time"] = time;
    end["ended"] = RunEndingText(TRunEnding::Interrupted);
    // What a finished record counts is not known for a run cut short.
    for (const char* key : {"ticks", "ticksSkipped", "commandsSent", "commandsNotSent", "notSentBecause"})
        end[key] = QJsonValue(QJsonValue::Null);
    return end;
}

// Closes the description at path when its run never ended.
void CloseIfInterrupted(const std::string& path, TInterruptedRecords& result) {
    // A record's writer holds its CSV locked until the description has its
    // end: a run going on in another program is left alone, and once the
    // lock is ours the description read below is final.
    TRecordFile record(ChangeFileExt(path, ".csv"));
    if (record.InUse()) return;
    std::string text;
    const TFileReadStatus status = ReadTextFile(path, text);
    if (status == TFileReadStatus::Missing) return;  // gone meanwhile
    if (status != TFileReadStatus::Read) {
        result.LeftAlone.push_back({path, status == TFileReadStatus::NotText
                                              ? "it is not a run description that can be read"
                                              : "it " + FileReadProblem(status)});
        return;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        result.LeftAlone.push_back({path, "it is not a run description that can be read"});
        return;
    }
    QJsonObject description = document.object();
    // Only a run's description whose end is null is ours to close.
    if (!description.contains(QStringLiteral("end")) || !description.value(QStringLiteral("end")).isNull() ||
        !description.value(QStringLiteral("start")).isString())
        return;
    const auto last = record.LastRowTime();
    const QString endTime =
        last ? QString::fromStdString(IsoLocalTime(*last)) : description.value(QStringLiteral("start")).toString();
    description["end"] = InterruptedEnd(endTime);
    try {
        WriteFileAtomically(path, QJsonDocument(description).toJson(QJsonDocument::Indented).toStdString());
        result.Closed.push_back({path, endTime.toStdString()});
    } catch (const TFileWriteError& e) {
        result.LeftAlone.push_back({path, e.Reason().empty() ? "it cannot be written" : e.Reason()});
    }
}

}  // namespace

TInterruptedRecords CloseInterruptedRecords(const std::string& folder) {
    TInterruptedRecords result;
    if (folder.empty()) return result;
    const QDir dir(QFile::decodeName(folder.c_str()));
    const QStringList names =
        dir.entryList({QStringLiteral("run *.json")}, QDir::Files | QDir::NoSymLinks, QDir::Name);
    for (const QString& name : names)
        CloseIfInterrupted(QFile::encodeName(dir.filePath(name)).toStdString(), result);
    return result;
}
