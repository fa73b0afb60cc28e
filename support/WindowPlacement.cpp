#include "support/WindowPlacement.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

// The window frame the window system adds around a window. Known exactly
// once the window has a native window; otherwise taken from a window already
// on screen, which the window system decorates the same way.
QMargins FrameMargins(const QWidget* window) {
    if (const QWindow* handle = window->windowHandle(); handle != nullptr && !handle->frameMargins().isNull())
        return handle->frameMargins();
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == window || !other->isVisible()) continue;
        const QRect frame = other->frameGeometry(), client = other->geometry();
        if (frame != client)
            return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                            frame.right() - client.right(), frame.bottom() - client.bottom());
    }
    return QMargins();
}

}  // namespace

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QSize frame = window->size().grownBy(FrameMargins(window));
    // move() places a top-level window's frame, not its client area.
    window->move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
}
