#include "controls/ControlResources.h"

#include <QString>

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
    EnsureControlResources();
    QImage image(QStringLiteral(":/controls/") + QString::fromLatin1(name), "XPM");
    if (image.isNull()) return image;
    return image.convertToFormat(QImage::Format_ARGB32);
}
