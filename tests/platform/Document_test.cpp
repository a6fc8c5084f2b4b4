#include "platform/AtomicFile.h"
#include "platform/Document.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <deque>

using testsupport::readFile;
using testsupport::TempDirTest;
using testsupport::writeFile;

namespace {

std::vector<std::string> filesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool runningAsRoot() {
    return ::geteuid() == 0;
}

} // namespace

// --- atomic writes ---

// Saves into a folder of its own, so a leftover temporary file would show.
class AtomicFileTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        std::filesystem::create_directory(folder());
    }
    std::filesystem::path folder() const { return path("save"); }
};

TEST_F(AtomicFileTest, ReplacesTheFileAndKeepsItsPermissions) {
    const auto target = folder() / "portfolio.cvr";
    writeFile(target, "old content");
    ::chmod(target.c_str(), 0640);
    std::string error = "stale";
    ASSERT_TRUE(writeFileAtomically(target, std::string_view("new content"), &error)) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(readFile(target), "new content");
    EXPECT_EQ(filesIn(folder()), std::vector<std::string>{"portfolio.cvr"}); // no temporary file left
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const auto fresh = folder() / "fresh.cvr";
    ASSERT_TRUE(writeFileAtomically(fresh, std::string_view("x")));
    EXPECT_EQ(readFile(fresh), "x");
}

TEST_F(AtomicFileTest, AFailureMidwayKeepsThePreviousFile) {
    const auto target = folder() / "portfolio.cvr";
    writeFile(target, "previous");
    std::string error;
    const bool ok = writeFileAtomically(
        target,
        [](AtomicFileWriter& writer) {
            EXPECT_TRUE(writer.write(std::string(100000, 'n')));
            writer.fail("serialising failed");
            return false;
        },
        &error);
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("serialising failed"), std::string::npos) << error;
    EXPECT_NE(error.find("portfolio.cvr"), std::string::npos) << error;
    EXPECT_EQ(readFile(target), "previous");
    EXPECT_EQ(filesIn(folder()), std::vector<std::string>{"portfolio.cvr"});

    // Giving up without a reason is still reported as a failure with a text.
    EXPECT_FALSE(writeFileAtomically(
        target, [](AtomicFileWriter&) { return false; }, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readFile(target), "previous");

    // A writer dropped before commit leaves nothing behind either.
    {
        AtomicFileWriter writer(target);
        ASSERT_TRUE(writer.open());
        ASSERT_TRUE(writer.write("half"));
    }
    EXPECT_EQ(readFile(target), "previous");
    EXPECT_EQ(filesIn(folder()), std::vector<std::string>{"portfolio.cvr"});
}

TEST_F(AtomicFileTest, UnwritablePlacesAreReported) {
    std::string error;
    EXPECT_FALSE(writeFileAtomically(path("missing/folder/p.cvr"), std::string_view("x"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(path("missing")));

    std::filesystem::create_directory(path("folder.cvr"));
    EXPECT_FALSE(writeFileAtomically(path("folder.cvr"), std::string_view("x"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(std::filesystem::is_directory(path("folder.cvr")));

    // The error number is that of the step that failed.
    AtomicFileWriter missing(path("missing/p.cvr"));
    EXPECT_FALSE(missing.open());
    EXPECT_EQ(missing.errorNumber(), ENOENT);
    AtomicFileWriter folderTarget(path("folder.cvr"));
    EXPECT_FALSE(folderTarget.open());
    EXPECT_EQ(folderTarget.errorNumber(), EISDIR);
    AtomicFileWriter givenUp(path("p.cvr"));
    ASSERT_TRUE(givenUp.open());
    givenUp.fail("serialising failed");
    EXPECT_FALSE(givenUp.commit());
    EXPECT_EQ(givenUp.errorNumber(), 0);
}

// A folder that refuses new files (named in the error), and a write that fails (a file size
// limit, which stops root as well), both keep the previous file and leave nothing behind.
TEST_F(AtomicFileTest, AFailedWriteKeepsThePreviousFile) {
    const auto folder = path("locked");
    std::filesystem::create_directory(folder);
    const auto target = folder / "p.cvr";
    writeFile(target, "previous");
    const std::string large(64 * 1024, 'x');
    std::string error;

    {
        const testsupport::FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.active());
        EXPECT_FALSE(writeFileAtomically(target, std::string_view(large), &error));
    }
    EXPECT_EQ(error, "Cannot save '" + target.string() + "': File too large");
    EXPECT_EQ(readFile(target), "previous");
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"p.cvr"});

    if (!runningAsRoot()) { // permissions do not stop root
        ::chmod(folder.c_str(), 0555);
        EXPECT_FALSE(writeFileAtomically(target, std::string_view("new"), &error));
        ::chmod(folder.c_str(), 0755);
        EXPECT_EQ(error, "Cannot save in the folder '" + folder.string() + "': Permission denied");
        EXPECT_EQ(readFile(target), "previous");
        EXPECT_EQ(filesIn(folder), std::vector<std::string>{"p.cvr"});
    }
}

// --- the document ---

namespace {

// A document whose content is one text, saved atomically.
class TextDocument : public Document {
public:
    bool OnOpenDocument(const std::filesystem::path& path) override {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec))
            return false;
        DeleteContents();
        text = testsupport::readFile(path);
        return true;
    }
    bool OnSaveDocument(const std::filesystem::path& path) override {
        return writeFileAtomically(path, std::string_view(text), &lastError);
    }
    void DeleteContents() override {
        ++deleted;
        text.clear();
    }

    std::string text;
    std::string lastError;
    int deleted = 0;
};

struct ScriptedHost : DocumentHost {
    SaveChangesAnswer askSaveChanges(const std::string& name) override {
        asked.push_back(name);
        return answer;
    }
    std::optional<std::filesystem::path> chooseSavePath(const std::string& suggestedName) override {
        suggested.push_back(suggestedName);
        return savePath;
    }
    SaveChangesAnswer answer = SaveChangesAnswer::Cancel;
    std::optional<std::filesystem::path> savePath;
    std::vector<std::string> asked, suggested;
};

struct View : DocumentObserver {
    void OnUpdate(DocumentObserver* sender, std::int64_t hint) override {
        calls.emplace_back(sender, hint);
        if (onUpdate)
            onUpdate();
    }
    std::vector<std::pair<DocumentObserver*, std::int64_t>> calls;
    std::function<void()> onUpdate;
};

} // namespace

class DocumentTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        doc.setHost(&host);
    }
    TextDocument doc;
    ScriptedHost host;
};

TEST_F(DocumentTest, NewOpenAndCloseSetPathTitleAndFlag) {
    EXPECT_EQ(doc.GetTitle(), "Untitled");
    doc.text = "leftover";
    doc.SetModifiedFlag();
    ASSERT_TRUE(doc.newDocument());
    EXPECT_EQ(doc.text, "");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.GetPathName().empty());
    EXPECT_EQ(doc.GetTitle(), "Untitled");

    const auto file = path("sub/My Portfolio.cvr");
    writeFile(file, "content");
    doc.SetModifiedFlag();
    ASSERT_TRUE(doc.openDocument(file));
    EXPECT_EQ(doc.text, "content");
    EXPECT_EQ(doc.GetPathName(), file);
    EXPECT_EQ(doc.GetTitle(), "My Portfolio.cvr");
    EXPECT_FALSE(doc.IsModified());

    // A failed open keeps the path and title of the document.
    EXPECT_FALSE(doc.openDocument(path("nowhere.cvr")));
    EXPECT_EQ(doc.GetPathName(), file);

    doc.SetModifiedFlag();
    doc.OnCloseDocument();
    EXPECT_EQ(doc.text, "");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "Untitled");
    EXPECT_TRUE(doc.GetPathName().empty());
}

TEST_F(DocumentTest, ViewsAreToldWithTheHintExceptTheSender) {
    View a, b, c;
    doc.AddView(a);
    doc.AddView(b);
    doc.AddView(c);
    doc.AddView(a); // once only
    doc.UpdateAllViews(&b, 17);
    EXPECT_EQ(a.calls, (std::vector<std::pair<DocumentObserver*, std::int64_t>>{{&b, 17}}));
    EXPECT_TRUE(b.calls.empty());
    EXPECT_EQ(c.calls, a.calls);

    // A view that removes another while it is told: the removed one is not called.
    a.onUpdate = [&] { doc.RemoveView(c); };
    doc.UpdateAllViews(nullptr, 0);
    EXPECT_EQ(a.calls.size(), 2u);
    EXPECT_EQ(b.calls.size(), 1u);
    EXPECT_EQ(c.calls.size(), 1u);
    EXPECT_EQ(doc.views().size(), 2u);
}

TEST_F(DocumentTest, SaveModifiedFollowsTheAnswer) {
    const auto file = path("p.cvr");
    writeFile(file, "saved");
    ASSERT_TRUE(doc.openDocument(file));

    EXPECT_TRUE(doc.SaveModified()); // unmodified: nothing asked
    EXPECT_TRUE(host.asked.empty());

    doc.text = "changed";
    doc.SetModifiedFlag();
    host.answer = SaveChangesAnswer::Cancel;
    EXPECT_FALSE(doc.SaveModified());
    EXPECT_EQ(host.asked, std::vector<std::string>{file.string()});
    EXPECT_TRUE(doc.IsModified());

    host.answer = SaveChangesAnswer::No;
    EXPECT_TRUE(doc.CanCloseFrame());
    EXPECT_EQ(readFile(file), "saved");

    host.answer = SaveChangesAnswer::Yes;
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(readFile(file), "changed");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(host.suggested.empty());

    // Without a host nobody can answer: the modified document is kept open.
    doc.SetModifiedFlag();
    doc.setHost(nullptr);
    EXPECT_FALSE(doc.SaveModified());
}

TEST_F(DocumentTest, SavingANewDocumentAsksForAPath) {
    ASSERT_TRUE(doc.newDocument());
    doc.text = "new";
    doc.SetModifiedFlag();
    host.answer = SaveChangesAnswer::Yes;

    host.savePath.reset(); // the user cancels the Save As
    EXPECT_FALSE(doc.SaveModified());
    EXPECT_EQ(host.asked, std::vector<std::string>{"Untitled"});
    EXPECT_EQ(host.suggested, std::vector<std::string>{"Untitled"});
    EXPECT_TRUE(doc.IsModified());

    host.savePath = path("chosen.cvr");
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(readFile(path("chosen.cvr")), "new");
    EXPECT_EQ(doc.GetPathName(), path("chosen.cvr"));
    EXPECT_EQ(doc.GetTitle(), "chosen.cvr");
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(DocumentTest, AFailedSaveKeepsTheFlagAndTheOldFile) {
    const auto file = path("p.cvr");
    writeFile(file, "saved");
    ASSERT_TRUE(doc.openDocument(file));
    doc.text = "changed";
    doc.SetModifiedFlag();
    EXPECT_FALSE(doc.DoSave(path("gone/p.cvr")));
    EXPECT_FALSE(doc.lastError.empty());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), file);
    EXPECT_EQ(readFile(file), "saved");

    // A copy under another name leaves the document's own path alone.
    EXPECT_TRUE(doc.DoSave(path("copy.cvr"), false));
    EXPECT_EQ(readFile(path("copy.cvr")), "changed");
    EXPECT_EQ(doc.GetPathName(), file);
}

// A file without write permission is read-only also for root, who could write it.
TEST_F(DocumentTest, AReadOnlyFileIsSavedThroughTheHostsChoice) {
    const auto file = path("ro.cvr");
    writeFile(file, "saved");
    ASSERT_TRUE(doc.openDocument(file));
    ::chmod(file.c_str(), 0444);
    doc.text = "changed";
    host.savePath = path("other.cvr");
    EXPECT_TRUE(doc.DoFileSave());
    EXPECT_EQ(host.suggested, std::vector<std::string>{"ro.cvr"});
    EXPECT_EQ(readFile(file), "saved");
    EXPECT_EQ(readFile(path("other.cvr")), "changed");
    EXPECT_EQ(doc.GetPathName(), path("other.cvr"));
}
