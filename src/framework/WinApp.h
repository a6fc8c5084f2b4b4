#pragma once
// The application object's base: the program's run (start-up, event loop, shut-down), its profile
// values in the settings store, the recent-file list, the single document template and its main
// window, the command line, and the services bundle it hands down to its frame (Services.h). It is
// also the document's host, and the last target of the command route (New, Open, the recent files,
// Exit).
//
// One application object exists at a time; WinApp::instance() finds it.

#include "framework/CommandTarget.h"
#include "framework/FileDialogs.h"
#include "framework/MessageBoxes.h"
#include "framework/Services.h"
#include "platform/Document.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class FrameWnd;
class QWidget;
class RecentFileList;
class SettingsStore;
class SingleDocTemplate;

enum class ShellCommand { FileNew, FileOpen, FileNothing };

// The command line: which document to start with. A derived class adds its own switches by
// overriding ParseParam and passing on what it does not take.
class CommandLineInfo {
public:
    virtual ~CommandLineInfo() = default;
    // One parameter. `isFlag`: it was written with a leading '-' or '/', which is removed here.
    // `isLast`: the last parameter. The base takes the first non-flag parameter as the file to
    // open and ignores flags.
    virtual void ParseParam(const char* param, bool isFlag, bool isLast);

    ShellCommand m_nShellCommand = ShellCommand::FileNew;
    std::string m_strFileName;
};

class WinApp : public CommandTarget, public DocumentHost {
public:
    static constexpr const char* kSaveChangesPrompt = "Save changes to %1?";

    explicit WinApp(std::string appName = "Corvana");
    ~WinApp() override;

    // The application object; null when there is none.
    static WinApp* instance();
    const std::string& appName() const { return m_appName; }

    // --- the run ---
    // The whole run: InitInstance, then (when it succeeds) the event loop, then ExitInstance.
    // Returns the exit code: ExitInstance's result; 1 at least when InitInstance failed.
    int Main(std::vector<std::string> arguments);
    virtual bool InitInstance() { return true; }
    // Saves the recent-file list; returns the exit code PostQuitMessage gave.
    virtual int ExitInstance();
    // Runs the event loop until PostQuitMessage (at once when it was called already), then ExitInstance.
    int Run();
    // Ends the event loop with `exitCode`, also when it has not started yet.
    void PostQuitMessage(int exitCode = 0);
    // Destroys the frame with its views, then the document. ExitInstance of a derived application
    // calls it once the windows have saved what they keep and before the services the document
    // and windows use (downloads, logging, the document's host) shut down; the destructor calls it
    // too when nothing did.
    void destroyDocuments();
    bool quitRequested() const { return m_quitRequested; }
    const std::vector<std::string>& arguments() const { return m_arguments; }
    void setArguments(std::vector<std::string> arguments) { m_arguments = std::move(arguments); }

    // --- profile values (HKEY_CURRENT_USER\Software\<key>\<program>\<section>) ---
    // The store already lives under Velmora\Corvana; this records the company name.
    void SetRegistryKey(std::string company) { m_registryKey = std::move(company); }
    const std::string& registryKey() const { return m_registryKey; }
    int GetProfileInt(std::string_view section, std::string_view entry, int defaultValue);
    std::string GetProfileString(std::string_view section, std::string_view entry, std::string_view defaultValue = {});
    std::optional<std::vector<std::uint8_t>> GetProfileBinary(std::string_view section, std::string_view entry);
    bool WriteProfileInt(std::string_view section, std::string_view entry, int value);
    bool WriteProfileString(std::string_view section, std::string_view entry, std::string_view value);
    bool WriteProfileBinary(std::string_view section, std::string_view entry, std::span<const std::uint8_t> value);
    SettingsStore& settings() { return *services().settings; }

    // --- recent files ---
    // Reads the recent-file list of `maxRecentFiles` entries (none for 0).
    void LoadStdProfileSettings(int maxRecentFiles = 4);
    RecentFileList* recentFileList() const { return m_recentFiles.get(); }
    void AddToRecentFileList(const std::filesystem::path& path);

    // --- document template and main window ---
    // Registers the one template (a second replaces nothing and is refused: false).
    bool AddDocTemplate(std::unique_ptr<SingleDocTemplate> docTemplate);
    SingleDocTemplate* docTemplate() const { return m_template.get(); }
    // Opens the file in the template's document; a file that is open already is only activated.
    Document* OpenDocumentFile(const std::filesystem::path& path);
    // Closes the document without asking and ends the run (the session ends).
    void CloseAllDocuments(bool endSession);
    FrameWnd* GetMainWnd() const { return m_pMainWnd; }
    void setMainWnd(FrameWnd* frame) { m_pMainWnd = frame; }
    // How the main frame is first shown (SW_*); -1 once it has been shown.
    int m_nCmdShow = 1;

    // --- command line ---
    // Hands each argument to info.ParseParam. The base takes "-x" as the flag x, and "/x" too
    // unless it names a path (a further '/' or an existing file). An application with a rule of its
    // own overrides this, so that every caller, also one through WinApp, gets that rule.
    virtual void ParseCommandLine(CommandLineInfo& info) const;
    // New document or the named file; false when that fails.
    bool ProcessShellCommand(const CommandLineInfo& info);

    // --- services ---
    // The bundle handed down to the frame (and by it to views and dialogs): the desktop's when the
    // program has a QApplication, else the unattended one, on the program's settings and clock,
    // unless replaced. Windows keep the bundle they were given: replace parts before they exist.
    const Services& services();
    void setServices(Services services) { m_services = std::move(services); }
    MessageBoxes& messageBoxes() { return *services().boxes; }
    void setMessageBoxes(std::shared_ptr<MessageBoxes> boxes);
    FileDialogs& fileDialogs() { return *services().files; }
    void setFileDialogs(std::shared_ptr<FileDialogs> dialogs);

    // DocumentHost: "Save changes to <name>?" (Yes/No/Cancel) and the Save As dialog.
    SaveChangesAnswer askSaveChanges(const std::string& name) override;
    std::optional<std::filesystem::path> chooseSavePath(const std::string& suggestedName) override;

    // --- commands of the application ---
    virtual void OnFileNew();
    virtual void OnFileOpen();
    // Opens recent file `id` - ID_FILE_MRU_FILE1; an entry that fails to open leaves the list.
    virtual bool OnOpenRecentFile(CommandId id);
    // Closes the main window as its close button does.
    virtual void OnAppExit();

private:
    // The last choice of the window boxes and dialogs belong to: the main window while it shows.
    QWidget* mainWindowShown() const;

    std::string m_appName;
    std::string m_registryKey;
    std::vector<std::string> m_arguments;
    std::optional<Services> m_services;
    std::unique_ptr<RecentFileList> m_recentFiles;
    std::unique_ptr<SingleDocTemplate> m_template;
    FrameWnd* m_pMainWnd = nullptr;
    bool m_quitRequested = false;
    bool m_running = false; // inside Run's event loop
    int m_exitCode = 0;
};

// Whether the program runs with a QApplication, so that windows, message boxes, dialogs and the busy
// cursor can show; GUI-free tests and tools have none.
bool hasWidgets();
