#pragma once
// The page display of the regular-expression test and the wizard (edit 1151): the three forms of a
// downloaded page read from their files, each shown in a read-only text view, and the map that
// turns a byte range the matching reports into the view's selection.
//
// The matching works on bytes; the view on characters. A page is shown as UTF-8 when it is valid
// UTF-8, else byte by byte as Latin-1; a CR LF pair is one line break (one position), a lone CR a
// line break too. The map from byte offsets to view positions is built once per page form.

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class MessageBoxes;
class QPlainTextEdit;

inline constexpr const char* kCouldNotAllocateText = "Could not allocate buffer!";
inline constexpr const char* kCouldNotOpenText = "Could not open file for reading!";

enum class PageReadResult { Ok, Unreadable, TooLarge };

// Reads a page file into `text`, every NUL byte replaced by a blank. Unreadable: the file cannot be
// opened or read, or is no regular file; TooLarge: it holds more than kMaxPageBytes (filtering.h),
// or no memory was left for it.
PageReadResult ReadPageFile(const std::filesystem::path& file, std::string& text);

// A page's text as the view shows it, and where each byte of the page ends up there.
class PageTextMap {
public:
    PageTextMap() = default;
    explicit PageTextMap(std::string_view page);

    // The text for the view.
    const QString& text() const { return m_text; }
    // Whether the page was read as UTF-8 (else Latin-1).
    bool utf8() const { return m_utf8; }
    // The view position of the character the byte at `offset` belongs to; the end of the text
    // for an offset at or past the page's end.
    int position(std::size_t offset) const;

private:
    // From `byte` on, bytes and positions advance together until `runEnd`; the bytes from there to
    // the next run's start form one character (a multi-byte one, or CR LF).
    struct Run {
        std::size_t byte;
        int position;
        std::size_t runEnd;
    };

    bool build(std::string_view page, bool utf8);

    QString m_text;
    std::vector<Run> m_runs;
    std::size_t m_bytes = 0;
    bool m_utf8 = true;
};

// The three forms of a page: 0 as downloaded, 1 semi-html, 2 text-only.
class PageForms {
public:
    // Reads the three files, each on its own: a file that cannot be read is reported by a box
    // ("Could not open file for reading!", or "Could not allocate buffer!" when it is too large)
    // and leaves its form empty; the others are read all the same.
    void read(const std::array<std::string, 3>& files, MessageBoxes& boxes);

    // Whether the form's file was read.
    bool loaded(int form) const;
    // The page text of a form (NULs as blanks); empty when it was not read.
    const std::string& bytes(int form) const;
    // The view text and map of a form, built on first use.
    const PageTextMap& map(int form) const;

    // Shows the form in the view (an empty view for a form that was not read).
    void show(QPlainTextEdit& view, int form) const;
    // Selects the bytes `start` to `start + length` of the shown form in the view, scrolls them
    // into view and focuses it.
    void select(QPlainTextEdit& view, int form, std::size_t start, std::size_t length) const;

private:
    static bool valid(int form) { return form >= 0 && form < 3; }

    std::array<std::string, 3> m_bytes;
    std::array<bool, 3> m_loaded{};
    mutable std::array<PageTextMap, 3> m_maps;
    mutable std::array<bool, 3> m_mapped{};
};

// Makes the page view: read-only, both scroll bars, no line wrapping, a fixed-width font.
QPlainTextEdit* makePageView(unsigned id);

// The entries of the page-form combo (1156).
inline constexpr std::array<const char*, 3> kPageFormNames = {"original", "convert to semi-html",
                                                              "convert to text-only"};
