#include "support/FilePaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <vector>

namespace {

// The name part of a path: everything after its last separator.
std::string NamePart(const std::string& path) {
    const auto slash = path.rfind(PathSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
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

std::string ProgramFilePath() {
    std::vector<char> buf(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<std::size_t>(n));
        buf.resize(buf.size() * 2);
    }
}


bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ea, eb;
    const auto ca = std::filesystem::weakly_canonical(a, ea);
    const auto cb = std::filesystem::weakly_canonical(b, eb);
    if (ea || eb) return a == b;
    return ca == cb;
}
