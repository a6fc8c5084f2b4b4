#pragma once
// Under ThreadSanitizer the program must not rebuild the MIME database: Qt starts that tool with a
// clone that shares the process's memory, and afterwards the sanitizer's state no longer matches
// the threads (the download workers are reported as racing with whatever the GUI thread did
// before, or the next thread start is refused as one after a fork). With the MIME package already
// in the data folder the start finds it current and runs no tool. The file types have tests of
// their own, which run in the other builds.

#include "app/FileTypes.h"
#include "support/Sanitizer.h"
#include "support/TestEnv.h"

#include <filesystem>

namespace apptest {

inline void placeMimePackageUnderThreadSanitizer([[maybe_unused]] const std::filesystem::path& dataFolder) {
#ifdef CORVANA_SANITIZER_THREAD
    testsupport::writeFile(
        dataFolder / "mime/packages/corvana.xml",
        mimePackageText({"application/x-corvana-portfolio", "Corvana Portfolio", "cvr", "Corvana", {}}));
#endif
}

} // namespace apptest
