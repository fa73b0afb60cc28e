// GoogleTest entry point with an application object, so that tests can run
// GUI-thread steps and real widgets (offscreen).
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Tests never need a display (test discovery runs without the test
    // environment, so this is set here as well).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Private per-user folders for this process: tests never touch the
    // user's settings, and tests running side by side never share a file.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/att-test-XXXXXX"));
    if (home.isValid()) {
        for (const char* var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
            const QString dir = home.path() + QLatin1Char('/') + QLatin1String(var);
            QDir().mkpath(dir);
            qputenv(var, dir.toUtf8());
        }
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
