#include "app/WPapier.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(CommandLineTest, SwitchesAndTheFileToOpen) {
    struct Case {
        std::vector<std::string> arguments;
        int mode;
        std::string file;
    };
    const int none = CMyCommandLineInfo::kModeNone;
    const int update = CMyCommandLineInfo::kModeUpdate;
    const int exportMode = CMyCommandLineInfo::kModeExport;
    const std::vector<Case> cases = {
        {{}, none, ""},
        {{"/home/ann/p.cvr"}, none, "/home/ann/p.cvr"},
        {{"-u", "/home/ann/p.cvr"}, update, "/home/ann/p.cvr"},
        {{"/u", "p.cvr"}, update, "p.cvr"},
        {{"p.cvr", "/u"}, update, "p.cvr"},
        {{"/e", "p.cvr"}, exportMode, "p.cvr"},
        {{"p.cvr", "-e"}, exportMode, "p.cvr"},
        {{"-u", "-e", "p.cvr"}, exportMode, "p.cvr"}, // the last switch counts
        {{"-e", "p.cvr", "-u"}, update, "p.cvr"},
        {{"u", "p.cvr"}, none, "u"},      // a word, not a switch: the file to open
        {{"-U", "p.cvr"}, none, "p.cvr"}, // switches are case-sensitive
        {{"/U"}, none, "/U"},             // a path that starts with '/'
        {{"/e/p.cvr"}, none, "/e/p.cvr"}, // likewise
        {{"/usr", "-u"}, update, "/usr"},
        {{"-x", "p.cvr"}, none, "p.cvr"}, // an unknown switch is no file name
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.arguments)
            joined += a + " ";
        SCOPED_TRACE(joined);
        EXPECT_EQ(CWPapierApp::programModeOf(c.arguments), c.mode);
        CWPapierApp app;
        app.setArguments(c.arguments);
        CMyCommandLineInfo info;
        app.ParseCommandLine(info);
        EXPECT_EQ(info.m_nProgramMode, c.mode);
        EXPECT_EQ(info.m_strFileName, c.file);
        EXPECT_EQ(info.m_nShellCommand, c.file.empty() ? ShellCommand::FileNew : ShellCommand::FileOpen);
        // The framework's own callers reach the same rule.
        CMyCommandLineInfo viaFramework;
        static_cast<const WinApp&>(app).ParseCommandLine(viaFramework);
        EXPECT_EQ(viaFramework.m_nProgramMode, c.mode);
        EXPECT_EQ(viaFramework.m_strFileName, c.file);
    }
}

} // namespace
