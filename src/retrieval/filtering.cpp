#include "retrieval/filtering.h"

#include "log/Log.h"
#include "platform/FileIo.h"
#include "platform/TextCodec.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

using textcodec::formatText;

namespace {

// --- Small text helpers -----------------------------------------------------------------------

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// atoi-like: blanks, an optional sign and the digits up to the first other character.
long long readInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        value = value > INT_MAX ? value : value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

// At most `limit` bytes of `text` (not inside a UTF-8 character), and " [...]" when more follow.
std::string previewOf(std::string_view text, std::size_t limit = 50) {
    if (text.size() <= limit)
        return std::string(text);
    std::string out(text.substr(0, textcodec::utf8PrefixLength(text, limit)));
    out += " [...]";
    return out;
}

// --- Files ------------------------------------------------------------------------------------

// Creates or truncates `path` and writes `data`; false with `error` set on any failure.
bool writeWholeFile(const std::filesystem::path& path, std::string_view data, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = formatText("cannot create '%s': %s", path.c_str(), fileio::errorText(errno).c_str());
        return false;
    }
    bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), file) == data.size();
    int writeErrno = ok ? 0 : errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        writeErrno = errno;
    }
    if (!ok)
        error = formatText("cannot write '%s': %s", path.c_str(), fileio::errorText(writeErrno).c_str());
    return ok;
}

// --- Page conversion --------------------------------------------------------------------------

// Replaces every `entity` by `replacement`, in place: the text only shrinks, so the converted page
// is never held twice. The replacement never forms a new occurrence.
void decodeEntity(std::string& text, std::string_view entity, char replacement) {
    std::size_t at = text.find(entity);
    if (at == std::string::npos)
        return;
    char* const data = text.data();
    std::size_t write = at;
    std::size_t read = at;
    while (at != std::string::npos) {
        std::memmove(data + write, data + read, at - read);
        write += at - read;
        data[write++] = replacement;
        read = at + entity.size();
        at = text.find(entity, read); // the text from `read` on is still unchanged
    }
    std::memmove(data + write, data + read, text.size() - read);
    text.resize(write + text.size() - read);
}

// "&amp;" becomes "&" until none is left: "&amp;amp;" gives "&". Decoding from the front again
// after every replacement ends in the same text as this one scan, which keeps its output free of
// "&amp;" (a new one can only end at the character just written). In place, like decodeEntity.
void decodeAmpersands(std::string& text) {
    const std::size_t first = text.find("&amp;");
    if (first == std::string::npos)
        return;
    char* const data = text.data();
    std::size_t write = first;
    for (std::size_t read = first; read < text.size(); ++read) {
        const char c = data[read];
        data[write++] = c;
        if (c == ';' && write >= 5 && std::string_view(data + write - 5, 5) == "&amp;")
            write -= 4;
    }
    text.resize(write);
}

std::string toSemiHtml(std::string_view page) {
    std::string out;
    const std::size_t n = page.size();
    if (n == 0)
        return out;
    out.reserve(n);
    std::size_t start = 0;
    for (;;) {
        const std::size_t lt = page.find('<', start);
        const std::size_t stop = lt == std::string_view::npos ? n - 1 : lt;
        out.append(page.substr(start, stop - start + 1));
        if (stop == n - 1)
            break;
        const std::size_t gt = page.find('>', stop + 1);
        if (gt == std::string_view::npos)
            break; // an unclosed tag keeps only its "<"
        start = gt;
    }
    return out;
}

std::string toTextOnly(std::string_view page) {
    std::string out;
    const std::size_t n = page.size();
    out.reserve(n);
    std::size_t p = 0;
    while (p < n) {
        const std::size_t lt = page.find('<', p);
        if (lt == std::string_view::npos || lt == n - 1) {
            out.append(page.substr(p)); // a "<" in the very last byte stays as text
            break;
        }
        out.append(page.substr(p, lt - p));
        out += ' ';
        const std::size_t gt = page.find('>', lt + 1);
        if (gt == std::string_view::npos)
            break; // an unclosed tag drops the rest of the page
        p = gt + 1;
    }
    if (out.find('&') != std::string::npos) {
        decodeEntity(out, "&nbsp;", ' ');
        decodeEntity(out, "&quot;", '"');
        decodeAmpersands(out);
        decodeEntity(out, "&lt;", '<');
        decodeEntity(out, "&gt;", '>');
    }
    return out;
}

// --- Extraction by anchor text ----------------------------------------------------------------

// Where a number starts: a digit; "+" or "-" before a digit; "+" or "-" as the last character.
bool isNumberStart(std::string_view page, std::size_t p) {
    const char c = page[p];
    if (isDigit(c))
        return true;
    return (c == '+' || c == '-') && (p + 1 == page.size() || isDigit(page[p + 1]));
}

// The characters passed over as part of a number to skip, whatever the separators.
bool isNumberChar(char c) {
    return isDigit(c) || c == ',' || c == '.' || c == '-' || c == '+';
}

std::size_t nextNumber(std::string_view page, std::size_t p) {
    while (p < page.size() && !isNumberStart(page, p))
        ++p;
    return p;
}

std::size_t nextNumberOrTag(std::string_view page, std::size_t p) {
    while (p < page.size() && page[p] != '<' && !isNumberStart(page, p))
        ++p;
    return p;
}

std::size_t passNumber(std::string_view page, std::size_t p) {
    while (p < page.size() && isNumberChar(page[p]))
        ++p;
    return p;
}

// The common start of both anchor searches: read the page, fold case when asked and find the
// anchor. Returns the position after the anchor, or npos with `code` set.
struct AnchorSearch {
    PageText page;
    std::string thousands;
    std::string decimal;
};

std::size_t findAnchor(const std::filesystem::path& file, std::string_view anchor, std::string_view thousands,
                       std::string_view decimal, bool caseInsensitive, AnchorSearch& search, int& code) {
    std::string error;
    if (ReadPageText(file, search.page, error) != 0) {
        CVR_LOG(LOG_LEVEL_ERROR, "Error reading page file '%s' (%s)!", file.c_str(), error.c_str());
        code = EXTRACT_FILE_UNREADABLE;
        return std::string::npos;
    }
    std::string anchorText(anchor);
    search.thousands = thousands;
    search.decimal = decimal;
    if (caseInsensitive) {
        char* const bytes = search.page.bytes.get();
        std::transform(bytes, bytes + search.page.size, bytes, [](char c) { return textcodec::toLowerAscii(c); });
        textcodec::toLowerAscii(anchorText);
        textcodec::toLowerAscii(search.thousands);
        textcodec::toLowerAscii(search.decimal);
    }
    const std::size_t at = search.page.text().find(anchorText);
    if (at == std::string::npos) {
        code = EXTRACT_TEXT_MISSING;
        return std::string::npos;
    }
    return at + anchorText.size();
}

double readValueAt(const AnchorSearch& search, std::size_t p, int& code, std::string& preview) {
    const std::string_view page = search.page.text();
    const double value = ParseNumber(page.substr(p), search.thousands, search.decimal, code);
    if (code != EXTRACT_OK) {
        preview = previewOf(page.substr(p));
        return 0.0;
    }
    return value;
}

// --- Regular expressions ----------------------------------------------------------------------

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
using CodePtr = std::unique_ptr<pcre2_code, CodeDeleter>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, MatchDataDeleter>;

constexpr std::uint32_t kMatchOptions = PCRE2_MULTILINE | PCRE2_DOTALL;
// The whole match and at most 19 groups are reported, as the output vector of the rules holds.
constexpr int kReportedGroups = 19;

struct CompileFailure {
    int offset = 0;
    std::string text;
};

CodePtr compilePattern(std::string_view pattern, bool caseInsensitive, CompileFailure& failure) {
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    const std::uint32_t options = kMatchOptions | (caseInsensitive ? PCRE2_CASELESS : 0);
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options, &errorCode,
                                     &errorOffset, nullptr);
    if (code == nullptr) {
        PCRE2_UCHAR buf[256];
        if (pcre2_get_error_message(errorCode, buf, sizeof buf) < 0)
            std::snprintf(reinterpret_cast<char*>(buf), sizeof buf, "error %d", errorCode);
        failure.offset = static_cast<int>(std::min<PCRE2_SIZE>(errorOffset, INT_MAX));
        failure.text = reinterpret_cast<const char*>(buf);
        return {};
    }
    // Without JIT support the interpreter runs the pattern; nothing to report.
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    return CodePtr(code);
}

MatchDataPtr newMatchData() {
    return MatchDataPtr(pcre2_match_data_create(kReportedGroups + 1, nullptr));
}

int runMatch(const pcre2_code* code, std::string_view subject, pcre2_match_data* data, std::size_t startOffset = 0) {
    static const char empty[1] = {};
    const auto* text = reinterpret_cast<PCRE2_SPTR>(subject.empty() ? empty : subject.data());
    int rc = pcre2_match(code, text, subject.size(), startOffset, 0, data, nullptr);
    if (rc == PCRE2_ERROR_JIT_STACKLIMIT) // the interpreter keeps its frames on the heap
        rc = pcre2_match(code, text, subject.size(), startOffset, PCRE2_NO_JIT, data, nullptr);
    return rc;
}

// One finished match: the groups as offsets into the subject.
struct MatchView {
    std::string_view subject;
    const PCRE2_SIZE* ovector = nullptr;
    int count = 0;  // the highest group set, plus one
    int groups = 0; // the capture groups of the pattern

    bool isSet(int g) const { return g >= 0 && g < count && ovector[2 * g] != PCRE2_UNSET; }
    std::size_t start(int g) const { return ovector[2 * g]; }
    std::string_view text(int g) const { return subject.substr(ovector[2 * g], ovector[2 * g + 1] - ovector[2 * g]); }
};

struct MatchTexts {
    bool importTexts; // the import's own text for "no match"
    int level;
};

// Reports a match result that is not a match; false then, with code 1 and the message.
bool matchSucceeded(int rc, std::string_view pattern, const MatchTexts& texts, int& code, std::string& message) {
    if (rc > 0)
        return true;
    const std::string patternText(pattern);
    if (rc == PCRE2_ERROR_NOMATCH) {
        CVR_LOG(texts.level, "RegExp no match found for '%s'", patternText.c_str());
        message = texts.importTexts ? std::string("No match found for specified data format!")
                                    : formatText("No RegExp match found for '%s'", patternText.c_str());
    } else if (rc < 0) {
        CVR_LOG(texts.level, "RegExp matching error %d", rc);
        message = formatText("RegExp matching error %d", rc);
    } else {
        CVR_LOG(texts.level, "RegExp output vector has space for only %d captured substrings", kReportedGroups);
        message = formatText("RegExp output vector has space for only %d captured substrings", kReportedGroups);
    }
    code = EXTRACT_NOT_FOUND;
    return false;
}

// Appends group `g` to the logged list of a match's groups: its number and (at most 1024 bytes
// of) its text, or "(unset)" for a group that took no part in the match.
void appendGroupText(std::string& list, const MatchView& match, int g) {
    if (!match.isSet(g)) {
        list += formatText("%2d: (unset); ", g);
        return;
    }
    const std::string_view text = match.text(g).substr(0, 1024);
    list += formatText("%2d: '%.*s'; ", g, static_cast<int>(text.size()), text.data());
}

// The capture groups of a compiled pattern.
int captureCount(const pcre2_code* code) {
    std::uint32_t count = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &count);
    return static_cast<int>(count);
}

// Reports group `g` as missing: beyond the groups of the pattern, or one that took no part in the
// match. Always false, with code 5 and the message.
bool groupMissing(const MatchView& match, int g, int level, int& code, std::string& message) {
    if (g < 0 || g > match.groups) {
        CVR_LOG(level, "Match index doesn't exist!");
        message = formatText("RegExp Match index doesn't exist (max match index = %i).", match.groups);
    } else {
        CVR_LOG(level, "Match index %i took no part in the match!", g);
        message = formatText("RegExp Match index %i took no part in the match.", g);
    }
    code = EXTRACT_GROUP_MISSING;
    return false;
}

// The month alternation. "ä" and "ç" stand both as UTF-8 and as their Windows-1252 bytes, since
// pages come in either encoding; the alternatives keep their order.
constexpr std::string_view kMonthAlternation =
    "[0-9]{1,2}|jan|january|januar|janeiro|feb|fev|february|februar|fevereiro|mar|m(?:\xC3\xA4|\xE4)r|march|"
    "m(?:\xC3\xA4|\xE4)rz|mar(?:\xC3\xA7|\xE7)o|apr|abr|april|abril|may|mai|maio|jun|june|juni|junho|jul|july|juli|"
    "julho|aug|ago|august|agosto|sep|set|september|setembro|oct|okt|out|october|oktober|outubro|nov|november|"
    "novembro|dec|dez|december|dezember|dezembro";

// Month names in the order of comparison, with the month each stands for.
struct MonthName {
    std::string_view name;
    int month;
};
constexpr MonthName kMonthNames[] = {
    {"jan", 1},       {"january", 1},     {"januar", 1},    {"janeiro", 1},      {"feb", 2},        {"fev", 2},
    {"february", 2},  {"februar", 2},     {"fevereiro", 2}, {"mar", 3},          {"m\xC3\xA4r", 3}, {"m\xE4r", 3},
    {"march", 3},     {"m\xC3\xA4rz", 3}, {"m\xE4rz", 3},   {"mar\xC3\xA7o", 3}, {"mar\xE7o", 3},   {"apr", 4},
    {"abr", 4},       {"april", 4},       {"abril", 4},     {"may", 5},          {"mai", 5},        {"maio", 5},
    {"jun", 6},       {"june", 6},        {"juni", 6},      {"junho", 6},        {"jul", 7},        {"july", 7},
    {"juli", 7},      {"julho", 7},       {"aug", 8},       {"ago", 8},          {"august", 8},     {"agosto", 8},
    {"sep", 9},       {"set", 9},         {"september", 9}, {"setembro", 9},     {"oct", 10},       {"okt", 10},
    {"out", 10},      {"october", 10},    {"oktober", 10},  {"outubro", 10},     {"nov", 11},       {"november", 11},
    {"novembro", 11}, {"dec", 12},        {"dez", 12},      {"december", 12},    {"dezember", 12},  {"dezembro", 12},
};

// The month of a captured name: the first name of which the text is a prefix; 0 when none.
int monthOfName(std::string_view text) {
    for (const auto& m : kMonthNames)
        if (textcodec::startsWithIgnoringAsciiCase(m.name, text))
            return m.month;
    return 0;
}

// The date and time parts a match assembles.
struct DateParts {
    int year = -1, month = -1, day = -1, hour = -1, minute = -1;
};

DateParts partsOf(const OleDate& date) {
    DateParts parts;
    SystemTime st;
    if (date.GetStatus() == OleDate::valid && date.GetAsSystemTime(st))
        parts = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute};
    return parts;
}

int clampToInt(long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// How the groups of a match are read: by a single extraction, or by the import.
struct GroupReading {
    bool dateWanted = false;
    bool timeWanted = false;
    bool import = false; // day, numeric month and year from the group's own text; years up to 2100
};

// The value groups in the order they are tested: where each group's number is, the quotation's
// value it gives, and whether "N/A" (the value stays 0) is taken.
struct ValueGroup {
    int RegExpGroupIndexes::*index;
    double CKurs::*value;
    bool notAvailableTaken;
};
constexpr ValueGroup kValueGroups[] = {
    {&RegExpGroupIndexes::m_nCloseIndex, &CKurs::m_dClose, false},
    {&RegExpGroupIndexes::m_nOpenIndex, &CKurs::m_dOpen, true},
    {&RegExpGroupIndexes::m_nHighIndex, &CKurs::m_dHigh, true},
    {&RegExpGroupIndexes::m_nLowIndex, &CKurs::m_dLow, true},
    {&RegExpGroupIndexes::m_nVolumeIndex, &CKurs::m_dVolume, true},
};

// Reads the values and the date parts of the groups of `match` into `quotation` and `parts`.
// False, with code and message, when a value does not convert. `list` gets the groups' texts.
bool readGroups(const MatchView& match, const RegExpGroupIndexes& ix, const GroupReading& how,
                std::string_view thousands, std::string_view decimal, CKurs& quotation, DateParts& parts, int& code,
                std::string& message, std::string* list) {
    const auto readValue = [&](int g, double& value, bool allowNotAvailable) {
        const std::string_view text = match.text(g);
        if (allowNotAvailable && (text.starts_with("N/A") || text.starts_with("n/a")))
            return true; // the value stays 0
        value = ParseNumber(match.subject.substr(match.start(g)), thousands, decimal, code);
        if (code == EXTRACT_OK)
            return true;
        message = previewOf(text);
        return false;
    };
    for (int g = 1; g < match.count; ++g) {
        if (list != nullptr)
            appendGroupText(*list, match, g);
        if (!match.isSet(g))
            continue; // a group that took no part in the match is absent
        const std::string_view text = match.text(g);
        // The integer at the group: from the subject at its start, or (import) from its own text.
        const std::string_view numberText = how.import ? text.substr(0, 255) : match.subject.substr(match.start(g));
        for (const ValueGroup& v : kValueGroups) {
            if (g != ix.*v.index)
                continue;
            if (!readValue(g, quotation.*v.value, v.notAvailableTaken))
                return false;
            break;
        }
        if (how.dateWanted) {
            // A single extraction keeps the reference's day or month for a number out of range;
            // the import takes the number as it stands, so that a line dated day 32 or month 13
            // forms no date and is skipped rather than put on the day of the line before.
            if (g == ix.m_nDayIndex) {
                const long long day = readInteger(numberText);
                if (how.import || (day >= 1 && day <= 31))
                    parts.day = clampToInt(day);
            } else if (g == ix.m_nMonthIndex) {
                int month = monthOfName(text);
                if (month == 0) {
                    const long long number = readInteger(numberText);
                    month = how.import || (number >= 1 && number <= 12) ? clampToInt(number) : 0;
                }
                if (month != 0 || how.import)
                    parts.month = month;
            } else if (g == ix.m_nYearIndex) {
                long long year = readInteger(numberText);
                if (year >= 0 && (!how.import || year <= 2100)) {
                    if (year < 1900)
                        year += year < 50 ? 2000 : 1900;
                    parts.year = static_cast<int>(year);
                }
            }
        }
        if (how.timeWanted) {
            if (g == ix.m_nHourIndex)
                parts.hour = clampToInt(readInteger(numberText));
            else if (g == ix.m_nMinuteIndex)
                parts.minute = clampToInt(readInteger(numberText));
        }
    }
    return true;
}

// Every place holder group the quotation needs must be in the pattern: the close group, and the
// date and time groups when they are wanted. The close group must also take part in the match; a
// date or time group that does not (an optional one) is absent, and the reference (or, on import,
// the match before) gives that part. False with code 5 and the message otherwise.
bool neededGroupsPresent(const MatchView& match, const RegExpGroupIndexes& ix, const GroupReading& how, int level,
                         int& code, std::string& message) {
    std::array<int, 6> needed{ix.m_nCloseIndex, -1, -1, -1, -1, -1};
    if (how.dateWanted) {
        needed[1] = ix.m_nDayIndex;
        needed[2] = ix.m_nMonthIndex;
        needed[3] = ix.m_nYearIndex;
    }
    if (how.timeWanted) {
        needed[4] = ix.m_nHourIndex;
        needed[5] = ix.m_nMinuteIndex;
    }
    for (const int g : needed)
        if (g > match.groups)
            return groupMissing(match, g, level, code, message);
    if (ix.m_nCloseIndex >= 1 && !match.isSet(ix.m_nCloseIndex))
        return groupMissing(match, ix.m_nCloseIndex, level, code, message);
    return true;
}

bool closePlaceHolderPresent(const RegExpGroupIndexes& ix, int level, int& code, std::string& message) {
    if (ix.m_nCloseIndex >= 1)
        return true;
    CVR_LOG(level, "Quotation match index doesn't exist!");
    message = "Quotation match place holder missing!";
    code = EXTRACT_GROUP_MISSING;
    return false;
}

// The assembled date; false with code 3 when the parts do not form a valid date.
bool assembleDate(const DateParts& parts, OleDate& date, int level, int& code, std::string& message) {
    const OleDate assembled(parts.year, parts.month, parts.day, parts.hour, parts.minute, 0);
    if (assembled.GetStatus() != OleDate::valid) {
        message = formatText("RegExp date/time does not form a valid date (day %d, month %d, year %d, %d:%02d).",
                             parts.day, parts.month, parts.year, parts.hour, parts.minute);
        CVR_LOG(level, "%s", message.c_str());
        code = EXTRACT_INVALID_VALUE;
        return false;
    }
    date = assembled;
    return true;
}

void reportCompileFailure(const CompileFailure& failure, int level, int& code, std::string& message) {
    CVR_LOG(level, "RegExp compilation failed at offset %d: %s", failure.offset, failure.text.c_str());
    message = formatText("RegExp compilation failed at pos. %d: %s", failure.offset, failure.text.c_str());
    code = EXTRACT_PATTERN_ERROR;
}

void logMatch(const MatchView& match) {
    const std::string_view whole = match.text(0);
    CVR_LOG(LOG_LEVEL_INFO, "Match succeeded: %.*s", static_cast<int>(whole.size()), whole.data());
}

// The line of `data` in which `at` lies, as a log and message show it.
std::string lineAround(std::string_view data, std::size_t at) {
    const std::size_t before = data.rfind('\n', at);
    const std::size_t begin = before == std::string_view::npos ? 0 : before + 1;
    const std::size_t end = std::min(data.find_first_of("\r\n", at), data.size());
    return previewOf(data.substr(begin, end - begin), 200);
}

// --- Place holders of regular expressions -----------------------------------------------------

enum PlaceHolderKind { kDay, kMonth, kYear, kHour, kMinute, kClose, kOpen, kHigh, kLow, kVolume, kDummy };

struct ValuePlaceHolder {
    std::string_view token;
    PlaceHolderKind kind;
    int RegExpGroupIndexes::*index; // where its group number goes; null for [&dummyvalue]
};

// In the order of PlaceHolderKind.
constexpr std::array<ValuePlaceHolder, 11> kValuePlaceHolders{{
    {"[&day]", kDay, &RegExpGroupIndexes::m_nDayIndex},
    {"[&month]", kMonth, &RegExpGroupIndexes::m_nMonthIndex},
    {"[&year]", kYear, &RegExpGroupIndexes::m_nYearIndex},
    {"[&hour]", kHour, &RegExpGroupIndexes::m_nHourIndex},
    {"[&minute]", kMinute, &RegExpGroupIndexes::m_nMinuteIndex},
    {"[&quotation_close]", kClose, &RegExpGroupIndexes::m_nCloseIndex},
    {"[&quotation_open]", kOpen, &RegExpGroupIndexes::m_nOpenIndex},
    {"[&quotation_high]", kHigh, &RegExpGroupIndexes::m_nHighIndex},
    {"[&quotation_low]", kLow, &RegExpGroupIndexes::m_nLowIndex},
    {"[&volume]", kVolume, &RegExpGroupIndexes::m_nVolumeIndex},
    {"[&dummyvalue]", kDummy, nullptr},
}};
static_assert([] {
    for (std::size_t k = 0; k < kValuePlaceHolders.size(); ++k)
        if (kValuePlaceHolders[k].kind != static_cast<PlaceHolderKind>(k))
            return false;
    return true;
}());

// The group number of a place holder other than [&dummyvalue].
int& indexOf(RegExpGroupIndexes& ix, PlaceHolderKind kind) {
    return ix.*kValuePlaceHolders[kind].index;
}

// A separator inside a character class: the characters that would end or change the class are
// escaped; ordinary separators ("." "," "'" blank) stay as they are.
std::string classText(std::string_view separator) {
    std::string out;
    for (const char c : separator) {
        if (c == '\\' || c == ']' || c == '[' || c == '^' || c == '-')
            out += '\\';
        out += c;
    }
    return out;
}

// The group name that marks the first occurrence of a place holder while PCRE2 numbers them.
std::string groupName(PlaceHolderKind kind) {
    return std::string("CvRpHgroup") + static_cast<char>('a' + kind);
}

std::string subPattern(PlaceHolderKind kind, const std::string& numberClass, const std::string& name) {
    const std::string open = name.empty() ? "(" : "(?<" + name + ">";
    switch (kind) {
    case kDay:
    case kHour:
        return "[ ]*" + open + "[0-9]{1,2})";
    case kMonth:
        return open + std::string(kMonthAlternation) + ")";
    case kYear:
        return open + "[0-9]{2,4})";
    case kMinute:
        return open + "[0-9]{1,2})";
    case kClose:
        return open + "[0-9" + numberClass + "]+)";
    case kOpen:
    case kHigh:
    case kLow:
    case kVolume:
        return open + "[0-9" + numberClass + "]+|N/A|n/a)";
    case kDummy:
        return open + "[-+0-9" + numberClass + "]+|N/A|n/a)";
    }
    return open + ")";
}

const ValuePlaceHolder* placeHolderAt(std::string_view text) {
    for (const auto& ph : kValuePlaceHolders)
        if (text.starts_with(ph.token))
            return &ph;
    return nullptr;
}

// The group numbers by counting "(" as written, for a pattern PCRE2 cannot compile.
void countedIndexes(std::string_view pattern, RegExpGroupIndexes& ix) {
    std::array<std::size_t, 10> first{};
    for (int kind = kDay; kind <= kVolume; ++kind)
        first[kind] = pattern.find(kValuePlaceHolders[kind].token);
    int k = 0;
    for (std::size_t pos = pattern.find("[&"); pos != std::string_view::npos; pos = pattern.find("[&", pos + 1)) {
        bool counted = false;
        for (int kind = kDay; kind <= kVolume && !counted; ++kind) {
            if (first[kind] == pos) {
                indexOf(ix, static_cast<PlaceHolderKind>(kind)) = CountCaptureGroups(pattern, pos) + k + 1;
                ++k;
                counted = true;
            }
        }
        if (!counted && pattern.substr(pos).starts_with("[&dummyvalue]"))
            ++k;
    }
}

} // namespace

// --- Page files -------------------------------------------------------------------------------

std::string PageTooLargeText() {
    return "The page is larger than " + std::to_string(kMaxPageBytes / (1024 * 1024)) + " MB!";
}

int ReadPageText(const std::filesystem::path& path, PageText& page, std::string& error, PageZeroBytes zeros) {
    const auto fail = [&](int number) {
        page = {};
        error = number == EFBIG ? PageTooLargeText() : fileio::errorText(number);
        return number;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return fail(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } const closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(errno);
    if (!S_ISREG(st.st_mode)) {
        const int number = fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        if (number == EINVAL)
            error = "not a regular file";
        return number;
    }
    if (st.st_size < 0 || st.st_size > kMaxPageBytes)
        return fail(EFBIG);
    const auto size = static_cast<std::size_t>(st.st_size);
    page.bytes.reset(new (std::nothrow) char[size + 1]);
    if (!page.bytes)
        return fail(ENOMEM);
    // Read in pieces that stay in the cache while their zero bytes are made blanks.
    constexpr std::size_t kPiece = 256 * 1024;
    char* const bytes = page.bytes.get();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, bytes + done, std::min(kPiece, size - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(errno);
        if (got == 0)
            break; // the file shrank meanwhile: what it still had
        if (zeros == PageZeroBytes::Blank) {
            char* const end = bytes + done + got;
            for (char* at = bytes + done; (at = static_cast<char*>(std::memchr(at, '\0', end - at))) != nullptr; ++at)
                *at = ' ';
        }
        done += static_cast<std::size_t>(got);
    }
    page.size = done;
    bytes[done] = '\0';
    return 0;
}

// --- Page conversion --------------------------------------------------------------------------

std::string ConvertPageText(int mode, std::string_view page) {
    switch (mode) {
    case FORMAT_ORIGINAL:
        return std::string(page);
    case FORMAT_SEMI_HTML:
        return toSemiHtml(page);
    case FORMAT_TEXT_ONLY:
        return toTextOnly(page);
    default:
        return {};
    }
}

bool HtmlToTxt(int mode, const std::filesystem::path& source, const std::filesystem::path& destination) {
    PageText page;
    std::string error;
    const int read = ReadPageText(source, page, error, PageZeroBytes::Keep);
    if (read != 0 && read != ENOMEM) {
        CVR_LOG(LOG_LEVEL_ERROR, "HtmlToTxt error reading file '%s' (%s)!", source.c_str(),
                error.substr(0, 255).c_str());
        return false;
    }
    std::string converted;
    bool allocated = read == 0;
    if (allocated && mode != FORMAT_ORIGINAL) {
        try {
            converted = ConvertPageText(mode, page.text());
        } catch (const std::bad_alloc&) {
            allocated = false;
        }
    }
    if (!allocated) {
        std::error_code ec;
        CVR_LOG(LOG_LEVEL_ERROR, "HtmlToTxt error allocating buffer (%u Bytes)!",
                static_cast<unsigned>(std::filesystem::file_size(source, ec)));
        std::string ignored;
        writeWholeFile(destination, {}, ignored); // the destination exists and is empty
        return false;
    }
    // The original form is written from the page as read; a conversion holds only its result.
    if (mode != FORMAT_ORIGINAL)
        page = {};
    if (!writeWholeFile(destination, mode == FORMAT_ORIGINAL ? page.text() : std::string_view(converted), error)) {
        CVR_LOG(LOG_LEVEL_ERROR, "HtmlToTxt error reading file '%s' (%s)!", source.c_str(),
                error.substr(0, 255).c_str());
        return false;
    }
    return true;
}

// --- Numbers --------------------------------------------------------------------------------

double ParseNumber(std::string_view t, std::string_view thousands, std::string_view decimal, int& code) {
    // The text ends at its first zero byte or at the end of the view. The length matters only
    // near the number, so it is never measured: ch() gives 0 past the end.
    const auto ch = [&t](std::size_t i) { return i < t.size() ? t[i] : '\0'; };
    const char first = ch(0);
    if (!isDigit(first) && first != '+' && first != '-') {
        code = EXTRACT_NOT_FOUND;
        return 0.0;
    }
    const bool lengthOne = ch(1) == '\0';
    const bool lengthTwo = !lengthOne && ch(2) == '\0';
    if (lengthTwo && isDigit(first)) {
        // Two characters: converted as they stand.
        double value = 0.0;
        const auto [ptr, ec] = std::from_chars(t.data(), t.data() + 2, value);
        code = (ec == std::errc{} && (value != 0.0 || ptr == t.data() + 1)) ? EXTRACT_OK : EXTRACT_INVALID_VALUE;
        return ec == std::errc{} ? value : 0.0;
    }
    if (lengthOne || lengthTwo) {
        code = EXTRACT_NOT_FOUND;
        return 0.0;
    }
    // Collect the digit runs (a leading sign belongs to the first) with "." for the decimal
    // separator; separators themselves are dropped.
    std::string number;
    std::size_t runStart = 0, k = 1;
    bool afterSeparator = false;
    for (;;) {
        const std::size_t digitsFrom = k;
        while (isDigit(ch(k)))
            ++k;
        if (k == digitsFrom && afterSeparator)
            break; // a separator must be followed by a digit
        const std::string_view rest = t.substr(std::min(k, t.size()));
        const bool isThousands = !thousands.empty() && rest.starts_with(thousands);
        const bool isDecimal = !isThousands && !decimal.empty() && rest.starts_with(decimal);
        number.append(t.substr(runStart, k - runStart));
        if (!isThousands && !isDecimal)
            break;
        if (isDecimal)
            number += '.';
        k += isThousands ? thousands.size() : decimal.size();
        if (ch(k) == '\0' || ch(k + 1) == '\0') {
            code = EXTRACT_NOT_FOUND; // the text ends right after a separator
            return 0.0;
        }
        runStart = k;
        afterSeparator = true;
    }
    std::string_view text(number);
    if (text.starts_with('+'))
        text.remove_prefix(1);
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{}) {
        code = EXTRACT_INVALID_VALUE;
        return 0.0;
    }
    code = (value != 0.0 || ptr == text.data() + text.size()) ? EXTRACT_OK : EXTRACT_INVALID_VALUE;
    return value;
}

// --- Extraction by anchor text ----------------------------------------------------------------

double GetQuotationText(const std::filesystem::path& file, std::string_view anchor, std::string_view thousands,
                        std::string_view decimal, int numbers, bool caseInsensitive, int& code, std::string& preview) {
    code = EXTRACT_OK;
    preview.clear();
    AnchorSearch search;
    std::size_t p = findAnchor(file, anchor, thousands, decimal, caseInsensitive, search, code);
    if (p == std::string::npos)
        return 0.0;
    const std::string_view page = search.page.text();
    p = nextNumber(page, p);
    for (int remaining = numbers; remaining > 0;) {
        p = passNumber(page, p);
        if (p != page.size())
            --remaining; // a number that runs into the end of the page does not count
        if (remaining > 0) {
            if (p == page.size()) {
                code = EXTRACT_NOT_FOUND;
                preview = "EOF";
                return 0.0;
            }
            p = nextNumber(page, p);
        }
    }
    p = nextNumber(page, p);
    return readValueAt(search, p, code, preview);
}

double GetQuotationSemiHtml(const std::filesystem::path& file, std::string_view anchor, std::string_view thousands,
                            std::string_view decimal, int tags, int numbers, bool caseInsensitive, int& code,
                            std::string& preview) {
    code = EXTRACT_OK;
    preview.clear();
    AnchorSearch search;
    std::size_t p = findAnchor(file, anchor, thousands, decimal, caseInsensitive, search, code);
    if (p == std::string::npos)
        return 0.0;
    const std::string_view page = search.page.text();
    for (int passed = 0; passed < tags && p != page.size(); ++passed) {
        const std::size_t tag = page.find("<>", p);
        if (tag == std::string_view::npos) {
            code = EXTRACT_NOT_FOUND;
            preview = "EOF";
            return 0.0;
        }
        p = tag + 2;
    }
    // Numbers to pass must not lie behind a tag.
    p = nextNumberOrTag(page, p);
    for (int remaining = numbers; remaining > 0;) {
        p = passNumber(page, p);
        if (p != page.size())
            --remaining;
        if (remaining > 0) {
            if (p == page.size() || page[p] == '<') {
                code = EXTRACT_NOT_FOUND;
                preview = previewOf(page.substr(p));
                return 0.0;
            }
            p = nextNumberOrTag(page, p);
        }
    }
    if (p < page.size() && page[p] == '<') {
        code = EXTRACT_NOT_FOUND;
        preview = previewOf(page.substr(p));
        return 0.0;
    }
    p = nextNumber(page, p); // the value may lie behind further tags
    return readValueAt(search, p, code, preview);
}

// --- Extraction by regular expression -------------------------------------------------------

int CountCaptureGroups(std::string_view pattern, std::size_t position) {
    int count = 0;
    for (std::size_t i = 0; i < pattern.size() && i <= position; ++i)
        if (pattern[i] == '(' && (i == 0 || pattern[i - 1] != '\\'))
            ++count;
    return count;
}

void RegExpExpandPlaceHolders(std::string& pattern, RegExpGroupIndexes& indexes, std::string_view decimal,
                              std::string_view thousands) {
    indexes = RegExpGroupIndexes{};
    const std::string numberClass = classText(thousands) + classText(decimal);

    // Two expansions side by side: the one handed back, and one whose first occurrence of each
    // place holder is a named group, so that PCRE2 tells the group numbers.
    std::string plain, named;
    std::array<bool, 10> seen{};
    std::size_t i = 0;
    const std::string_view src(pattern);
    while (i < src.size()) {
        const std::size_t at = src.find("[&", i);
        if (at == std::string_view::npos) {
            plain.append(src.substr(i));
            named.append(src.substr(i));
            break;
        }
        plain.append(src.substr(i, at - i));
        named.append(src.substr(i, at - i));
        const ValuePlaceHolder* ph = placeHolderAt(src.substr(at));
        if (ph == nullptr) {
            plain += '[';
            named += '[';
            i = at + 1;
            continue;
        }
        std::string name;
        if (ph->kind != kDummy && !seen[ph->kind]) {
            seen[ph->kind] = true;
            name = groupName(ph->kind);
        }
        plain += subPattern(ph->kind, numberClass, {});
        named += subPattern(ph->kind, numberClass, name);
        i = at + ph->token.size();
    }

    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    const CodePtr code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(named.data()), named.size(), kMatchOptions,
                                     &errorCode, &errorOffset, nullptr));
    if (code) {
        for (int kind = kDay; kind <= kVolume; ++kind) {
            if (!seen[kind])
                continue;
            const std::string name = groupName(static_cast<PlaceHolderKind>(kind));
            const int number = pcre2_substring_number_from_name(code.get(), reinterpret_cast<PCRE2_SPTR>(name.c_str()));
            indexOf(indexes, static_cast<PlaceHolderKind>(kind)) = number > 0 ? number : -1;
        }
    } else {
        countedIndexes(pattern, indexes);
    }
    pattern = std::move(plain);
}

namespace {

// One quotation by the pattern from `subject`. With `terminated` the subject's last byte is the
// page's terminating zero byte, which a pattern may match (a negated class after the value at a
// page's end); a pattern that finds nothing then tries once more without it, so that "$" also
// matches at the end of a last line without a line break.
bool getQuotation(std::string_view subject, bool terminated, CKurs& quotation, std::string_view pattern,
                  const RegExpGroupIndexes& indexes, bool caseInsensitive, bool closeRequired, int& matchStart,
                  int& matchLength, std::string_view thousands, std::string_view decimal, int& code,
                  std::string& message) {
    code = EXTRACT_OK;
    message.clear();
    quotation.m_dOpen = quotation.m_dClose = quotation.m_dHigh = quotation.m_dLow = quotation.m_dVolume = 0.0;
    GroupReading how;
    how.dateWanted = indexes.m_nDayIndex >= 0 && indexes.m_nMonthIndex >= 0;
    how.timeWanted = indexes.m_nHourIndex >= 0 && indexes.m_nMinuteIndex >= 0;
    DateParts parts = partsOf(quotation.m_dtDate);

    CompileFailure failure;
    const CodePtr re = compilePattern(pattern, caseInsensitive, failure);
    if (!re) {
        reportCompileFailure(failure, LOG_LEVEL_ERROR, code, message);
        return false;
    }
    const MatchDataPtr data = newMatchData();
    int rc = runMatch(re.get(), subject, data.get());
    if (rc == PCRE2_ERROR_NOMATCH && terminated && !subject.empty()) {
        subject.remove_suffix(1);
        rc = runMatch(re.get(), subject, data.get());
    }
    if (!matchSucceeded(rc, pattern, {false, LOG_LEVEL_ERROR}, code, message))
        return false;
    const MatchView match{subject, pcre2_get_ovector_pointer(data.get()), rc, captureCount(re.get())};
    matchStart = static_cast<int>(match.start(0));
    matchLength = static_cast<int>(match.text(0).size());
    logMatch(match);

    std::string list;
    const bool read = readGroups(match, indexes, how, thousands, decimal, quotation, parts, code, message, &list);
    CVR_LOG(LOG_LEVEL_INFO, "%s", list.c_str());
    if (!read)
        return false;
    if (!neededGroupsPresent(match, indexes, how, LOG_LEVEL_INFO, code, message))
        return false;
    if (closeRequired && !closePlaceHolderPresent(indexes, LOG_LEVEL_ERROR, code, message))
        return false;
    return assembleDate(parts, quotation.m_dtDate, LOG_LEVEL_ERROR, code, message);
}

} // namespace

bool RegExpGetQuotation(std::string_view subject, CKurs& quotation, std::string_view pattern,
                        const RegExpGroupIndexes& indexes, bool caseInsensitive, bool closeRequired, int& matchStart,
                        int& matchLength, std::string_view thousands, std::string_view decimal, int& code,
                        std::string& message) {
    return getQuotation(subject, false, quotation, pattern, indexes, caseInsensitive, closeRequired, matchStart,
                        matchLength, thousands, decimal, code, message);
}

bool RegExpGetQuotationFile(const std::filesystem::path& file, CKurs& quotation, std::string_view pattern,
                            const RegExpGroupIndexes& indexes, bool caseInsensitive, int& matchStart, int& matchLength,
                            std::string_view thousands, std::string_view decimal, int& code, std::string& message) {
    code = EXTRACT_OK;
    message.clear();
    quotation.m_dOpen = quotation.m_dClose = quotation.m_dHigh = quotation.m_dLow = quotation.m_dVolume = 0.0;
    PageText page;
    std::string error;
    if (ReadPageText(file, page, error) != 0) {
        code = EXTRACT_FILE_UNREADABLE;
        message = formatText("RegExpGetQuotationFile error reading file '%s' (%s)!", file.c_str(),
                             error.substr(0, 255).c_str());
        CVR_LOG(LOG_LEVEL_ERROR, "%s", message.c_str());
        return false;
    }
    // The terminating zero byte is part of the subject: stored patterns rely on it.
    return getQuotation(page.withTerminator(), true, quotation, pattern, indexes, caseInsensitive, true, matchStart,
                        matchLength, thousands, decimal, code, message);
}

bool RegExpTestRule(std::string_view subject, std::string_view pattern, bool caseInsensitive, int groupIndex,
                    std::string& value, int& matchStart, int& matchLength, int& code, std::string& message,
                    std::size_t startOffset) {
    code = EXTRACT_OK;
    message.clear();
    value.clear();
    matchStart = -1;
    matchLength = 0;
    CompileFailure failure;
    const CodePtr re = compilePattern(pattern, caseInsensitive, failure);
    if (!re) {
        reportCompileFailure(failure, LOG_LEVEL_INFO, code, message);
        return false;
    }
    const MatchDataPtr data = newMatchData();
    const int rc =
        startOffset <= subject.size() ? runMatch(re.get(), subject, data.get(), startOffset) : PCRE2_ERROR_NOMATCH;
    if (!matchSucceeded(rc, pattern, {false, LOG_LEVEL_INFO}, code, message))
        return false;
    const MatchView match{subject, pcre2_get_ovector_pointer(data.get()), rc, captureCount(re.get())};
    matchStart = static_cast<int>(match.start(0));
    matchLength = static_cast<int>(match.text(0).size());
    logMatch(match);
    std::string list;
    for (int g = 1; g < match.count; ++g)
        appendGroupText(list, match, g);
    CVR_LOG(LOG_LEVEL_INFO, "%s", list.c_str());
    if (!match.isSet(groupIndex))
        return groupMissing(match, groupIndex, LOG_LEVEL_INFO, code, message);
    value = match.text(groupIndex);
    return true;
}

namespace {

// Which lines of an import file gave a quotation and which were left out, for the user's count
// of skipped lines. Lines are told apart by '\n'.
class ImportLineAccount {
public:
    ImportLineAccount(std::string_view data, std::string_view marker, bool caseInsensitive)
        : m_data(data), m_marker(marker), m_caseInsensitive(caseInsensitive) {
        m_starts.push_back(0);
        for (std::size_t i = 0; i < data.size(); ++i)
            if (data[i] == '\n' && i + 1 < data.size())
                m_starts.push_back(i + 1);
        m_state.assign(m_starts.size(), State::Untouched);
    }

    // The bytes [begin, end) gave a quotation: every line they touch is used.
    void used(std::size_t begin, std::size_t end) {
        const std::size_t last = lineOf(end > begin ? end - 1 : begin);
        for (std::size_t l = lineOf(begin); l <= last; ++l)
            m_state[l] = State::Used;
    }

    // The record at `at` was left out for `reason`.
    void skipped(std::size_t at, std::string reason) {
        const std::size_t l = lineOf(at);
        if (m_state[l] == State::Used || m_state[l] == State::Skipped)
            return;
        m_state[l] = State::Skipped;
        m_reasons.emplace_back(l, std::move(reason));
    }

    // The data block runs from the first to the last line a record stood on, widened through the
    // neighbouring lines that hold a digit; headings, blank lines and a page's surroundings lie
    // outside it. A line of the block that holds a digit (and the marker, the item's symbol, when
    // there is one) but gave no quotation was skipped as well.
    void finish(RegExpImportSkips& skips) {
        std::size_t first = m_state.size(), last = 0;
        for (std::size_t l = 0; l < m_state.size(); ++l)
            if (m_state[l] != State::Untouched) {
                first = std::min(first, l);
                last = l;
            }
        if (first < m_state.size()) {
            while (first > 0 && m_state[first - 1] == State::Untouched && holdsDigit(first - 1))
                --first;
            while (last + 1 < m_state.size() && m_state[last + 1] == State::Untouched && holdsDigit(last + 1))
                ++last;
            for (std::size_t l = first; l <= last; ++l)
                if (m_state[l] == State::Untouched && holdsDigit(l) && holdsMarker(l)) {
                    m_state[l] = State::Skipped;
                    m_reasons.emplace_back(l, "it does not match the data format.");
                }
        }
        std::sort(m_reasons.begin(), m_reasons.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        skips.count = static_cast<int>(m_reasons.size());
        skips.firstReason.clear();
        if (!m_reasons.empty())
            skips.firstReason = formatText("line \"%s\": %s", lineText(m_reasons.front().first).c_str(),
                                           m_reasons.front().second.c_str());
    }

    std::string lineText(std::size_t l) const {
        return lineAround(m_data, m_starts[l]);
    }

private:
    enum class State { Untouched, Used, Skipped };

    std::size_t lineOf(std::size_t at) const {
        return static_cast<std::size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), at) - m_starts.begin()) -
               1;
    }
    std::string_view line(std::size_t l) const {
        const std::size_t end = l + 1 < m_starts.size() ? m_starts[l + 1] : m_data.size();
        return m_data.substr(m_starts[l], end - m_starts[l]);
    }
    bool holdsDigit(std::size_t l) const {
        const std::string_view text = line(l);
        return std::any_of(text.begin(), text.end(), isDigit);
    }
    bool holdsMarker(std::size_t l) const {
        if (m_marker.empty())
            return true;
        const std::string_view text = line(l);
        if (!m_caseInsensitive)
            return text.find(m_marker) != std::string_view::npos;
        for (std::size_t i = 0; i + m_marker.size() <= text.size(); ++i)
            if (textcodec::equalsIgnoringAsciiCase(text.substr(i, m_marker.size()), m_marker))
                return true;
        return false;
    }

    std::string_view m_data;
    std::string_view m_marker;
    bool m_caseInsensitive;
    std::vector<std::size_t> m_starts;
    std::vector<State> m_state;
    std::vector<std::pair<std::size_t, std::string>> m_reasons;
};

} // namespace

bool RegExpImportQuotations(const std::filesystem::path& file, std::vector<std::unique_ptr<CKurs>>& quotations,
                            std::string_view pattern, const RegExpGroupIndexes& indexes, bool dateWanted,
                            bool timeWanted, bool caseInsensitive, std::string_view thousands, std::string_view decimal,
                            int& code, std::string& message, RegExpImportSkips* skips) {
    code = EXTRACT_OK;
    message.clear();
    const OleDate today = OleDate::GetCurrentTime();
    DateParts parts{today.GetYear(), today.GetMonth(), 30, 20, 0};

    PageText data;
    std::string error;
    if (const int read = ReadPageText(file, data, error); read != 0) {
        code = EXTRACT_FILE_UNREADABLE;
        CVR_LOG(LOG_LEVEL_INFO, "Could not open file '%s'", file.c_str());
        CVR_LOG(LOG_LEVEL_INFO, "%s", error.c_str());
        message = read == EFBIG ? PageTooLargeText() : "Could not open file!";
        return false;
    }
    const std::string patternText(pattern);
    CVR_LOG(LOG_LEVEL_INFO, "--> Using RegExp:\n%s", patternText.c_str());
    CompileFailure failure;
    const CodePtr re = compilePattern(pattern, caseInsensitive, failure);
    if (!re) {
        reportCompileFailure(failure, LOG_LEVEL_INFO, code, message);
        return false;
    }
    const int groups = captureCount(re.get());
    GroupReading how;
    how.dateWanted = dateWanted;
    how.timeWanted = timeWanted;
    how.import = true;
    const MatchDataPtr matchData = newMatchData();
    const std::string_view all = data.text();
    ImportLineAccount lines(all, skips != nullptr ? std::string_view(skips->lineMarker) : std::string_view(),
                            caseInsensitive);
    // Every way out of the loop tells the caller which lines were left out.
    const auto done = [&](bool result) {
        if (skips != nullptr)
            lines.finish(*skips);
        return result;
    };
    std::size_t pos = 0;
    while (pos < all.size()) {
        const std::string_view subject = all.substr(pos);
        const int rc = runMatch(re.get(), subject, matchData.get());
        if (!matchSucceeded(rc, pattern, {true, LOG_LEVEL_INFO}, code, message))
            return done(false);
        const MatchView match{subject, pcre2_get_ovector_pointer(matchData.get()), rc, groups};
        // Go on at the end of the last group (of the whole match without groups), and always
        // at least one byte further.
        const std::size_t next = pos + std::max<std::size_t>(match.ovector[2 * (match.count - 1) + 1], 1);
        auto quotation = std::make_unique<CKurs>();
        // A record left out leaves no trace in what the next ones carry over.
        const DateParts before = parts;
        if (!readGroups(match, indexes, how, thousands, decimal, *quotation, parts, code, message, nullptr)) {
            lines.skipped(pos + match.start(0), formatText("the value \"%s\" is not a number.", message.c_str()));
            return done(false);
        }
        if (!neededGroupsPresent(match, indexes, how, LOG_LEVEL_INFO, code, message) ||
            !closePlaceHolderPresent(indexes, LOG_LEVEL_INFO, code, message))
            return done(false);
        if (!assembleDate(parts, quotation->m_dtDate, LOG_LEVEL_INFO, code, message)) {
            // A record whose date is not a date (day 32, month 13, the 31st of November, or a
            // monthly history on a default day 30 in February) is left out; the import goes on
            // with the next one.
            const std::string line = lineAround(all, pos + match.start(0));
            CVR_LOG(LOG_LEVEL_WARNING, "Skipping import record '%s': %s", line.c_str(), message.c_str());
            lines.skipped(pos + match.start(0), message);
            parts = before;
            code = EXTRACT_OK;
            message.clear();
            pos = next;
            continue;
        }
        CVR_LOG(LOG_LEVEL_INFO, "Adding quotation to import list: %s %3.4lf", quotation->m_dtDate.Format("%c").c_str(),
                quotation->m_dClose);
        lines.used(pos + match.start(0), pos + match.start(0) + match.text(0).size());
        quotations.push_back(std::move(quotation));
        pos = next;
    }
    return done(true);
}
