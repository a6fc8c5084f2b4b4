#include "framework/WinApp.h"

#include "framework/DocTemplate.h"
#include "framework/FrameWnd.h"
#include "framework/RecentFileList.h"
#include "framework/ResourceIds.h"
#include "log/Log.h"
#include "platform/Settings.h"

#include <QApplication>

#include <utility>

namespace {

WinApp* g_app = nullptr;

// A parameter written "-x" is a flag; so is "/x" unless it names a path (here '/' also begins
// absolute paths): a further '/' or an existing file makes it a file name.
bool splitFlag(const std::string& argument, std::string& param) {
    if (!argument.empty() && argument.front() == '-') {
        param = argument.substr(1);
        return true;
    }
    if (argument.size() > 1 && argument.front() == '/' && argument.find('/', 1) == std::string::npos) {
        std::error_code ec;
        if (!std::filesystem::exists(argument, ec)) {
            param = argument.substr(1);
            return true;
        }
    }
    param = argument;
    return false;
}

} // namespace

bool hasWidgets() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

// --- CommandLineInfo ---

void CommandLineInfo::ParseParam(const char* param, bool isFlag, bool isLast) {
    if (!isFlag && m_strFileName.empty())
        m_strFileName = param;
    if (isLast && m_nShellCommand == ShellCommand::FileNew && !m_strFileName.empty())
        m_nShellCommand = ShellCommand::FileOpen;
}

// --- WinApp ---

WinApp::WinApp(std::string appName) : m_appName(std::move(appName)) {
    g_app = this;
    // The program decides when it ends (OnClose, PostQuitMessage): a message box closed while the
    // main window is hidden must not end it.
    if (hasWidgets())
        QGuiApplication::setQuitOnLastWindowClosed(false);

    addCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    addCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    addCommandRange(ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST, [this](CommandId id) { OnOpenRecentFile(id); });
    addUpdateHandlerRange(ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST, [this](CmdUI& ui) {
        ui.Enable(m_recentFiles && static_cast<int>(ui.m_nID - ID_FILE_MRU_FILE1) < m_recentFiles->count());
    });
    addCommand(ID_APP_EXIT, [this] { OnAppExit(); });
}

WinApp::~WinApp() {
    // The frame and document go while the application they refer to still exists.
    destroyDocuments();
    if (g_app == this)
        g_app = nullptr;
}

void WinApp::destroyDocuments() {
    m_pMainWnd = nullptr;
    m_template.reset();
}

WinApp* WinApp::instance() {
    return g_app;
}

// --- the run ---

int WinApp::Main(std::vector<std::string> arguments) {
    m_arguments = std::move(arguments);
    if (!InitInstance()) {
        const int code = ExitInstance();
        // A start that failed is never reported to the caller as success.
        return code != 0 ? code : 1;
    }
    return Run();
}

int WinApp::ExitInstance() {
    if (m_recentFiles)
        m_recentFiles->WriteList();
    return m_exitCode;
}

int WinApp::Run() {
    if (!m_quitRequested && QCoreApplication::instance()) {
        m_running = true;
        QCoreApplication::exec();
        m_running = false;
    }
    return ExitInstance();
}

void WinApp::PostQuitMessage(int exitCode) {
    m_quitRequested = true;
    m_exitCode = exitCode;
    // Before Run the request is only noted: Qt would keep a quit asked outside its loop and end
    // every later modal loop at once.
    if (m_running)
        QCoreApplication::exit(exitCode);
}

// --- profile values ---

int WinApp::GetProfileInt(std::string_view section, std::string_view entry, int defaultValue) {
    return settings().readInt(SettingsKey(section), entry, defaultValue);
}

std::string WinApp::GetProfileString(std::string_view section, std::string_view entry, std::string_view defaultValue) {
    return settings().readString(SettingsKey(section), entry, defaultValue);
}

std::optional<std::vector<std::uint8_t>> WinApp::GetProfileBinary(std::string_view section, std::string_view entry) {
    return settings().readBinary(SettingsKey(section), entry);
}

bool WinApp::WriteProfileInt(std::string_view section, std::string_view entry, int value) {
    return settings().writeInt(SettingsKey(section), entry, value);
}

bool WinApp::WriteProfileString(std::string_view section, std::string_view entry, std::string_view value) {
    return settings().writeString(SettingsKey(section), entry, value);
}

bool WinApp::WriteProfileBinary(std::string_view section, std::string_view entry, std::span<const std::uint8_t> value) {
    return settings().writeBinary(SettingsKey(section), entry, value);
}

// --- recent files ---

void WinApp::LoadStdProfileSettings(int maxRecentFiles) {
    m_recentFiles.reset();
    if (maxRecentFiles <= 0)
        return;
    m_recentFiles = std::make_unique<RecentFileList>(settings(), maxRecentFiles);
    m_recentFiles->ReadList();
}

void WinApp::AddToRecentFileList(const std::filesystem::path& path) {
    if (m_recentFiles)
        m_recentFiles->Add(path);
}

// --- document template and main window ---

bool WinApp::AddDocTemplate(std::unique_ptr<SingleDocTemplate> docTemplate) {
    if (m_template || !docTemplate)
        return false;
    m_template = std::move(docTemplate);
    m_template->setApp(this);
    return true;
}

Document* WinApp::OpenDocumentFile(const std::filesystem::path& path) {
    if (!m_template || path.empty())
        return nullptr;
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    full = ec ? path : full.lexically_normal();
    Document* document = m_template->document();
    if (document && !document->GetPathName().empty() && document->GetPathName() == full) {
        // Already open: shown, not read again.
        if (FrameWnd* frame = m_template->frame())
            frame->ActivateFrame();
        return document;
    }
    return m_template->OpenDocumentFile(full);
}

void WinApp::CloseAllDocuments(bool) {
    if (m_template && m_template->document())
        m_template->document()->OnCloseDocument();
    if (m_pMainWnd)
        m_pMainWnd->hide();
    PostQuitMessage(0);
}

// --- command line ---

void WinApp::ParseCommandLine(CommandLineInfo& info) const {
    for (std::size_t i = 0; i < m_arguments.size(); ++i) {
        std::string param;
        const bool isFlag = splitFlag(m_arguments[i], param);
        info.ParseParam(param.c_str(), isFlag, i + 1 == m_arguments.size());
    }
}

bool WinApp::ProcessShellCommand(const CommandLineInfo& info) {
    switch (info.m_nShellCommand) {
    case ShellCommand::FileNew:
        runCommand(ID_FILE_NEW);
        return m_pMainWnd != nullptr;
    case ShellCommand::FileOpen:
        return OpenDocumentFile(info.m_strFileName) != nullptr;
    case ShellCommand::FileNothing:
        return true;
    }
    return false;
}

// --- services ---

QWidget* WinApp::mainWindowShown() const {
    return m_pMainWnd && m_pMainWnd->isVisible() ? m_pMainWnd : nullptr;
}

const Services& WinApp::services() {
    if (!m_services) {
        if (hasWidgets())
            // The bundle may be kept longer than this object: the main window is looked up anew.
            m_services = Services::desktop(
                m_appName,
                [] {
                    const WinApp* app = WinApp::instance();
                    return app ? app->mainWindowShown() : nullptr;
                },
                Services::programSettings(), Services::programClock());
        else
            m_services = Services::unattended(Services::programSettings(), Services::programClock());
    }
    return *m_services;
}

void WinApp::setMessageBoxes(std::shared_ptr<MessageBoxes> boxes) {
    services();
    m_services->boxes = std::move(boxes);
}

void WinApp::setFileDialogs(std::shared_ptr<FileDialogs> dialogs) {
    services();
    m_services->files = std::move(dialogs);
}

SaveChangesAnswer WinApp::askSaveChanges(const std::string& name) {
    std::string text = kSaveChangesPrompt;
    text.replace(text.find("%1"), 2, name);
    switch (messageBoxes().messageBox(text, MB_YESNOCANCEL)) {
    case IDYES:
        return SaveChangesAnswer::Yes;
    case IDNO:
        return SaveChangesAnswer::No;
    default:
        return SaveChangesAnswer::Cancel;
    }
}

std::optional<std::filesystem::path> WinApp::chooseSavePath(const std::string& suggestedName) {
    FileDialogRequest request;
    request.title = "Save As";
    std::filesystem::path name = suggestedName;
    if (m_template) {
        request.filters = m_template->fileFilters();
        request.defaultExtension = m_template->defaultExtension();
        if (!request.defaultExtension.empty() && !name.has_extension())
            name += "." + request.defaultExtension;
        // A document that has a file proposes its folder.
        if (const Document* document = m_template->document(); document && !document->GetPathName().empty())
            name = document->GetPathName().parent_path() / name.filename();
    }
    request.initial = name;
    return fileDialogs().saveFileName(request);
}

// --- commands ---

void WinApp::OnFileNew() {
    if (m_template)
        m_template->OpenDocumentFile({});
}

void WinApp::OnFileOpen() {
    FileDialogRequest request;
    request.title = "Open";
    if (m_template) {
        request.filters = m_template->fileFilters();
        request.defaultExtension = m_template->defaultExtension();
    }
    if (const auto path = fileDialogs().openFileName(request))
        OpenDocumentFile(*path);
}

bool WinApp::OnOpenRecentFile(CommandId id) {
    if (!m_recentFiles || id < ID_FILE_MRU_FILE1)
        return false;
    const int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
    const std::filesystem::path path = (*m_recentFiles)[index];
    if (path.empty())
        return false;
    if (OpenDocumentFile(path))
        return true;
    // An entry whose file cannot be opened leaves the list; one the user only declined to switch
    // to (Cancel at "Save changes?") stays.
    if (m_template && m_template->lastOpenResult() == SingleDocTemplate::OpenResult::Failed)
        m_recentFiles->Remove(index);
    return false;
}

void WinApp::OnAppExit() {
    if (m_pMainWnd)
        m_pMainWnd->OnClose();
    else
        PostQuitMessage(0);
}
