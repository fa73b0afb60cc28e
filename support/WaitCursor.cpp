#include "support/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

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
