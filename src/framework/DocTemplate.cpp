#include "framework/DocTemplate.h"

#include "framework/ResourceIds.h"
#include "framework/WinApp.h"
#include "log/Log.h"
#include "platform/Document.h"
#include "platform/TextCodec.h"

#include <QGuiApplication>

#include <algorithm>
#include <utility>

namespace {

// Shows the busy cursor while a file is read.
class WaitCursor {
public:
    WaitCursor() : m_active(hasWidgets()) {
        if (m_active)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (m_active)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_active;
};

// File extensions change case as ASCII, the same under every process locale.
std::string lowerCase(std::string text) {
    textcodec::toLowerAscii(text);
    return text;
}

std::string upperCase(std::string text) {
    textcodec::toUpperAscii(text);
    return text;
}

} // namespace

DocString DocString::fromResource(std::string_view text) {
    DocString strings;
    std::string* fields[] = {&strings.windowTitle, &strings.docName,       &strings.fileNewName,    &strings.filterName,
                             &strings.filterExt,   &strings.regFileTypeId, &strings.regFileTypeName};
    for (std::string* field : fields) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        *field = std::string(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return strings;
}

SingleDocTemplate::SingleDocTemplate(unsigned resourceId, DocString strings, DocumentFactory newDocument,
                                     FrameFactory newFrame, ViewFactory newView)
    : m_resourceId(resourceId), m_strings(std::move(strings)), m_newDocument(std::move(newDocument)),
      m_newFrame(std::move(newFrame)), m_newView(std::move(newView)) {
    m_documentCommands.addCommand(ID_FILE_SAVE, [this] { OnFileSave(); });
    m_documentCommands.addCommand(ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); });
}

SingleDocTemplate::~SingleDocTemplate() {
    m_frame.reset();
    m_document.reset();
}

std::string SingleDocTemplate::defaultExtension() const {
    std::string ext = m_strings.filterExt;
    if (!ext.empty() && ext.front() == '.')
        ext.erase(0, 1);
    return lowerCase(ext);
}

std::vector<FileFilter> SingleDocTemplate::fileFilters() const {
    std::vector<FileFilter> filters;
    const std::string ext = defaultExtension();
    if (!ext.empty()) {
        std::string patterns = "*." + ext;
        if (upperCase(ext) != ext)
            patterns += " *." + upperCase(ext);
        filters.push_back({m_strings.filterName.empty() ? "*." + ext : m_strings.filterName, patterns});
    }
    filters.push_back({"All Files (*.*)", "*"});
    return filters;
}

bool SingleDocTemplate::createFrame() {
    std::unique_ptr<FrameWnd> frame = m_newFrame ? m_newFrame() : std::make_unique<FrameWnd>();
    if (!frame)
        return false;
    CreateContext context{m_document.get(), this, m_newView, m_app ? &m_app->services() : nullptr};
    // The frame is kept while it is built: views and the document reach it through the template.
    m_frame = std::move(frame);
    if (!m_frame->LoadFrame(context)) {
        m_frame.reset();
        return false;
    }
    return true;
}

Document* SingleDocTemplate::OpenDocumentFile(const std::filesystem::path& path, bool makeVisible) {
    m_lastOpenResult = OpenResult::Failed;
    bool created = false;
    if (m_document) {
        if (!m_document->SaveModified()) {
            m_lastOpenResult = OpenResult::Refused;
            return nullptr;
        }
    } else {
        m_document = m_newDocument ? m_newDocument() : nullptr;
        if (!m_document) {
            CVR_LOG(LOG_LEVEL_ERROR, "Creating the document failed");
            return nullptr;
        }
        m_document->setHost(m_app);
        created = true;
    }
    if (!m_frame) {
        if (!createFrame()) {
            if (created)
                m_document.reset();
            return nullptr;
        }
        created = true;
    }

    // A document and frame made for this call only go again when it fails.
    const auto dropCreated = [this, created] {
        if (!created)
            return;
        if (m_app && m_app->GetMainWnd() == m_frame.get())
            m_app->setMainWnd(nullptr);
        m_frame.reset();
        m_document.reset();
    };

    if (path.empty()) {
        if (!m_document->newDocument()) {
            dropCreated();
            return nullptr;
        }
    } else {
        const bool wasModified = m_document->IsModified();
        m_document->SetModifiedFlag(false); // shows whether a failing open changed the document
        bool opened = false;
        {
            WaitCursor wait;
            opened = m_document->openDocument(path);
        }
        if (!opened) {
            if (created) {
                dropCreated();
            } else if (!m_document->IsModified()) {
                m_document->SetModifiedFlag(wasModified);
            } else {
                // The failed open emptied the document: it becomes a new one, under no path, so
                // that a later save cannot overwrite the file it was opened from.
                m_document->newDocument();
                m_document->UpdateAllViews(nullptr, 0);
                if (m_frame)
                    m_frame->OnUpdateFrameTitle();
            }
            return nullptr;
        }
        if (m_app)
            m_app->AddToRecentFileList(m_document->GetPathName());
    }

    if (m_app && !m_app->GetMainWnd())
        m_app->setMainWnd(m_frame.get());
    m_frame->InitialUpdateFrame(m_document.get(), makeVisible);
    m_lastOpenResult = OpenResult::Opened;
    return m_document.get();
}

bool SingleDocTemplate::OnFileSave() {
    if (!m_document || !m_document->DoFileSave())
        return false;
    afterSave();
    return true;
}

bool SingleDocTemplate::OnFileSaveAs() {
    if (!m_document || !m_document->DoSave({}))
        return false;
    afterSave();
    return true;
}

void SingleDocTemplate::afterSave() {
    if (m_app)
        m_app->AddToRecentFileList(m_document->GetPathName());
    if (m_frame)
        m_frame->OnUpdateFrameTitle();
}
