#pragma once
// Page conversion and value extraction: a downloaded page becomes its semi-html or text-only
// form, and a quotation is read from it either after an anchor text (skipping tags and numbers)
// or by a regular expression whose place holders mark date, time and values. Quotation
// histories are imported by the same regular expressions.
//
// Every function here works on its own buffers and files only; download workers call them on
// many threads at once. Numbers are read without regard to the process locale. Pages are bytes:
// regular expressions run in PCRE2's 8-bit mode without UTF.

#include "portfolio/Kurs.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Page formats of a server configuration (and of the wizard's search).
inline constexpr int FORMAT_ORIGINAL = 0;
inline constexpr int FORMAT_SEMI_HTML = 1;
inline constexpr int FORMAT_TEXT_ONLY = 2;
inline constexpr int FORMAT_ORIGINAL_ON_BEGIN = 3; // wizard only: the anchor starts a line

// Result codes of the extraction functions.
inline constexpr int EXTRACT_OK = 0;
inline constexpr int EXTRACT_NOT_FOUND = 1;       // no number or no match where one was expected
inline constexpr int EXTRACT_TEXT_MISSING = 2;    // the anchor text is not on the page
inline constexpr int EXTRACT_INVALID_VALUE = 3;   // the number (or the date) does not convert
inline constexpr int EXTRACT_PATTERN_ERROR = 4;   // the regular expression does not compile
inline constexpr int EXTRACT_GROUP_MISSING = 5;   // a needed capture group is not in the match
inline constexpr int EXTRACT_FILE_UNREADABLE = 6; // the page file cannot be opened, read or held

// --- Page files -----------------------------------------------------------------------------

// The largest page taken anywhere: a download stops there, and every reader of a page file here
// refuses a larger file. No quotation page comes near it; an endless body must neither fill the
// temporary folder nor the memory of the extraction.
inline constexpr std::int64_t kMaxPageBytes = 64LL * 1024 * 1024;

// The text of a page refused for its size: "The page is larger than 64 MB!".
std::string PageTooLargeText();

// A page file held whole: its bytes and one zero byte after them.
struct PageText {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;

    std::string_view text() const { return {bytes.get(), size}; }
    std::string_view withTerminator() const { return {bytes.get(), size + 1}; }
};

// What a page read does with the zero bytes inside the page: blanks for matching (the page is
// one searchable text), kept for a conversion (which copies the page byte for byte).
enum class PageZeroBytes { Blank, Keep };

// Reads the page file at `path` into `page`: one read into a buffer of its size plus one, no
// other copy. Only a regular file is read -- the open does not wait, so a FIFO or a device is
// refused rather than blocking -- and none larger than kMaxPageBytes. Returns 0, or the error
// number of the step that failed (EFBIG: too large, ENOMEM: no memory to hold it) with the
// reason in `error`.
int ReadPageText(const std::filesystem::path& path, PageText& page, std::string& error,
                 PageZeroBytes zeros = PageZeroBytes::Blank);

// --- Page conversion ------------------------------------------------------------------------

// The page in the given form: 0 unchanged; 1 every tag "<...>" becomes "<>" (an unclosed tag at
// the end keeps only its "<"); 2 every tag becomes one blank (an unclosed one drops the rest of
// the page), then "&nbsp;", "&quot;", "&amp;", "&lt;", "&gt;" are decoded in this order, each
// entity completely before the next; any other mode gives an empty text.
std::string ConvertPageText(int mode, std::string_view page);

// Converts the file `source` into `destination` (created or truncated) by ConvertPageText.
// True on success; false after logging why (the destination is then empty or absent).
bool HtmlToTxt(int mode, const std::filesystem::path& source, const std::filesystem::path& destination);

// --- Numbers --------------------------------------------------------------------------------

// Reads the number at the start of `text` written with the given thousands and decimal separator
// texts (any length, either may be empty; the thousands separator is tested first). `text` is
// the rest of the page or subject, not a cut-out number: reading stops at the first character
// that does not belong to the number. `code` becomes 0 (success), 1 (no number here) or 3 (the
// number text does not convert). Locale-free.
double ParseNumber(std::string_view text, std::string_view thousands, std::string_view decimal, int& code);

// --- Extraction by anchor text --------------------------------------------------------------

// Reads a semi-html page file: finds the anchor text, passes `tags` "<>" and then `numbers`
// numbers, and reads the number that follows. Returns the value, or 0 with `code` 1, 2, 3 or 6;
// `preview` receives the page text where the search failed (at most 50 characters and " [...]"
// when more follow, or "EOF"), else it is empty.
double GetQuotationSemiHtml(const std::filesystem::path& file, std::string_view anchor, std::string_view thousands,
                            std::string_view decimal, int tags, int numbers, bool caseInsensitive, int& code,
                            std::string& preview);

// The same for original and text-only pages, where only numbers are passed.
double GetQuotationText(const std::filesystem::path& file, std::string_view anchor, std::string_view thousands,
                        std::string_view decimal, int numbers, bool caseInsensitive, int& code, std::string& preview);

// --- Extraction by regular expression -------------------------------------------------------

// Capture-group numbers of the value place holders; -1: the pattern has no such place holder.
struct RegExpGroupIndexes {
    int m_nOpenIndex = -1;
    int m_nCloseIndex = -1;
    int m_nHighIndex = -1;
    int m_nLowIndex = -1;
    int m_nVolumeIndex = -1;
    int m_nDayIndex = -1;
    int m_nMonthIndex = -1;
    int m_nYearIndex = -1;
    int m_nHourIndex = -1;
    int m_nMinuteIndex = -1;

    bool operator==(const RegExpGroupIndexes&) const = default;
};

// The count of "(" at the indexes 0 to `position` (inclusive) not directly after a backslash.
int CountCaptureGroups(std::string_view pattern, std::size_t position);

// Replaces every [&day], [&month], [&year], [&hour], [&minute], [&quotation_close],
// [&quotation_open], [&quotation_high], [&quotation_low], [&volume] and [&dummyvalue] in
// `pattern` by its capturing sub-pattern and sets `indexes` to the group numbers of the first
// occurrence of each. The numbers are PCRE2's own, so non-capturing groups, "(" in character
// classes, escapes and repeated place holders are all counted right; a pattern that does not
// compile gets the numbers by counting "(" (its matching fails anyway).
void RegExpExpandPlaceHolders(std::string& pattern, RegExpGroupIndexes& indexes, std::string_view decimal,
                              std::string_view thousands);

// One quotation from a page file by an expanded pattern (the close group is required). The
// quotation's date is the reference date on entry; on success it holds the values found and the
// date assembled from the date and time groups that took part in the match (the rest from the
// reference, seconds 0). On failure returns false with `code` 1, 3, 4, 5 or 6 and the user's
// text in `message`. The subject is the page and its terminating zero byte, which a pattern may
// match; "$" still matches at the end of a last line without a line break.
bool RegExpGetQuotationFile(const std::filesystem::path& file, CKurs& quotation, std::string_view pattern,
                            const RegExpGroupIndexes& indexes, bool caseInsensitive, int& matchStart, int& matchLength,
                            std::string_view thousands, std::string_view decimal, int& code, std::string& message);

// The same on a text in memory; `closeRequired` false lets a pattern without close group pass.
bool RegExpGetQuotation(std::string_view subject, CKurs& quotation, std::string_view pattern,
                        const RegExpGroupIndexes& indexes, bool caseInsensitive, bool closeRequired, int& matchStart,
                        int& matchLength, std::string_view thousands, std::string_view decimal, int& code,
                        std::string& message);

// The text of group `groupIndex` (0: the whole match) of the first match of `pattern` in
// `subject` at or after `startOffset` (the text before it still counts for "^" and
// look-behinds; `matchStart` is counted from the subject's start). True when the group exists
// and took part in the match.
bool RegExpTestRule(std::string_view subject, std::string_view pattern, bool caseInsensitive, int groupIndex,
                    std::string& value, int& matchStart, int& matchLength, int& code, std::string& message,
                    std::size_t startOffset = 0);

// The lines of a file an import left out: those whose record's date and time do not form a date
// (day 0 or past the month's end, month 0 or 13), and those of the data block that hold a digit
// (and `lineMarker`, when given) but no record. The data block runs from the first to the last
// line a record stood on, widened through the neighbouring lines that hold a digit; headings,
// blank lines and a page's surroundings lie outside it.
struct RegExpImportSkips {
    std::string lineMarker;  // in: a text every record line holds (the item's symbol), or empty
    int count = 0;           // out: the lines left out
    std::string firstReason; // out: the first one's line and reason
};

// Every match of `pattern` in the file becomes a quotation appended to `quotations` (owned by
// the caller), in file order. Day 30, 20:00 and the current month and year stand in for what
// the first match does not capture; later matches keep what earlier ones captured. A match whose
// date cannot be formed is skipped (logged as a warning, counted in `skips` when given), carries
// nothing over to the next ones, and the import goes on. The import usually ends at the first
// search without a match (false, code 1); the caller judges it by the quotations found.
bool RegExpImportQuotations(const std::filesystem::path& file, std::vector<std::unique_ptr<CKurs>>& quotations,
                            std::string_view pattern, const RegExpGroupIndexes& indexes, bool dateWanted,
                            bool timeWanted, bool caseInsensitive, std::string_view thousands, std::string_view decimal,
                            int& code, std::string& message, RegExpImportSkips* skips = nullptr);
