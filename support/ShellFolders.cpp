// Per-user folders and the wait cursor: the parts of the support module
// that ask the platform through Qt.

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>

#include "misc.h"

std::string GetShellFolder(TShellFolder kind) {
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

namespace {
int waitCursorCount = 0;
}

void BeginWaitCursor() {
    // The override cursor stack remembers the cursor that was showing, so
    // restoring it later brings that cursor back.
    if (waitCursorCount == 0 && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ++waitCursorCount;
}

void EndWaitCursor() {
    if (waitCursorCount <= 0) return;
    --waitCursorCount;
    if (waitCursorCount == 0 && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::restoreOverrideCursor();
}
