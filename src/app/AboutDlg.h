#pragma once
// The About box (dialog 100, command 57664): the program's name and version, the name of the
// installed set of server configurations, links to the maker's mail address and web page, and a
// button to the help pages.

#include "controls/HyperLink.h"
#include "framework/Dialog.h"

#include <filesystem>

inline constexpr unsigned IDD_ABOUTBOX = 100;

namespace aboutids {
inline constexpr unsigned IDC_PROGRAM_ICON = 1175;
inline constexpr unsigned IDC_SERVER_SETTINGS_NAME = 1017;
inline constexpr unsigned IDC_MAIL_LINK = 1130;
inline constexpr unsigned IDC_WEB_LINK = 1191;
inline constexpr unsigned IDC_HELP = 1145;
} // namespace aboutids

class CAboutDlg : public Dialog {
public:
    // `helpFolder`: where the help pages lie (helpPagesFolder(), as for the frame's commands).
    CAboutDlg(Services services, std::filesystem::path helpFolder, QWidget* parent = nullptr);

    // Button 1145: "FAQ.html", opened as the frame's FAQ command opens it.
    void OnHelp();

    CHyperLink* m_linkMail;
    CHyperLink* m_linkWeb;

protected:
    bool OnInitDialog() override;

private:
    std::filesystem::path m_helpFolder;
};

// Command 57664: runs the About box modally.
void RunAboutBox(const Services& services, QWidget* parent);
