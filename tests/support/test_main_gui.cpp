// Entry point of the test executables that use widgets: the isolated environment of test_main.cpp,
// then the offscreen platform and one QApplication for the whole process. Every test starts with
// the pointer outside its windows and no mouse button held (Pointer.h). A test that hangs is
// reported by name (HangWatch.h).
#include "HangWatch.h"
#include "Pointer.h"
#include "TestEnv.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

class PointerReset : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { testsupport::resetPointer(); }
};

} // namespace

int main(int argc, char** argv) {
    const auto root = testsupport::makeTempDir("corvana-proc");
    testsupport::setIsolatedEnvironment(root);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    testsupport::watchEveryTest(testsupport::kTestLimit);
    ::testing::UnitTest::GetInstance()->listeners().Append(new PointerReset);
    int rc = 0;
    {
        QApplication app(argc, argv);
        rc = RUN_ALL_TESTS();
    }
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return rc;
}
