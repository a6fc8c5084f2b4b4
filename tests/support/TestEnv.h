#pragma once
// Per-test environment: a private temporary folder and fixed TZ, LC_ALL, HOME and
// XDG folders, so no test depends on the machine or on another test.

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <string>

namespace testsupport {

// Creates a fresh folder under the system's temporary folder; removed by the caller.
std::filesystem::path makeTempDir(const std::string& prefix);

// Points HOME and the XDG folders into `root` and sets TZ and LC_ALL.
// Called by the test main for every test process; tests may call it again.
void setIsolatedEnvironment(const std::filesystem::path& root, const char* tz = "Europe/Berlin",
                            const char* lcAll = "C.UTF-8");

// Sets TZ and re-reads it for localtime_r/mktime.
void setTimeZone(const char* tz);

// Reads a whole file as bytes; writes bytes to a file (creating folders).
std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// Fixture: a temporary folder per test (`dir()`), with the isolated environment
// rooted in it. The folder is removed after the test unless it failed and
// CORVANA_KEEP_TEST_DIRS is set.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    const std::filesystem::path& dir() const { return m_dir; }
    std::filesystem::path path(const std::string& name) const { return m_dir / name; }

private:
    std::filesystem::path m_dir;
};

// Switches the process locale for as long as this lives; `active` tells whether the locale exists.
class ScopedLocale {
public:
    explicit ScopedLocale(const char* name) : m_previous(std::setlocale(LC_ALL, nullptr)) {
        active = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ScopedLocale() { std::setlocale(LC_ALL, m_previous.c_str()); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;
    bool active = false;

private:
    std::string m_previous;
};

} // namespace testsupport
