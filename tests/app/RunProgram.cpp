#include "RunProgram.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace apptest {

namespace {

void readAvailable(int fd, std::string& into, bool& open) {
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0)
        into.append(buffer, static_cast<std::size_t>(n));
    else if (n == 0 || (errno != EINTR && errno != EAGAIN))
        open = false;
}

} // namespace

RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments, const RunOptions& options) {
    RunResult result;
    // Everything the child needs is prepared before fork: after it only async-signal-safe calls.
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : options.environment)
        envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string cwd = options.workingDirectory.string();

    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        return result;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0)
            ::dup2(devNull, STDIN_FILENO);
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0)
            ::_exit(126);
        if (options.fileSizeLimit) {
            ::signal(SIGXFSZ, SIG_IGN); // a write beyond the limit fails instead of ending the process
            const rlimit limit{static_cast<rlim_t>(*options.fileSizeLimit),
                               static_cast<rlim_t>(*options.fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (options.addressSpaceLimit) {
            const rlimit limit{static_cast<rlim_t>(*options.addressSpaceLimit),
                               static_cast<rlim_t>(*options.addressSpaceLimit)};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (pid < 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return result;
    }
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        const auto left = options.timeout - (std::chrono::steady_clock::now() - start);
        if (left <= std::chrono::milliseconds(0)) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        const int ready =
            ::poll(fds, 2, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(left).count()));
        if (ready < 0 && errno != EINTR)
            break;
        if (outOpen && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            readAvailable(outPipe[0], result.out, outOpen);
        if (errOpen && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
            readAvailable(errPipe[0], result.err, errOpen);
    }
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

std::map<std::string, std::string> isolatedEnvironment(const std::filesystem::path& root) {
    const auto home = root / "home";
    std::map<std::string, std::string> env = {
        {"HOME", home.string()},
        {"XDG_CONFIG_HOME", (home / ".config").string()},
        {"XDG_DATA_HOME", (home / ".local/share").string()},
        {"XDG_STATE_HOME", (home / ".local/state").string()},
        {"XDG_CACHE_HOME", (home / ".cache").string()},
        {"XDG_RUNTIME_DIR", (root / "runtime").string()},
        {"TZ", "Europe/Berlin"},
        {"LC_ALL", "C.UTF-8"},
    };
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        std::filesystem::create_directories(env[name]);
    std::filesystem::permissions(root / "runtime", std::filesystem::perms::owner_all);
    for (const char* name : {"PATH", "LOCPATH", "TSAN_OPTIONS", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* value = std::getenv(name))
            env[name] = value;
    return env;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        result.push_back(std::move(line));
        start = end + 1;
    }
    return result;
}

} // namespace apptest
