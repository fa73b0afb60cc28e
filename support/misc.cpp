#include "misc.h"

std::string TakeField(std::string& text, char separator) {
    const auto pos = text.find(separator);
    std::string field;
    if (pos == std::string::npos) {
        field.swap(text);
    } else {
        field = text.substr(0, pos);
        text.erase(0, pos + 1);
    }
    return field;
}

int RoundToHalfStep(int v) {
    // Integer division and remainder truncate toward zero, as the original
    // arithmetic did; q and r keep the sign of v.
    const int q = v / 10;
    const int r = v % 10;
    if (r >= 0) {
        if (r <= 2) return q * 10;
        if (r <= 7) return q * 10 + 5;
        return (q + 1) * 10;
    }
    if (r >= -2) return q * 10;
    if (r >= -7) return q * 10 - 5;
    return (q - 1) * 10;
}

// ---------------------------------------------------------------------------

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "AttVersion.h"

bool IsNTPlatform() {
    return true;
}

std::string AddTrailingSeparator(const std::string& path) {
    if (path.empty() || path.back() == PathSeparator) return path;
    return path + PathSeparator;
}

bool DirExists(const std::string& path) {
    if (path.empty()) return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// The name part of a path: everything after its last separator.
std::string NamePart(const std::string& path) {
    const auto slash = path.rfind(PathSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates one directory level; an existing directory counts as success.
bool MakeDir(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    return errno == EEXIST && DirExists(path);
}

}  // namespace

std::string ConfigFileBaseName(const std::string& path) {
    std::string name = NamePart(path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return name;
    // The extension's text is removed where it first occurs in the name:
    // x.cfgy.cfg gives xy.cfg, a.cfg.cfg gives a.cfg.
    const std::string ext = name.substr(dot);
    name.erase(name.find(ext), ext.size());
    return name;
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    const auto slash = path.rfind(PathSeparator);
    const auto nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = path.rfind('.');
    if (dot != std::string::npos && dot >= nameStart) return path.substr(0, dot) + ext;
    return path + ext;
}

std::string GetSettingsFolder(const std::string& name) {
    const std::string leaf = ConfigFileBaseName(name);
    if (leaf.empty()) return {};
    std::string base = GetShellFolder(TShellFolder::AppData);
    if (!base.empty()) {
        base += "ORVELT";
        base += PathSeparator;
        if (!DirExists(base) && !MakeDir(base)) return {};
        base += leaf;
        if (!DirExists(base) && !MakeDir(base)) return {};
        return base;
    }
    const std::string local = GetShellFolder(TShellFolder::LocalAppData);
    if (!local.empty() && DirExists(local + leaf)) return local + leaf;
    return {};
}

std::string ProgramFilePath() {
    std::vector<char> buf(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<std::size_t>(n));
        buf.resize(buf.size() * 2);
    }
}

std::string SettingsDirFor(const std::string& name) {
    if (IsNTPlatform()) {
        const std::string folder = GetSettingsFolder(name);
        if (!folder.empty()) return AddTrailingSeparator(folder);
    }
    const std::string program = ProgramFilePath();
    const auto slash = program.rfind(PathSeparator);
    if (slash == std::string::npos) return {};
    return program.substr(0, slash + 1);
}

TVersionInfo ProgramVersionInfo() {
    TVersionInfo info;
    info.present = true;
    info.fileVersion = ATT_VERSION_TEXT;
    info.description = ATT_DESCRIPTION_TEXT;
    info.legalNotice = ATT_LEGAL_NOTICE_TEXT;
    return info;
}

namespace {

// The leading decimal number of a version field; 0 when it has none.
int VersionNumber(const std::string& field) {
    long n = 0;
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ') ++i;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9' && n < 100000; ++i) n = n * 10 + (field[i] - '0');
    return static_cast<int>(n);
}

}  // namespace

std::string VersionTitle(const TVersionInfo& info) {
    if (!info.present) return {};
    std::string title;
    if (!info.fileVersion.empty()) {
        // Numbers are separated by "." or, in older version texts, by ",".
        std::string rest = info.fileVersion;
        const char sep = rest.find('.') != std::string::npos ? '.' : ',';
        const int major = VersionNumber(TakeField(rest, sep));
        const int minor = VersionNumber(TakeField(rest, sep));
        title = "v" + std::to_string(major) + "." + std::to_string(minor);
    }
    if (!info.description.empty()) title = title.empty() ? info.description : info.description + " - " + title;
    if (!info.legalNotice.empty()) title += (title.empty() ? "© " : " - © ") + info.legalNotice;
    return title;
}

std::string VersionTitle() {
    return VersionTitle(ProgramVersionInfo());
}
