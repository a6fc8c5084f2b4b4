#include "framework/DocTemplate.h"
#include "framework/ResourceIds.h"
#include "framework/StringTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StringTable, TextsByIdAndNothingForAnIdItDoesNotHold) {
    EXPECT_EQ(LoadString(40000), "Download ID");
    EXPECT_EQ(LoadString(40024), "[%s] - Abort downloads...");
    EXPECT_EQ(LoadString(40032), "Update: %i/%i");
    EXPECT_EQ(LoadString(IDS_IDLEMESSAGE), ""); // the idle message leaves the pane empty
    EXPECT_EQ(LoadString(0), "");
    EXPECT_EQ(LoadString(4'000'000'000u), "");
}

TEST(StringTable, ACommandsEntrySplitsIntoPromptAndToolTip) {
    struct Case {
        const char* text;
        const char* prompt;
        const char* tip;
    };
    const Case cases[] = {
        {"Update all quotations\nUpdate all", "Update all quotations", "Update all"},
        {"Only a prompt", "Only a prompt", ""},
        {"\nOnly a tip", "", "Only a tip"},
        {"Prompt\nTip\nwith a second line", "Prompt", "Tip\nwith a second line"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const CommandStrings strings = splitCommandString(c.text);
        EXPECT_EQ(strings.prompt, c.prompt);
        EXPECT_EQ(strings.toolTip, c.tip);
    }
    EXPECT_EQ(LoadCommandStrings(32797).toolTip, "Abort downloads");
}

TEST(StringTable, TheDocumentStringGivesTheTemplatesSevenFields) {
    const DocString strings = DocString::fromResource(LoadString(127));
    EXPECT_EQ(strings.windowTitle, "Corvana");
    EXPECT_EQ(strings.docName, "");
    EXPECT_EQ(strings.fileNewName, "Corvana");
    EXPECT_EQ(strings.filterName, "Corvana Portfolios (*.cvr)");
    EXPECT_EQ(strings.filterExt, ".CVR");
    EXPECT_EQ(strings.regFileTypeId, "Corvana.Document");
    EXPECT_EQ(strings.regFileTypeName, "Corvana Portfolio");

    const DocString short_ = DocString::fromResource("Title\n\nNew");
    EXPECT_EQ(short_.fileNewName, "New");
    EXPECT_EQ(short_.regFileTypeName, "");
}

} // namespace
