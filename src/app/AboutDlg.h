#pragma once
// The About box (dialog 100, command 57664): the program's name and version, the name of the
// installed set of server configurations, links to the maker's mail address and web page, and a
// button to the help pages.

#include "controls/HyperLink.h"
#include "framework/Dialog.h"

#include <filesystem>
#include <string_view>

inline constexpr unsigned IDD_ABOUTBOX = 100;

namespace aboutids {
inline constexpr unsigned IDC_PROGRAM_ICON = 1175;
inline constexpr unsigned IDC_SERVER_SETTINGS_NAME = 1017;
inline constexpr unsigned IDC_MAIL_LINK = 1130;
inline constexpr unsigned IDC_WEB_LINK = 1191;
inline constexpr unsigned IDC_HELP = 1145;
} // namespace aboutids

// Opens the help page `name` ("FAQ.html", "ServerSettings.html") of the program's folder
// `folder` through the shell; false (logged) when there is none or it could not be opened.
bool OpenHelpPage(const Services& services, const std::filesystem::path& folder, std::string_view name);

class CAboutDlg : public Dialog {
public:
    // `programFolder`: where the help pages lie.
    CAboutDlg(Services services, std::filesystem::path programFolder, QWidget* parent = nullptr);

    // Button 1145: "FAQ.html" of the program's folder, as the frame's FAQ command opens it.
    void OnHelp();

    CHyperLink* m_linkMail;
    CHyperLink* m_linkWeb;

protected:
    bool OnInitDialog() override;

private:
    std::filesystem::path m_programFolder;
};

// Command 57664: runs the About box modally.
void RunAboutBox(const Services& services, QWidget* parent);
