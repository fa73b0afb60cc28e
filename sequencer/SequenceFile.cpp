#include "sequencer/SequenceFile.h"

#include "support/TextFields.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const std::array<const char*, 6> ActionNames = {"No Action", "Reset", "Ramp", "Step", "Goto", "Repeat"};

std::string_view TrimSequenceLine(std::string_view line) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t b = 0;
    std::size_t e = line.size();
    while (b < e && blank(line[b])) ++b;
    while (e > b && blank(line[e - 1])) --e;
    return line.substr(b, e - b);
}

unsigned NamedAttenuators(std::string_view line) {
    unsigned named = 0;
    for (int n = 1; n <= 8; ++n) {
        const char tag[5] = {'a', 't', 't', static_cast<char>('0' + n), '\0'};
        if (line.find(tag) != std::string_view::npos) named |= 1u << (n - 1);
    }
    return named;
}

TActionRow ParseActionRow(std::string_view line) {
    std::string rest(line);
    int fields[6] = {0, 0, 0, 0, 0, 0};
    for (int& field : fields) {
        if (rest.empty()) break;  // missing fields stay 0
        const std::string text = TakeField(rest, '\t');
        int v = 0;
        field = ParseDecimalInt(text, v) ? v : 0;
    }
    TActionRow row;
    row.Num = fields[0];
    row.Time = fields[1];
    row.Action = fields[2];
    row.From = fields[3];
    row.To = fields[4];
    row.Duration = fields[5];
    return row;
}

bool TSequenceLineReader::EndLine() {
    const std::string_view line = TrimSequenceLine(line_);
    bool go = true;
    if (StartsWith(line, "ATTS")) {
        section_ = TSequenceSection::Attenuators;
        sawSection_ = true;
    } else if (StartsWith(line, "ACTIONS")) {
        section_ = TSequenceSection::Actions;
        sawSection_ = true;
    } else if (!line.empty() && line[0] != '#' && section_ != TSequenceSection::None) {
        go = handler_(section_, line);
    }
    line_.clear();
    if (!go) stopped_ = true;
    return go;
}

bool TSequenceLineReader::Feed(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size && !stopped_; ++i) {
        const char c = data[i];
        if (c == '\n') {
            // The LF of a CR LF pair ends nothing more.
            if (!afterCR_) EndLine();
            afterCR_ = false;
        } else if (c == '\r') {
            EndLine();
            afterCR_ = true;
        } else {
            afterCR_ = false;
            line_.push_back(c);
        }
    }
    return !stopped_;
}

bool TSequenceLineReader::Finish() {
    if (!stopped_ && !line_.empty()) EndLine();
    afterCR_ = false;
    return !stopped_;
}

bool ReadSequenceLines(const std::string& path, const TSequenceLineReader::Handler& handler,
                       std::string& error, bool* sawSection) {
    auto fail = [&](int code) {
        error = "Cannot open file \"" + path + "\". " + std::strerror(code);
        return false;
    };
    auto tooLarge = [&] {
        error = "Cannot open file \"" + path + "\". " + std::strerror(EFBIG) + ": a sequence file may hold at most " +
                std::to_string(MaxSequenceFileBytes / 1024) + " KB.";
        return false;
    };
    // Non-blocking, so that opening a pipe by mistake cannot hang; regular
    // files ignore the flag.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return fail(errno);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
        // Devices and pipes could block or never end; only plain files are read.
        ::close(fd);
        return fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    if (st.st_size > MaxSequenceFileBytes) {
        ::close(fd);
        return tooLarge();
    }
    TSequenceLineReader reader(handler);
    char buffer[65536];
    long long total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(fd);
            return fail(code);
        }
        if (n == 0) break;
        total += n;
        if (total > MaxSequenceFileBytes) {  // the file grew while being read
            ::close(fd);
            return tooLarge();
        }
        if (!reader.Feed(buffer, static_cast<std::size_t>(n))) break;
    }
    ::close(fd);
    reader.Finish();
    if (sawSection) *sawSection = reader.SawSection();
    return true;
}

bool LoadSequenceFile(const std::string& path, TSequenceFileData& data, std::string& error) {
    TSequenceFileData read;
    const bool ok = ReadSequenceLines(
        path,
        [&](TSequenceSection section, std::string_view line) {
            if (section == TSequenceSection::Attenuators) {
                const unsigned named = NamedAttenuators(line);
                for (int n = 0; n < 8; ++n)
                    if (named & (1u << n)) read.Selected[n] = true;
            } else {
                read.Rows.push_back(ParseActionRow(line));
            }
            return true;
        },
        error);
    if (ok) data = std::move(read);
    return ok;
}

std::string FormatSequenceFile(const TSequenceFileData& data) {
    std::string text = "ATTS SELECTED\r\n\r\n";
    for (int n = 1; n <= 8; ++n)
        if (data.Selected[n - 1]) text += " att" + std::to_string(n);
    text += "\r\n\r\nACTIONS\r\n#Num\tTime\tAction\tFrom\tTo\tDuration\r\n";
    char line[96];
    for (const TActionRow& row : data.Rows) {
        int to = row.To;
        if ((row.Action == ActionGoto || row.Action == ActionRepeat) && to < 1) to = 1;
        std::snprintf(line, sizeof line, "%d\t%d\t%d\t%d\t%d\t%d\r\n", row.Num, row.Time, row.Action, row.From,
                      to, row.Duration);
        text += line;
    }
    return text;
}

bool SaveSequenceFile(const std::string& path, const TSequenceFileData& data, std::string& error) {
    const std::string text = FormatSequenceFile(data);
    const std::string temp = path + ".tmp-XXXXXX";
    std::string tempName = temp;
    auto fail = [&](int code, bool removeTemp) {
        if (removeTemp) ::unlink(tempName.c_str());
        error = "Cannot create file \"" + path + "\". " + std::strerror(code);
        return false;
    };
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0) return fail(errno, false);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(fd);
            return fail(code, true);
        }
        done += static_cast<std::size_t>(n);
    }
    // Keep the permissions of a file being replaced; a new one gets the usual.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        ::fchmod(fd, st.st_mode & 07777);
    else
        ::fchmod(fd, 0644);
    if (::fsync(fd) != 0) {
        const int code = errno;
        ::close(fd);
        return fail(code, true);
    }
    if (::close(fd) != 0) return fail(errno, true);
    if (::rename(tempName.c_str(), path.c_str()) != 0) return fail(errno, true);
    return true;
}
