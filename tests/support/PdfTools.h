#pragma once
// What a printed PDF holds, read with poppler's pdfinfo and pdftotext (poppler-utils, installed by
// scripts/install-deps).

#include <QString>

#include <filesystem>

namespace testsupport {

struct PdfInfo {
    int pages = 0;
    double width = 0.0; // points
    double height = 0.0;
};

// Page count and page size of `file`; zeros when pdfinfo cannot read it.
PdfInfo pdfInfo(const std::filesystem::path& file);
// The text of `file` in its layout; empty when pdftotext cannot read it.
QString pdfText(const std::filesystem::path& file);

} // namespace testsupport
