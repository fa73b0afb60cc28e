// The per-user folders, asked of the platform through Qt, and the program's
// settings folder in them.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "support/UserFolders.h"

#include <sys/stat.h>

#include <cerrno>

namespace {

// XDG_DOCUMENTS_DIR as a session exports it from user-dirs.dirs; empty when
// unset or neither absolute nor relative to $HOME.
QString DocumentsFromEnvironment() {
    QString dir = qEnvironmentVariable("XDG_DOCUMENTS_DIR");
    if (dir.startsWith(QLatin1String("$HOME"))) dir.replace(0, 5, QDir::homePath());
    return dir.startsWith(QLatin1Char('/')) ? dir : QString();
}

}  // namespace

std::string GetShellFolder(TShellFolder kind) {
    if (kind == TShellFolder::Documents) {
        const QString dir = DocumentsFromEnvironment();
        if (!dir.isEmpty()) return AddTrailingSeparator(QFile::encodeName(dir).toStdString());
    }
    QStandardPaths::StandardLocation location = QStandardPaths::GenericConfigLocation;
    switch (kind) {
        case TShellFolder::AppData: location = QStandardPaths::GenericConfigLocation; break;
        case TShellFolder::LocalAppData: location = QStandardPaths::GenericDataLocation; break;
        case TShellFolder::Documents: location = QStandardPaths::DocumentsLocation; break;
    }
    const QString path = QStandardPaths::writableLocation(location);
    if (path.isEmpty()) return {};
    // The per-user configuration and data folders always exist where the
    // settings folder rule expects them; a fresh account may not have them
    // yet, so they are made (private to the user) as the folder convention
    // asks. The documents folder is only reported.
    if (kind != TShellFolder::Documents && !QFileInfo(path).isDir()) {
        if (!QDir().mkpath(path)) return {};
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return AddTrailingSeparator(QFile::encodeName(path).toStdString());
}

TStartFolder ExistingFolderOrHome(const std::string& wanted) {
    if (DirExists(wanted)) return {AddTrailingSeparator(wanted), false};
    const std::string home = QFile::encodeName(QDir::homePath()).toStdString();
    return {DirExists(home) ? AddTrailingSeparator(home) : std::string(1, PathSeparator), true};
}

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

// Creates one directory level; an existing directory counts as success.
bool MakeDir(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    return errno == EEXIST && DirExists(path);
}

}  // namespace

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

