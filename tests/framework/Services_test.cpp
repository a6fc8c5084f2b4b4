#include "framework/Services.h"
#include "support/FakeServices.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QDialog>
#include <QUrl>

#include <filesystem>
#include <string>

namespace {

class ShellTest : public testsupport::TempDirTest {};

// Only web pages and plain local files reach the desktop; nothing that would run a program.
TEST_F(ShellTest, OpensWebPagesAndPlainFilesOnly) {
    const auto text = path("FAQ.html");
    testsupport::writeFile(text, "<html></html>");
    const auto program = path("setup.sh");
    testsupport::writeFile(program, "#!/bin/sh\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
    const auto entry = path("Launcher.Desktop");
    testsupport::writeFile(entry, "[Desktop Entry]\nExec=rm -rf ~\n");
    const std::string textUrl = "file://" + text.string();

    struct Case {
        std::string url;
        std::string launched; // "" refused
    };
    const Case urls[] = {
        {"https://quotes.example/a?s=NWC&x=1", "https://quotes.example/a?s=NWC&x=1"},
        {"HTTP://quotes.example", "http://quotes.example"},
        {textUrl, textUrl},
        {"file://" + program.string(), ""},
        {"file://" + entry.string(), ""},
        {"file://" + dir().string(), ""},
        {"ftp://quotes.example/a", ""},
        {"javascript:alert(1)", ""},
        {"mailto:support@velmora.example?subject=Corvana", "mailto:support@velmora.example?subject=Corvana"},
        {"mailto:", ""},
        {"quotes.example/a", ""},
        {"http://", ""},
        {"", ""},
    };
    for (const Case& c : urls) {
        SCOPED_TRACE(c.url);
        testsupport::FakeShell shell;
        EXPECT_EQ(shell.openUrl(c.url), !c.launched.empty());
        EXPECT_EQ(shell.opened(), c.launched.empty() ? std::vector<std::string>{} : std::vector{c.launched});
        // An item's web page opens the same, except that it never starts the mail program.
        testsupport::FakeShell web;
        const bool page = !c.launched.empty() && !c.launched.starts_with("mailto:");
        EXPECT_EQ(web.openWebPage(c.url), page);
        EXPECT_EQ(web.opened().size(), page ? 1u : 0u);
    }

    testsupport::FakeShell shell;
    EXPECT_TRUE(shell.openFile(text));
    EXPECT_FALSE(shell.openFile(program));
    EXPECT_FALSE(shell.openFile(entry));
    EXPECT_FALSE(shell.openFile(dir()));
    EXPECT_FALSE(shell.openFile(path("missing.txt")));
    EXPECT_EQ(shell.opened(), std::vector{textUrl});
    // A folder is shown in the file manager; a file or a missing folder is not.
    testsupport::FakeShell folders;
    EXPECT_TRUE(folders.openFolder(dir()));
    EXPECT_FALSE(folders.openFolder(text));
    EXPECT_FALSE(folders.openFolder(path("missing")));
    EXPECT_EQ(folders.opened(), std::vector{QUrl::fromLocalFile(QString::fromStdString(dir().string())).toString().toStdString()});
    shell.succeed = false; // the desktop has no program for it
    EXPECT_FALSE(shell.openFile(text));
}

TEST_F(ShellTest, WithoutAUserNothingIsAskedOrOpened) {
    const auto services =
        Services::unattended(std::make_shared<SettingsStore>(path("s.conf")), std::make_shared<FixedClock>());
    EXPECT_EQ(services.boxes->messageBox("Delete?", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_FALSE(services.files->openFileName({}));
    EXPECT_FALSE(services.colors->chooseColor({QColor(Qt::red), {}}));
    const auto text = path("FAQ.html");
    testsupport::writeFile(text, "<html></html>");
    EXPECT_FALSE(services.shell->openFile(text));
    QDialog dialog;
    dialog.setObjectName("dlg_1");
    EXPECT_EQ(services.modal->run(dialog), IDCANCEL);
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
