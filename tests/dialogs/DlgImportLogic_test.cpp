// The import pages' rules apart from their widgets: the template list and its note, saving and
// deleting a template in a settings file, the separator choices, and renaming a downloaded file
// for the viewer.
#include "dialogs/DlgImportLogic.h"

#include "retrieval/ServerConfigStore.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class DlgImportLogicTest : public testsupport::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        store = std::make_unique<SettingsStore>(dir() / "settings.conf");
    }
    std::vector<std::string> storedNames() const {
        std::vector<std::string> names;
        EnumImportServerNames(names, *store);
        return names;
    }
    std::unique_ptr<SettingsStore> store;
};

} // namespace

TEST(ImportTemplates, ListSelectionAndNote) {
    const std::vector<std::string> choices = ImportTemplateChoices({"Yahoo Finance", "alpha", "Zeta"});
    EXPECT_EQ(choices, (std::vector<std::string>{"-- New --", "alpha", "Yahoo Finance", "Zeta"}));
    EXPECT_EQ(SelectImportTemplate(choices, "Yahoo Finance"), "Yahoo Finance");
    EXPECT_EQ(SelectImportTemplate(choices, "yahoo"), "Yahoo Finance"); // the first that starts with it
    EXPECT_EQ(SelectImportTemplate(choices, "Quotes"), "-- New --");
    EXPECT_EQ(SelectImportTemplate(ImportTemplateChoices({}), "Yahoo Finance"), "-- New --");

    EXPECT_EQ(ImportTemplateInfo("Yahoo Finance", "Use the ticker, e.g. MSFT."),
              "For server \"Yahoo Finance\" Use the ticker, e.g. MSFT.");
    EXPECT_EQ(ImportTemplateInfo("Yahoo Finance", ""), "");
    EXPECT_EQ(ImportTemplateInfo("-- New --", "Use the ticker"), "");

    EXPECT_TRUE(ImportTemplateDeletable("Yahoo Finance"));
    for (const char* name : {"-- New --", "-- Local File --", ""})
        EXPECT_FALSE(ImportTemplateDeletable(name)) << name;
}

// "Save As" writes the page's rules under the new name, which the page then shows; "Delete"
// removes that template alone and sends the page back.
TEST_F(DlgImportLogicTest, SaveAsThenDelete) {
    ImportServerSettings other;
    other.m_strURL = "http://other/q";
    ASSERT_TRUE(SaveImportServerSettings("Other", &other, *store));

    ImportPageValues page;
    page.m_strUrl = "http://h/q?a=[&month_begin-1]&c=[&year_begin_short][&chunk_30]";
    page.m_strThousandsSep = "'";
    page.m_strDecimalSep = ".";
    page.m_nConversion = 2;
    page.m_bCaseInsensitive = 0;
    page.m_strDataFormat = "[&day].[&month].[&year];[&quotation_close]";
    page.m_strTemplateName = "-- New --";

    // A name of blanks is refused and nothing is written.
    EXPECT_FALSE(SaveImportTemplate(" \t ", page, *store));
    EXPECT_EQ(page.m_strTemplateName, "-- New --");
    EXPECT_EQ(storedNames(), std::vector<std::string>{"Other"});

    ASSERT_TRUE(SaveImportTemplate("My Server", page, *store));
    EXPECT_EQ(page.m_strTemplateName, "My Server");
    ImportServerSettings saved;
    LoadImportServerSettings("My Server", &saved, *store);
    EXPECT_EQ(saved.m_strURL, page.m_strUrl);
    EXPECT_EQ(saved.m_strThousands, "'");
    EXPECT_EQ(saved.m_strDecimal, ".");
    EXPECT_EQ(saved.m_nFormat, 2);
    EXPECT_EQ(saved.m_bNoCaseSensitive, 0);
    EXPECT_EQ(saved.m_strRegExp, page.m_strDataFormat);
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"My Server", "Other"}));

    ASSERT_TRUE(DeleteImportTemplate(page, *store));
    const std::vector<std::string> left = storedNames();
    EXPECT_EQ(left, std::vector<std::string>{"Other"});
    EXPECT_EQ(ImportTemplateChoices(left), (std::vector<std::string>{"-- New --", "Other"}));

    // A local file, a new template and no name delete nothing: never the whole list.
    for (const char* name : {"-- Local File --", "-- New --", ""}) {
        page.m_strTemplateName = name;
        EXPECT_FALSE(DeleteImportTemplate(page, *store)) << name;
    }
    EXPECT_EQ(storedNames(), std::vector<std::string>{"Other"});
}

TEST(ImportSeparators, EveryChoiceRoundTripsAndAnUnknownPairSelectsNothing) {
    for (int i = 0; i < static_cast<int>(kImportSeparatorChoices.size()); ++i) {
        std::string thousands, decimal;
        ImportSeparatorsOfChoice(i, thousands, decimal);
        EXPECT_EQ(FindImportSeparatorChoice(thousands, decimal), i);
    }
    EXPECT_EQ(FindImportSeparatorChoice(".", ","), 0);
    EXPECT_EQ(FindImportSeparatorChoice("", "."), 3);
    EXPECT_EQ(FindImportSeparatorChoice(",", ","), -1);
    std::string thousands = "x", decimal = "y";
    ImportSeparatorsOfChoice(-1, thousands, decimal);
    EXPECT_EQ(thousands, "");
    EXPECT_EQ(decimal, ",");
}

// "View file": the file of the page's conversion gets the viewer's extension; the page and the
// downloaded files name it under its new name from then on.
TEST_F(DlgImportLogicTest, ViewingRenamesOnlyTheFileNamesExtension) {
    // A folder with a dot: only the file's own name changes.
    const auto folder = dir() / "tmp.d";
    std::filesystem::create_directories(folder);
    const auto raw = folder / "page";
    const auto text = folder / "cvr1234.tmp";
    testsupport::writeFile(raw, "raw");
    testsupport::writeFile(text, "text");
    testsupport::writeFile(folder / "cvr1234.txt", "an older file of the new name");

    ImportPageFiles files;
    files.m_strRawFile = raw.string();
    files.m_strTextFile = text.string();
    ImportPageValues page;
    page.m_nConversion = 2;
    page.m_strImportFile = files.forConversion(2);

    EXPECT_EQ(PrepareImportFileForViewer(page, files, ".txt"), folder / "cvr1234.txt");
    EXPECT_EQ(page.m_strImportFile, (folder / "cvr1234.txt").string());
    EXPECT_EQ(files.m_strTextFile, page.m_strImportFile);
    EXPECT_EQ(testsupport::readFile(folder / "cvr1234.txt"), "text");
    EXPECT_FALSE(std::filesystem::exists(text));
    // The same extension in other letters: nothing is renamed.
    EXPECT_EQ(PrepareImportFileForViewer(page, files, ".TXT"), folder / "cvr1234.txt");

    page.m_nConversion = 0;
    page.m_strImportFile = files.m_strRawFile;
    EXPECT_EQ(PrepareImportFileForViewer(page, files, ".html"), folder / "page.html");
    EXPECT_EQ(files.m_strRawFile, (folder / "page.html").string());
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    // No file, or one that is gone: nothing to open.
    page.m_strImportFile = (folder / "gone.tmp").string();
    EXPECT_TRUE(PrepareImportFileForViewer(page, files, ".txt").empty());
    page.m_strImportFile.clear();
    EXPECT_TRUE(PrepareImportFileForViewer(page, files, ".txt").empty());

    files.deleteAll();
    EXPECT_TRUE(files.m_strRawFile.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "page.html"));
    EXPECT_FALSE(std::filesystem::exists(folder / "cvr1234.txt"));
}

TEST(ImportSource, FileQuestionShowsEveryFile) {
    const FileDialogRequest request = ImportFileRequest("/data/prices");
    EXPECT_EQ(request.initial, "/data/prices");
    ASSERT_EQ(request.filters.size(), 1u);
    EXPECT_EQ(request.filters[0].name, "All Files (*.*)");
    EXPECT_EQ(request.filters[0].patterns, "*");
    EXPECT_TRUE(request.defaultExtension.empty());
}
