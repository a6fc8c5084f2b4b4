#pragma once
// The program's help pages ("FAQ.html", "ServerSettings.html"): the one place that decides where
// they lie and how they are opened, for the frame's help commands, the About box and the server
// editor alike.

#include <filesystem>
#include <string_view>

struct Services;

// The folder of the help pages: "data" beside the program, where the build and the installation
// put them.
std::filesystem::path helpPagesFolder();

// Opens the help page `name` of `folder` with the desktop's program. A page that is missing or
// that the desktop cannot open is logged and told to the user in a box; false then.
bool openHelpPage(const Services& services, std::string_view name,
                  const std::filesystem::path& folder = helpPagesFolder());
