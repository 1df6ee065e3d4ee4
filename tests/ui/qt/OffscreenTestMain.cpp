// Test entry point for programs that need a QApplication: offscreen, so no display is needed, set here
// because test discovery runs the program without the test's environment.
#include "tests/support/TemporaryFolder.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The user's settings live in a folder of this run, so that a test that changes one never changes
    // the real user's, and every run starts from the defaults.
    const std::string configFolder = MakeTemporaryFolder("vantrex-config-");
    if (configFolder.empty()) {
        return EXIT_FAILURE;
    }
    qputenv("XDG_CONFIG_HOME", configFolder.c_str());
    int status = EXIT_FAILURE;
    {
        QApplication application(argc, argv);
        testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    std::error_code ignored; // a folder left behind in the temporary folder fails no test
    std::filesystem::remove_all(configFolder, ignored);
    return status;
}
