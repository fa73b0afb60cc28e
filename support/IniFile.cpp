#include "IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "Strings.h"

TFileWriteError::TFileWriteError(const std::string& path)
    : std::runtime_error("Impossible d'écrire dans " + path), path_(path) {}

namespace {

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The file that writing to path really changes: the target of a symbolic
// link, else path itself.
std::string WriteTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char* real = ::realpath(path.c_str(), nullptr);
        if (real) {
            std::string target(real);
            std::free(real);
            return target;
        }
    }
    return path;
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& contents) {
    if (path.empty()) throw TFileWriteError(path);
    const std::string target = WriteTarget(path);
    // The temporary file is hidden and its name stays short whatever the
    // length of the file's own name.
    const auto cut = target.rfind('/');
    const std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
    const std::string name = cut == std::string::npos ? target : target.substr(cut + 1);
    std::string pattern = folder + "." + name.substr(0, 32) + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) throw TFileWriteError(path);

    bool ok = true;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    } else {
        // A new file gets the usual permissions (mkstemp makes it private).
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ok = ::fchmod(fd, 0666 & ~mask) == 0;
    }
    ok = ok && WriteAll(fd, contents) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(pattern.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(pattern.c_str());
        throw TFileWriteError(path);
    }
    // Make the rename itself durable.
    const auto slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

struct TIniFile::Impl {
    CSimpleIniA ini{false, false, false};
    Impl() { ini.SetSpaces(false); }
};

TIniFile::TIniFile() : impl_(std::make_unique<Impl>()) {}
TIniFile::~TIniFile() = default;

bool TIniFile::Load(const std::string& path) {
    impl_->ini.Reset();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        struct stat st {};
        // Missing is normal; present but unreadable is not.
        return ::stat(path.c_str(), &st) != 0 && errno == ENOENT;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return false;
    LoadText(text.str());
    return true;
}

void TIniFile::LoadText(const std::string& text) {
    impl_->ini.Reset();
    impl_->ini.LoadData(text.data(), text.size());
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
    const char* v = impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    return v ? std::string(v) : def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    int value = 0;
    const char* v = impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    return v && ParseDecimalInt(v, value) ? value : def;
}

bool TIniFile::SectionExists(const std::string& section) const {
    return impl_->ini.GetSectionSize(section.c_str()) >= 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    std::string safe = value;
    for (char& c : safe)
        if (c == '\r' || c == '\n') c = ' ';
    impl_->ini.SetValue(section.c_str(), key.c_str(), safe.c_str());
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

namespace {

// The writer puts blank lines before every section header; the files are
// written one line after the other, as the program always wrote them.
void DropBlankLinesBeforeSections(std::string& text) {
    std::size_t pos = 0;
    while ((pos = text.find("\n\n[", pos)) != std::string::npos) {
        text.erase(pos, 1);
        if (pos > 0) --pos;
    }
}

}  // namespace

std::string TIniFile::Text() const {
    std::string out;
    impl_->ini.Save(out, false);
    DropBlankLinesBeforeSections(out);
    return out;
}

void TIniFile::Save(const std::string& path) const {
    std::string out;
    if (impl_->ini.Save(out, false) < 0) throw TFileWriteError(path);
    DropBlankLinesBeforeSections(out);
    WriteFileAtomically(path, out);
}
