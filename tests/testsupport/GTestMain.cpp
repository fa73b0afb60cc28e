// GoogleTest entry point with an application object, so that tests can run
// GUI-thread steps and real widgets (offscreen).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Tests never need a display (test discovery runs without the test
    // environment, so this is set here as well).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
