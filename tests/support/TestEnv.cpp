#include "TestEnv.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace testsupport {

std::filesystem::path makeTempDir(const std::string& prefix) {
    std::string templ = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(templ.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    return templ;
}

void setTimeZone(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
}

void setIsolatedEnvironment(const std::filesystem::path& root, const char* tz, const char* lcAll) {
    const auto home = root / "home";
    const std::pair<const char*, std::filesystem::path> folders[] = {
        {"HOME", home},
        {"XDG_CONFIG_HOME", home / ".config"},
        {"XDG_DATA_HOME", home / ".local/share"},
        {"XDG_STATE_HOME", home / ".local/state"},
        {"XDG_CACHE_HOME", home / ".cache"},
        {"XDG_RUNTIME_DIR", root / "runtime"},
    };
    for (const auto& [name, folder] : folders) {
        std::filesystem::create_directories(folder);
        setenv(name, folder.c_str(), 1);
    }
    std::filesystem::permissions(root / "runtime", std::filesystem::perms::owner_all);
    // The user-dirs file is not present, so Documents and Desktop resolve to
    // $HOME/Documents and $HOME/Desktop; tests create them when they need them.
    setenv("LC_ALL", lcAll, 1);
    unsetenv("LANG");
    unsetenv("LANGUAGE");
    setTimeZone(tz);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void TempDirTest::SetUp() {
    m_dir = makeTempDir("corvana-test");
    setIsolatedEnvironment(m_dir);
}

void TempDirTest::TearDown() {
    const bool keep = HasFailure() && std::getenv("CORVANA_KEEP_TEST_DIRS") != nullptr;
    if (!keep) {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
}

} // namespace testsupport
