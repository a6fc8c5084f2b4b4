#pragma once
// Captures the lines the program logs while it lives: the logger is emptied and given one
// capturing appender (every level); it is emptied again at the end. Header only: the test
// executable links the logger.

#include "log/Log.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

class LogCapture {
public:
    struct Line {
        int level;
        std::string file;
        std::string message;
    };

    LogCapture() : m_lines(std::make_shared<Lines>()) {
        Log::Destroy();
        Log::Instance()->AddAppender(std::make_unique<Appender>(m_lines));
    }
    ~LogCapture() { Log::Destroy(); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<Line> lines() const {
        std::lock_guard lock(m_lines->mutex);
        return m_lines->lines;
    }
    // The messages alone, in the order they were logged.
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const Line& line : lines())
            out.push_back(line.message);
        return out;
    }
    // Forgets the lines captured so far.
    void clear() {
        std::lock_guard lock(m_lines->mutex);
        m_lines->lines.clear();
    }
    // Whether a line of `level` with exactly `message` was logged.
    bool contains(int level, std::string_view message) const {
        for (const Line& line : lines())
            if (line.level == level && line.message == message)
                return true;
        return false;
    }

private:
    struct Lines {
        std::mutex mutex;
        std::vector<Line> lines;
    };
    class Appender : public CLogAppender {
    public:
        explicit Appender(std::shared_ptr<Lines> lines) : CLogAppender(0, "%l"), m_lines(std::move(lines)) {}
        bool Append(int level, std::string_view fileName, std::string_view message) override {
            std::lock_guard lock(m_lines->mutex);
            m_lines->lines.push_back({level, std::string(fileName), std::string(message)});
            return true;
        }

    private:
        std::shared_ptr<Lines> m_lines;
    };

    std::shared_ptr<Lines> m_lines;
};

} // namespace testsupport
