#include "retrieval/filtering.h"
#include "retrieval/wizard.h"

#include "support/LogCapture.h"
#include "support/RecordingReceiver.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class LogLinesTest : public testsupport::TempDirTest {
protected:
    // Whether the line "level|source|message" was logged.
    bool logged(const std::string& line) {
        for (const auto& l : m_log.lines())
            if (std::to_string(l.level) + "|" + l.file + "|" + l.message == line)
                return true;
        ADD_FAILURE() << "not logged: " << line;
        return false;
    }

    testsupport::LogCapture m_log;
};

TEST_F(LogLinesTest, LinesNameTheirSource) {
    EXPECT_FALSE(HtmlToTxt(1, path("missing.html"), path("out")));
    logged("400|filtering.cpp|HtmlToTxt error reading file '" + path("missing.html").string() +
           "' (No such file or directory)!");

    CKurs q;
    int start = 0, length = 0, code = 0;
    std::string message;
    RegExpGroupIndexes ix;
    ix.m_nCloseIndex = 1;
    EXPECT_FALSE(RegExpGetQuotation("x", q, "(", ix, false, true, start, length, ".", ",", code, message));
    logged("400|filtering.cpp|RegExp compilation failed at offset 1: missing closing parenthesis");
    EXPECT_TRUE(
        RegExpGetQuotation("v 1,5 ", q, "v ([0-9,]+)", ix, false, true, start, length, ".", ",", code, message));
    logged("200|filtering.cpp|Match succeeded: v 1,5");
    logged("200|filtering.cpp| 1: '1,5'; ");

    MessageTarget target;
    testsupport::RecordingReceiver receiver;
    ReceiverRegistration registration(target, receiver, std::make_shared<ManualMessageQueue>());
    auto job = std::make_unique<WizardSearchJob>();
    job->m_nFormat = FORMAT_ORIGINAL;
    job->m_strPage = "x";
    job->m_strQuotation = "1";
    job->m_nNumbersLimit = 0;
    job->m_pTarget = &target;
    job->m_hWnd = registration.id();
    WizardSearchThread(std::move(job));
    logged("200|wizard.cpp|Searching for 0 tags followed by 0 numbers:'" + BuildRulePattern(0, 0, 0, true, true, "1") +
           "'...");
    logged("200|wizard.cpp|Giving another try using config FORMAT_ORIGINAL_ON_BEGIN...");
}

} // namespace
