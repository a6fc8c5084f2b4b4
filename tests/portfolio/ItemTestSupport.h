#pragma once
// Helpers of the portfolio model tests: dates, a fixed local "now", hand-built archive bytes and a
// capture of the log lines.

#include "log/Log.h"
#include "platform/Clock.h"
#include "platform/OleDate.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace itemtest {

inline OleDate at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return OleDate(y, mo, d, h, mi, s);
}

inline OleDate plusSeconds(const OleDate& date, double seconds) {
    return OleDate(date.m_dt + seconds / 86400.0);
}

inline OleDate withStatus(OleDate date, OleDate::DateTimeStatus status) {
    date.SetStatus(status);
    return date;
}

// A clock standing at a local calendar time (TZ of the test).
inline Clock::time_point localTimePoint(const OleDate& local) {
    return std::chrono::system_clock::from_time_t(*local.toTimeT());
}

// Little-endian bytes of an archive record, written field by field as a file holds them.
class Bytes {
public:
    Bytes& i32(std::int32_t v) { return raw(&v, 4); }
    Bytes& u16(std::uint16_t v) { return raw(&v, 2); }
    Bytes& u8(std::uint8_t v) { return raw(&v, 1); }
    Bytes& i64(std::int64_t v) { return raw(&v, 8); }
    Bytes& f64(double v) { return raw(&v, 8); }
    // A date in the current form: status, then value.
    Bytes& date(const OleDate& d) { return i32(static_cast<std::int32_t>(d.m_status)).f64(d.m_dt); }
    // An old-style date: seconds since 1970, 32-bit.
    Bytes& oldDate(std::int32_t seconds) { return i32(seconds); }
    // A short string in the byte form: 1-byte length, then the bytes.
    Bytes& str(std::string_view s) {
        u8(static_cast<std::uint8_t>(s.size()));
        m_bytes.append(s);
        return *this;
    }
    Bytes& append(std::string_view s) {
        m_bytes.append(s);
        return *this;
    }
    const std::string& data() const { return m_bytes; }

private:
    Bytes& raw(const void* p, std::size_t n) {
        // The tests run on little-endian machines; the archive's byte order is little-endian.
        m_bytes.append(static_cast<const char*>(p), n);
        return *this;
    }
    std::string m_bytes;
};

// Collects the lines written to the logger while it exists (messages only).
class LogCapture {
public:
    LogCapture() {
        auto appender = std::make_unique<Appender>(this);
        Log::Instance()->AddAppender(std::move(appender));
    }
    ~LogCapture() { Log::Instance()->RemoveAllAppenders(); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    struct Line {
        int level;
        std::string file;
        std::string message;
    };
    std::vector<Line> lines() const {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& line : lines())
            out.push_back(line.message);
        return out;
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_lines.clear();
    }

private:
    class Appender : public CLogAppender {
    public:
        explicit Appender(LogCapture* owner) : CLogAppender(LOG_LEVEL_DEBUG, "%l"), m_owner(owner) {}
        bool Append(int level, std::string_view fileName, std::string_view message) override {
            std::lock_guard lock(m_owner->m_mutex);
            m_owner->m_lines.push_back({level, std::string(fileName), std::string(message)});
            return true;
        }

    private:
        LogCapture* m_owner;
    };

    mutable std::mutex m_mutex;
    std::vector<Line> m_lines;
};

} // namespace itemtest
