#include "framework/HelpPages.h"

#include "framework/Services.h"
#include "log/Log.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"

#include <system_error>

namespace {

constexpr const char* kHelpPageMissingText = "The help page '%s' does not exist.";
constexpr const char* kHelpPageNotOpenedText = "Could not open the help page '%s'.";

} // namespace

std::filesystem::path helpPagesFolder() {
    return paths::programPath().parent_path() / "data";
}

bool openHelpPage(const Services& services, std::string_view name, const std::filesystem::path& folder) {
    const std::filesystem::path page = folder / std::filesystem::path(name);
    if (services.shell && services.shell->openFile(page))
        return true;
    std::error_code ec;
    const bool exists = std::filesystem::is_regular_file(page, ec);
    CVR_LOG(LOG_LEVEL_WARNING, "Could not open the help page '%s'%s", page.string().c_str(),
            exists ? "" : " (no such file)");
    if (services.boxes)
        services.boxes->messageBox(
            textcodec::formatText(exists ? kHelpPageNotOpenedText : kHelpPageMissingText, page.string().c_str()),
            MB_OK | MB_ICONEXCLAMATION);
    return false;
}
