// Reading a file whole without blocking, and replacing a file safely.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/TextFiles.h"

TFileWriteError::TFileWriteError(const std::string& path, const std::string& reason)
    : std::runtime_error("Impossible d'écrire dans " + path), path_(path), reason_(reason) {}

std::string FileReadProblem(TFileReadStatus s) {
    switch (s) {
    case TFileReadStatus::NotRegular: return "is not a regular file";
    case TFileReadStatus::Unreadable: return "cannot be read";
    case TFileReadStatus::NotText: return "does not look like an INI text file";
    default: return {};
    }
}

namespace {

// No INI file of this program comes near this size.
constexpr off_t MaxTextFileSize = 4 << 20;

bool LooksLikeText(const std::string& data) {
    std::size_t controls = 0;
    for (const char c : data) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && u != '\t' && u != '\r' && u != '\n') ++controls;
    }
    return controls * 16 <= data.size();
}

}  // namespace

TFileReadStatus ReadTextFile(const std::string& path, std::string& data) {
    data.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? TFileReadStatus::Missing : TFileReadStatus::Unreadable;
    if (!S_ISREG(st.st_mode)) return TFileReadStatus::NotRegular;
    // O_NONBLOCK: should a FIFO have taken the file's place since stat, the
    // open returns at once and fstat tells.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? TFileReadStatus::Missing : TFileReadStatus::Unreadable;
    TFileReadStatus status = TFileReadStatus::Read;
    if (::fstat(fd, &st) != 0)
        status = TFileReadStatus::Unreadable;
    else if (!S_ISREG(st.st_mode))
        status = TFileReadStatus::NotRegular;
    else if (st.st_size > MaxTextFileSize)
        status = TFileReadStatus::NotText;
    char buffer[16384];
    while (status == TFileReadStatus::Read) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            status = TFileReadStatus::Unreadable;
        } else {
            data.append(buffer, static_cast<std::size_t>(n));
            if (data.size() > static_cast<std::size_t>(MaxTextFileSize)) status = TFileReadStatus::NotText;
        }
    }
    ::close(fd);
    if (status == TFileReadStatus::Read && !LooksLikeText(data)) status = TFileReadStatus::NotText;
    if (status != TFileReadStatus::Read) data.clear();
    return status;
}

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

// Temporary files of a target are named ".<name>.tmp<pid>-XXXXXX" (the name
// cut to 32 characters, so that the temporary's name stays short).
std::string TempPrefix(const std::string& name) {
    return "." + name.substr(0, 32) + ".tmp";
}

// Removes the temporaries of this naming that a writer which no longer runs
// (killed in the middle of a write) left in the folder. Only our own regular
// files are touched, and never those of a process that still runs.
void RemoveStaleTemporaries(const std::string& folder, const std::string& prefix) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string rest = name.substr(prefix.size());
        const auto dash = rest.find('-');
        if (dash == 0 || dash == std::string::npos || rest.size() - dash - 1 != 6 ||
            rest.find_first_not_of("0123456789") != dash)
            continue;
        const long pid = std::strtol(rest.c_str(), nullptr, 10);
        if (pid <= 0 || pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        const std::string path = folder + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}

// Writes contents to a new temporary file beside target (in folder, named
// with prefix), with mode, flushed to disk. Returns its path, or empty with
// errno set.
std::string WriteTemporary(const std::string& folder, const std::string& prefix, const std::string& contents,
                           mode_t mode) {
    RemoveStaleTemporaries(folder, prefix);
    std::string temp = folder + prefix + std::to_string(::getpid()) + "-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return {};
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, contents) && ::fsync(fd) == 0;
    int error = ok ? 0 : (errno != 0 ? errno : EIO);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0) return temp;
    ::unlink(temp.c_str());
    errno = error;
    return {};
}

// Makes a rename into folder durable.
void SyncFolder(const std::string& folder) {
    const std::string dir = folder.empty() ? "." : (folder.size() == 1 ? "/" : folder.substr(0, folder.size() - 1));
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

std::string FolderOf(const std::string& path) {
    const auto cut = path.rfind('/');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string NameOf(const std::string& path) {
    const auto cut = path.rfind('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The permissions of a new file: the usual ones (mkstemp makes it private).
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& contents) {
    if (path.empty()) throw TFileWriteError(path);
    const std::string target = WriteTarget(path);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        throw TFileWriteError(path, "It " + FileReadProblem(TFileReadStatus::NotRegular) + "; nothing was written.");

    const std::string folder = FolderOf(target);
    const std::string temp =
        WriteTemporary(folder, TempPrefix(NameOf(target)), contents, exists ? old.st_mode & 07777 : NewFileMode());
    if (temp.empty()) throw TFileWriteError(path);
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw TFileWriteError(path);
    }
    SyncFolder(folder);
}

int CreateFileAtomically(const std::string& path, const std::string& contents) {
    if (path.empty()) return ENOENT;
    const std::string folder = FolderOf(path);
    const std::string temp = WriteTemporary(folder, TempPrefix(NameOf(path)), contents, NewFileMode());
    if (temp.empty()) return errno;
    int error = 0;
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
        error = errno;
        // A filesystem without that rename: a hard link cannot replace either.
        if (error == EINVAL || error == ENOSYS || error == ENOTSUP)
            error = ::link(temp.c_str(), path.c_str()) == 0 ? 0 : errno;
        ::unlink(temp.c_str());
    }
    if (error == 0) SyncFolder(folder);
    return error;
}
