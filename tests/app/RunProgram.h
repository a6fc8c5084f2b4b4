#pragma once
// Runs a program as a child process with exactly the environment given (no display, the test's own
// HOME and XDG folders), captures its standard output and error, and ends it when it runs too long.

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace apptest {

struct RunOptions {
    std::map<std::string, std::string> environment;
    std::filesystem::path workingDirectory;
    std::chrono::milliseconds timeout{60000};
    // Largest file the child may write (RLIMIT_FSIZE); writes beyond it fail (EFBIG).
    std::optional<long> fileSizeLimit;
    // Largest address space the child may map (RLIMIT_AS); allocations beyond it fail.
    std::optional<long> addressSpaceLimit;
};

struct RunResult {
    int exitCode = -1; // -1 when the child did not exit normally
    int signal = 0;    // the signal that ended it
    bool timedOut = false;
    std::string out;
    std::string err;
    std::chrono::milliseconds elapsed{0};
};

RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments, const RunOptions& options);

// The environment of a run without a display rooted in `root`: HOME, the XDG folders (created),
// TZ, LC_ALL and PATH; sanitizer options pass through.
std::map<std::string, std::string> isolatedEnvironment(const std::filesystem::path& root);

// The lines of a text, without their line ends (no empty last line).
std::vector<std::string> lines(const std::string& text);

} // namespace apptest
