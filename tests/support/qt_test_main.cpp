// Main of the widget suites: one QApplication on the offscreen platform for all tests.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Settings, key store, desktop files and run records of tests never touch the real
    // home folder.
    char home[] = "/tmp/vantorel-home-XXXXXX";
    if (::mkdtemp(home)) {
        ::setenv("XDG_CONFIG_HOME", (std::string(home) + "/config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (std::string(home) + "/data").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (std::string(home) + "/state").c_str(), 1);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantorel"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
