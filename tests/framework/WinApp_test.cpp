#include "FrameworkTestKit.h"
#include "framework/ResourceIds.h"
#include "platform/Settings.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <optional>

using namespace frameworktest;

namespace {

using WinAppTest = AppTest;

TEST_F(WinAppTest, ProfileValuesLiveInTheProgramsSettingsStore) {
    EXPECT_EQ(app->GetProfileInt("GeneralOptions", "NumberDownloads", 5), 5);
    EXPECT_EQ(app->GetProfileString("MainWindow", "Dimensions"), "");
    EXPECT_FALSE(app->GetProfileBinary("GraphView", "Colors"));

    const std::vector<std::uint8_t> bytes = {0, 1, 0xFF};
    EXPECT_TRUE(app->WriteProfileInt("GeneralOptions", "NumberDownloads", 7));
    EXPECT_TRUE(app->WriteProfileString("MainWindow", "Dimensions", "10,20,810,620"));
    EXPECT_TRUE(app->WriteProfileBinary("GraphView", "Colors", bytes));

    // Another store on the program's file sees them at once.
    SettingsStore other;
    EXPECT_TRUE(std::filesystem::exists(path("home/.config/Velmora/Corvana.conf")));
    EXPECT_EQ(other.readInt("GeneralOptions", "NumberDownloads", 0), 7);
    EXPECT_EQ(other.readString("MainWindow", "Dimensions"), "10,20,810,620");
    EXPECT_EQ(app->GetProfileBinary("GraphView", "Colors"), bytes);
}

// A command line with the two mode switches of the program, as its application will parse them.
class ModeCommandLine : public CommandLineInfo {
public:
    void ParseParam(const char* param, bool isFlag, bool isLast) override {
        if (isFlag && (std::string(param) == "u" || std::string(param) == "e")) {
            mode = param;
            return;
        }
        if (isFlag)
            otherFlags.push_back(param);
        CommandLineInfo::ParseParam(param, isFlag, isLast);
    }
    std::string mode;
    std::vector<std::string> otherFlags;
};

TEST_F(WinAppTest, TheCommandLineGivesTheFileAndTheSwitchesWithSlashOrHyphen) {
    const std::string absolute = path("Portfolio.cvr").string();
    struct Case {
        std::vector<std::string> args;
        ShellCommand command;
        std::string file;
        std::string mode;
        std::vector<std::string> otherFlags;
    };
    const Case cases[] = {
        {{}, ShellCommand::FileNew, "", "", {}},
        {{"p.cvr"}, ShellCommand::FileOpen, "p.cvr", "", {}},
        {{"-u", "p.cvr"}, ShellCommand::FileOpen, "p.cvr", "u", {}},
        {{"/e", absolute}, ShellCommand::FileOpen, absolute, "e", {}},
        // A switch after the file, taken by the application, leaves the base's last step out.
        {{"p.cvr", "/u"}, ShellCommand::FileNew, "p.cvr", "u", {}},
        {{"/U", "p.cvr"}, ShellCommand::FileOpen, "p.cvr", "", {"U"}},
        {{"a.cvr", "b.cvr", "-x"}, ShellCommand::FileOpen, "a.cvr", "", {"x"}},
        {{"/tmp"}, ShellCommand::FileOpen, "/tmp", "", {}}, // an existing path is no switch
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.front());
        app->setArguments(c.args);
        ModeCommandLine info;
        app->ParseCommandLine(info);
        EXPECT_EQ(info.m_nShellCommand, c.command);
        EXPECT_EQ(info.m_strFileName, c.file);
        EXPECT_EQ(info.mode, c.mode);
        EXPECT_EQ(info.otherFlags, c.otherFlags);
    }
}

TEST_F(WinAppTest, TheShellCommandCreatesANewDocumentOrOpensTheFile) {
    CommandLineInfo none;
    none.m_nShellCommand = ShellCommand::FileNothing;
    EXPECT_TRUE(app->ProcessShellCommand(none));
    EXPECT_EQ(app->GetMainWnd(), nullptr);

    CommandLineInfo missing;
    missing.m_nShellCommand = ShellCommand::FileOpen;
    missing.m_strFileName = path("missing.cvr").string();
    EXPECT_FALSE(app->ProcessShellCommand(missing));

    CommandLineInfo fresh;
    EXPECT_TRUE(app->ProcessShellCommand(fresh));
    EXPECT_EQ(document()->GetTitle(), "Untitled");

    CommandLineInfo open;
    open.m_nShellCommand = ShellCommand::FileOpen;
    open.m_strFileName = file("p.cvr", "p").string();
    EXPECT_TRUE(app->ProcessShellCommand(open));
    EXPECT_EQ(document()->content, "p");
}

// An application whose start-up is given by the test.
class ScriptedApp : public WinApp {
public:
    std::function<bool(ScriptedApp&)> init;
    int exits = 0;
    bool InitInstance() override { return init(*this); }
    int ExitInstance() override {
        ++exits;
        return WinApp::ExitInstance();
    }
};

class WinAppRunTest : public AppTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        auto scripted = std::make_unique<ScriptedApp>();
        runner = scripted.get();
        app = std::move(scripted);
        app->setMessageBoxes(boxes);
        app->setFileDialogs(dialogs);
        app->AddDocTemplate(std::make_unique<SingleDocTemplate>(
            127, testDocString(), [] { return std::make_unique<TextDocument>(); }, frameFactory(),
            [] { return std::make_unique<RecordingView>(); }));
    }
    ScriptedApp* runner = nullptr;
};

TEST_F(WinAppRunTest, AFailedStartEndsWithAnErrorCode) {
    runner->init = [](ScriptedApp&) { return false; };
    EXPECT_EQ(runner->Main({}), 1);
    EXPECT_EQ(runner->exits, 1);
}

TEST_F(WinAppRunTest, AnUnattendedRunThatExitsDuringStartUpNeverShowsTheWindowNorWaits) {
    const auto p = file("p.cvr", "p");
    std::optional<EventLoopGuard> notEntered;
    runner->init = [&](ScriptedApp& a) {
        a.m_nCmdShow = SW_HIDE;
        if (!a.OpenDocumentFile(a.arguments().at(0)))
            return false;
        a.GetMainWnd()->SendCommand(ID_APP_EXIT);
        notEntered.emplace(0); // from here on only the run itself
        return true;
    };
    EXPECT_EQ(runner->Main({p.string()}), 0);
    notEntered.reset();
    EXPECT_EQ(runner->exits, 1);
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_EQ(document()->closeCount, 1);
}

TEST_F(WinAppRunTest, TheEventLoopRunsUntilTheExitCommand) {
    bool ranInLoop = false;
    runner->init = [&](ScriptedApp& a) {
        if (!a.docTemplate()->OpenDocumentFile({}))
            return false;
        a.GetMainWnd()->addCommand(40100, [&] { ranInLoop = true; });
        a.GetMainWnd()->PostCommand(40100);
        QTimer::singleShot(20, a.GetMainWnd(), [&a] { a.GetMainWnd()->SendCommand(ID_APP_EXIT); });
        return true;
    };
    {
        const EventLoopGuard ends(10000);
        EXPECT_EQ(runner->Main({}), 0);
    }
    EXPECT_TRUE(ranInLoop);
    EXPECT_TRUE(runner->quitRequested());
    EXPECT_FALSE(frame()->isVisible());
}

} // namespace
