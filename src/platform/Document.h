#pragma once
// The GUI-free document base: a file-backed document with its path, title and modified flag, the
// views that show it, and the new / open / save / close steps as virtual hooks. The framework
// drives the steps through newDocument(), openDocument(), DoSave() and DoFileSave(); questions
// to the user go through a DocumentHost.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// A view of a document, told when the document changes.
class DocumentObserver {
public:
    virtual ~DocumentObserver() = default;
    // `sender` is the view that made the change (null: none), `hint` what changed (0: everything).
    virtual void OnUpdate(DocumentObserver* sender, std::int64_t hint) = 0;
};

enum class SaveChangesAnswer { Yes, No, Cancel };

// What a document asks of the program around it.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    // "Save changes to <name>?"
    virtual SaveChangesAnswer askSaveChanges(const std::string& name) = 0;
    // The path to save under (Save As), proposed from `suggestedName`; nothing when cancelled.
    virtual std::optional<std::filesystem::path> chooseSavePath(const std::string& suggestedName) = 0;
};

class Document {
public:
    static constexpr const char* kUntitled = "Untitled";

    Document();
    virtual ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // The file the document was opened from or last saved to (empty for a new one).
    const std::filesystem::path& GetPathName() const { return m_path; }
    // Sets the path and, as title, its file name.
    void SetPathName(const std::filesystem::path& path);
    // The file name without folder, "Untitled" for a new document.
    const std::string& GetTitle() const { return m_title; }
    void SetTitle(std::string title) { m_title = std::move(title); }

    bool IsModified() const { return m_modified; }
    virtual void SetModifiedFlag(bool modified = true) { m_modified = modified; }

    void setHost(DocumentHost* host) { m_host = host; }
    DocumentHost* host() const { return m_host; }

    // Views; not owned. A view removes itself before it is destroyed.
    void AddView(DocumentObserver& view);
    void RemoveView(DocumentObserver& view);
    const std::vector<DocumentObserver*>& views() const { return m_views; }
    // Tells every view except `sender`; views may add or remove views meanwhile.
    void UpdateAllViews(DocumentObserver* sender, std::int64_t hint = 0);

    // --- steps, overridden by the concrete document ---
    // Empties the document; the base: DeleteContents() and unmodified.
    virtual bool OnNewDocument();
    // Reads the file; false when it cannot (the override reports why).
    virtual bool OnOpenDocument(const std::filesystem::path& path) = 0;
    // Writes the file (atomically); false when it cannot (the override reports why).
    virtual bool OnSaveDocument(const std::filesystem::path& path) = 0;
    // Closes: DeleteContents(), unmodified, no path, title "Untitled".
    virtual void OnCloseDocument();
    // Frees the document's contents.
    virtual void DeleteContents() {}
    // For a modified document, asks the host whether to save: Yes saves (false when that fails),
    // No goes on, Cancel stops. True when the caller may go on. Without a host a modified document
    // gives false.
    virtual bool SaveModified();
    // Whether the document's window may close; the base asks SaveModified().
    virtual bool CanCloseFrame() { return SaveModified(); }

    // --- commands ---
    // OnNewDocument; then no path, title "Untitled", unmodified.
    bool newDocument();
    // OnOpenDocument; on success the path is `path` and the document unmodified.
    bool openDocument(const std::filesystem::path& path);
    // Saves under `path`, or under a path the host chooses when `path` is empty; with `replace`
    // the document takes the new path. On success the document is unmodified.
    bool DoSave(const std::filesystem::path& path, bool replace = true);
    // Saves under the current path; through the host's choice when there is none or the file is
    // read-only.
    bool DoFileSave();

private:
    std::filesystem::path m_path;
    std::string m_title = kUntitled;
    bool m_modified = false;
    DocumentHost* m_host = nullptr;
    std::vector<DocumentObserver*> m_views;
};
