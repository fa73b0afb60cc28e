#include "controls/ControlResources.h"

#include <QHash>
#include <QString>

#include <mutex>

// The resources live in a static library: register them before first use,
// since nothing else references them and the linker would drop them.
static void EnsureControlResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(controls);
        return true;
    }();
    (void)registered;
}

QImage LoadControlPicture(const char* name) {
    // Every spin edit takes two arrow glyphs, and the sequence editor makes
    // 1200 edits: each picture is decoded once and then shared (QImage
    // copies share their pixels until one is written).
    static std::mutex lock;
    static QHash<QString, QImage> decoded;
    const QString key = QString::fromLatin1(name);
    const std::lock_guard<std::mutex> guard(lock);
    if (const auto found = decoded.constFind(key); found != decoded.constEnd()) return *found;
    EnsureControlResources();
    QImage image(QStringLiteral(":/controls/") + key, "XPM");
    if (!image.isNull()) image = image.convertToFormat(QImage::Format_ARGB32);
    decoded.insert(key, image);
    return image;
}
