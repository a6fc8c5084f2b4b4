#pragma once
// What the tests of the transaction dialogs and pages share: the en_US.UTF-8 locale (comma as the
// thousands separator) for the shown amounts and dates, and the guard of the texts formatted with
// an 'l' length modifier.

#include "log/NumberFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace transactiontest {

// en_US.UTF-8 for the process (strftime's "%x") and for the grouped numbers, as long as this lives.
// The locale is compiled by localedef once for all test processes (into the build tree when
// CORVANA_TEST_BINARY_DIR names it, else into the temporary folder) and found through LOCPATH;
// where localedef cannot make it, the system's own is used.
class ScopedEnUsLocale {
public:
    ScopedEnUsLocale() : m_previous(std::setlocale(LC_ALL, nullptr)) {
        const std::filesystem::path folder = localeFolder();
        if (!folder.empty()) {
            setenv("LOCPATH", folder.c_str(), 1);
            active = use();
            if (!active)
                unsetenv("LOCPATH");
        }
        if (!active)
            active = use();
    }
    ~ScopedEnUsLocale() {
        unsetenv("LOCPATH");
        std::setlocale(LC_ALL, m_previous.c_str());
        initNumberGrouping("");
    }
    ScopedEnUsLocale(const ScopedEnUsLocale&) = delete;
    ScopedEnUsLocale& operator=(const ScopedEnUsLocale&) = delete;

    bool active = false;

private:
    static bool use() { return std::setlocale(LC_ALL, "en_US.UTF-8") && initNumberGrouping("en_US.UTF-8"); }

    // The folder holding the compiled en_US.UTF-8; empty when it cannot be made.
    static std::filesystem::path localeFolder() {
        namespace fs = std::filesystem;
        const char* build = std::getenv("CORVANA_TEST_BINARY_DIR");
        const fs::path folder =
            build && *build ? fs::path(build) / "test-locales" : fs::temp_directory_path() / "corvana-test-locales";
        const fs::path target = folder / "en_US.UTF-8";
        std::error_code ec;
        if (fs::exists(target / "LC_NUMERIC", ec))
            return folder;
        // Made beside the target and renamed, so parallel test processes never see half a locale.
        fs::create_directories(folder, ec);
        const fs::path made = folder / ("en_US.UTF-8.part" + std::to_string(getpid()));
        const std::string command = "localedef -i en_US -f UTF-8 '" + made.string() + "' >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        if (status == -1 || !fs::exists(made / "LC_NUMERIC", ec)) {
            fs::remove_all(made, ec);
            return {};
        }
        fs::rename(made, target, ec);
        if (ec)
            fs::remove_all(made, ec); // another process was first
        return fs::exists(target / "LC_NUMERIC", ec) ? folder : fs::path();
    }

    std::string m_previous;
};

} // namespace transactiontest
