// Entry point of the GUI-free test executables: gives the process an isolated
// environment before any test (or static initialiser of a test) can read it, and a watch that
// reports a test that hangs by name.
#include "HangWatch.h"
#include "TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

int main(int argc, char** argv) {
    const auto root = testsupport::makeTempDir("corvana-proc");
    testsupport::setIsolatedEnvironment(root);
    ::testing::InitGoogleTest(&argc, argv);
    testsupport::watchEveryTest(testsupport::kTestLimit);
    const int rc = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return rc;
}
