#include "sequencer/ProfileFile.h"

#include "sequencer/ProfileReading.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool IsProfileFileName(std::string_view path) {
    if (path.size() < 4) return false;
    std::string ext(path.substr(path.size() - 4));
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == ".csv";
}

TProfileBench UniformProfileBench(int maxAtt) {
    TProfileBench bench;
    for (std::size_t n = 1; n < bench.size(); ++n) bench[n] = {true, maxAtt};
    return bench;
}

namespace {

TProfileRead Cancelled() {
    TProfileRead read;
    read.Error = ProfileCancelledMessage;
    return read;
}

bool IsCancelled(const TProfileCancel* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

}  // namespace

TProfileRead ReadProfileText(std::string_view text, const std::string& name, const TProfileBench& bench,
                             const TProfileCancel* cancel) {
    using namespace profile_reading;
    // The first line that is not blank or a comment tells the layout.
    std::string_view first;
    ForEachLine(text, [&](std::size_t, std::string_view line) {
        const std::string_view t = Trim(line);
        if (t.empty() || t.front() == '#') return true;
        first = t;
        return false;
    });
    TProfileRead read = IsRunRecordHeader(first) ? ReadRunRecordProfile(text, name, bench, cancel)
                                                 : ReadProfileTable(text, name, bench, cancel);
    // A reading given up is cut short: what it read is not the profile.
    return IsCancelled(cancel) ? Cancelled() : read;
}

TProfileRead ReadProfileFile(const std::string& path, const TProfileBench& bench, const TProfileCancel* cancel) {
    constexpr std::size_t kChunk = 1 << 20;  // read in steps, so that giving up takes effect soon
    TProfileRead failed;
    auto fail = [&](const std::string& what) {
        failed.Error = "\"" + path + "\" " + what;
        return failed;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return fail(std::string("cannot be opened: ") + std::strerror(errno) + ".");
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail("is not a regular file.");
    }
    if (st.st_size > MaxProfileFileBytes) {
        ::close(fd);
        return fail("is larger than 64 MB: too large to be a profile.");
    }
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        if (IsCancelled(cancel)) {
            ::close(fd);
            return Cancelled();
        }
        const ssize_t n = ::read(fd, text.data() + got, std::min(kChunk, text.size() - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return fail(std::string("cannot be read: ") + std::strerror(error) + ".");
        }
        if (n == 0) break;  // the file shrank while it was read
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    return ReadProfileText(text, path, bench, cancel);
}
