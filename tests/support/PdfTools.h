#pragma once
// What a printed PDF holds, read with poppler's pdfinfo, pdftotext and pdftoppm (poppler-utils,
// installed by scripts/install-deps).

#include <QString>

#include <filesystem>
#include <vector>

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

// One page rendered in grey levels (0 black .. 255 white), row by row.
struct PdfPageImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> gray;

    // The pixels darker than white in columns [x0, x1) and rows [y0, y1), given as fractions of
    // the page's width and height.
    int inked(double x0, double y0, double x1, double y1) const;
};
// Page `page` (1 = first) of `file` at `dpi`; empty when pdftoppm cannot render it.
PdfPageImage pdfPage(const std::filesystem::path& file, int page, int dpi = 50);

} // namespace testsupport
