#include "app/FileTypes.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

class FileTypesTest : public testsupport::TempDirTest {
protected:
    FileTypeRegistration registration{"application/x-corvana-portfolio", "Corvana Portfolio", "cvr", "Corvana",
                                      "/opt/corvana/bin/corvana"};
};

TEST_F(FileTypesTest, FilesAreWrittenOnlyWhenTheyDiffer) {
    const fs::path data = dir() / "share";
    FileTypeResult first = registerFileTypes(registration, data);
    EXPECT_TRUE(first.mimePackageWritten);
    EXPECT_TRUE(first.desktopEntryWritten);
    EXPECT_FALSE(first.failed);
    EXPECT_EQ(testsupport::readFile(data / "mime/packages/corvana.xml"), mimePackageText(registration));
    EXPECT_EQ(testsupport::readFile(data / "applications/corvana.desktop"), desktopEntryText(registration));

    const FileTypeResult second = registerFileTypes(registration, data);
    EXPECT_FALSE(second.mimePackageWritten);
    EXPECT_FALSE(second.desktopEntryWritten);

    registration.program = "/home/ann/Corvana build/corvana";
    const FileTypeResult moved = registerFileTypes(registration, data);
    EXPECT_FALSE(moved.mimePackageWritten);
    EXPECT_TRUE(moved.desktopEntryWritten);
}

TEST_F(FileTypesTest, TheEntryOpensPortfolioFilesWithTheProgram) {
    EXPECT_NE(mimePackageText(registration).find("<mime-type type=\"application/x-corvana-portfolio\">"),
              std::string::npos);
    EXPECT_NE(mimePackageText(registration).find("<glob pattern=\"*.cvr\"/>"), std::string::npos);
    const std::string entry = desktopEntryText(registration);
    EXPECT_NE(entry.find("\nExec=\"/opt/corvana/bin/corvana\" %f\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nMimeType=application/x-corvana-portfolio;\n"), std::string::npos);
    // Characters the Exec quoting reserves are escaped, and backslashes once more for the value.
    registration.program = "/opt/a \"b\" $c 100%/corvana";
    EXPECT_NE(desktopEntryText(registration).find("Exec=\"/opt/a \\\\\"b\\\\\" \\\\$c 100%%/corvana\" %f"),
              std::string::npos)
        << desktopEntryText(registration);
}

TEST_F(FileTypesTest, AFolderThatCannotBeWrittenNeverFails) {
    testsupport::writeFile(dir() / "plain-file", "x");
    const FileTypeResult result = registerFileTypes(registration, dir() / "plain-file");
    EXPECT_TRUE(result.failed);
    EXPECT_FALSE(result.mimePackageWritten);
    EXPECT_FALSE(result.desktopEntryWritten);
    EXPECT_TRUE(registerFileTypes(registration, {}).failed);
}

} // namespace
