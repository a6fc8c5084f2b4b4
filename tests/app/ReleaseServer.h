#pragma once
// What the release-check tests serve and install: the installed release's date, the update
// server's answer of "/release.txt" with its Last-Modified date, and a test's own environment
// without proxies.

#include "platform/OleDate.h"
#include "support/LoopbackHttpServer.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace releasetest {

// The installed release: 10 March 2023 12:00 local time, far from a change of daylight saving.
inline std::time_t installedMoment() {
    return *OleDate(2023, 3, 10, 12, 0, 0).toTimeT();
}

inline void setModificationTime(const std::filesystem::path& path, std::time_t moment) {
    std::filesystem::last_write_time(
        path, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(moment)));
}

// An HTTP date ("Fri, 10 Mar 2023 11:00:00 GMT").
inline std::string httpDate(std::time_t moment) {
    std::tm utc{};
    gmtime_r(&moment, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

// The release notes with their date; none when `lastModified` is empty.
inline testsupport::HttpReply releaseNotes(const std::string& body, std::optional<std::time_t> lastModified) {
    testsupport::HttpReply reply = testsupport::HttpReply::page(body);
    reply.contentType = "text/plain";
    if (lastModified)
        reply.headers.emplace_back("Last-Modified", httpDate(*lastModified));
    return reply;
}

// The requests go straight to the test's server.
inline void unsetProxies() {
    for (const char* name :
         {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"})
        unsetenv(name);
}

} // namespace releasetest
