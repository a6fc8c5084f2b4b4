#pragma once
// The single document template: the one document, its frame and views, created on first use and
// reused for every later new or opened document.

#include "framework/CommandTarget.h"
#include "framework/FileDialogs.h"
#include "framework/FrameWnd.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Document;
class WinApp;

// The document type's texts.
struct DocString {
    std::string windowTitle;     // the program's title: "Corvana"
    std::string docName;         // none here: a new document is "Untitled"
    std::string fileNewName;     // the type's name in a list of new-document types
    std::string filterName;      // "Corvana Portfolios (*.cvr)"
    std::string filterExt;       // ".cvr"
    std::string regFileTypeId;   // "Corvana.Document"
    std::string regFileTypeName; // "Corvana Portfolio"

    // The fields of a document string resource, in this order, separated by line breaks; missing
    // fields are empty.
    static DocString fromResource(std::string_view text);
};

class SingleDocTemplate {
public:
    using DocumentFactory = std::function<std::unique_ptr<Document>()>;
    using FrameFactory = std::function<std::unique_ptr<FrameWnd>()>;

    SingleDocTemplate(unsigned resourceId, DocString strings, DocumentFactory newDocument, FrameFactory newFrame,
                      ViewFactory newView);
    // Destroys the frame (with its views), then the document.
    ~SingleDocTemplate();
    SingleDocTemplate(const SingleDocTemplate&) = delete;
    SingleDocTemplate& operator=(const SingleDocTemplate&) = delete;

    // Set by WinApp::AddDocTemplate: the application becomes the document's host, keeps the
    // recent-file list and takes the first frame as its main window.
    void setApp(WinApp* app) { m_app = app; }
    WinApp* app() const { return m_app; }

    // A new document (`path` empty) or the file `path`, in the one document; creates the document
    // and frame on first use. The current document is asked first whether it may be replaced
    // (SaveModified). New: OnNewDocument, untitled. Open: OnOpenDocument; on success the document
    // takes the path and the file joins the recent-file list. Then the frame's initial update.
    // Null on failure or refusal: a document that a failed open had already changed becomes a new
    // document; one it had not touched keeps its state.
    Document* OpenDocumentFile(const std::filesystem::path& path, bool makeVisible = true);
    // How the last OpenDocumentFile ended: Refused when the current document was not to be replaced.
    enum class OpenResult { Opened, Refused, Failed };
    OpenResult lastOpenResult() const { return m_lastOpenResult; }

    Document* document() const { return m_document.get(); }
    FrameWnd* frame() const { return m_frame.get(); }

    // Command table of the document (Save and Save As, which the base provides); the frame routes
    // to it after the active view.
    CommandTarget& documentCommands() { return m_documentCommands; }

    unsigned resourceId() const { return m_resourceId; }
    const DocString& docString() const { return m_strings; }
    // The document type's extension without the dot, lower case ("cvr").
    std::string defaultExtension() const;
    // The type list of open and save dialogs: the document type (both letter cases of its
    // extension), then "All Files (*.*)".
    std::vector<FileFilter> fileFilters() const;

    // The document commands: save under the current name (or a chosen one) and save under a chosen
    // name; on success the file joins the recent-file list. False when not saved.
    bool OnFileSave();
    bool OnFileSaveAs();

private:
    bool createFrame();
    void afterSave();

    unsigned m_resourceId;
    DocString m_strings;
    DocumentFactory m_newDocument;
    FrameFactory m_newFrame;
    ViewFactory m_newView;
    WinApp* m_app = nullptr;
    OpenResult m_lastOpenResult = OpenResult::Opened;
    CommandTarget m_documentCommands;
    std::unique_ptr<Document> m_document;
    std::unique_ptr<FrameWnd> m_frame; // destroyed before the document
};
