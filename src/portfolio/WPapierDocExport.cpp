// Portfolio exports: the quotations of all items as one semicolon-separated text file, and the whole
// portfolio (quotations and transactions) as worksheet files or as text.
//
// Items are exported sorted by name without regard to case. Numbers in the text files always use
// '.' as the decimal point, whatever the user's locale: the files are read by other programs and
// scripts, and a file must not change its meaning with the account that wrote it. Dates shown as
// "%x" follow the user's locale, as everywhere dates are shown. Texts go into the text files as
// UTF-8 and into worksheets as Windows-1252 (the worksheet writer converts them).
//
// Every file is written through a temporary file that replaces the target only when complete, so a
// failed export leaves nothing half-written and an older file stays as it was.

#include "portfolio/WPapierDoc.h"

#include "platform/AtomicFile.h"
#include "portfolio/DocLog.h"
#include "portfolio/ExcelSheet.h"
#include "portfolio/PortfolioText.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Worksheet blocks: an item's block starts at column c; a new file begins before an item when c has
// reached kNewFileColumn (the widest block then still ends within the sheet's 256 columns).
constexpr unsigned kFirstBlockColumn = 1;
constexpr unsigned kNewFileColumn = 244;
constexpr unsigned kOrdinaryBlockWidth = 13;
constexpr unsigned kSpecialBlockWidth = 7;
constexpr unsigned kTitleRow = 1;
constexpr unsigned kHeaderRow = 2;
constexpr unsigned kFirstDataRow = 3;
constexpr int kBoldFont = 1;

// Codes of "File could not be saved (%i)": the first file, a further worksheet file.
constexpr int kFirstFileFailed = -1;
constexpr int kFurtherFileFailed = -10;

constexpr const char* kDateTimeFormat = "%x %H:%M";
constexpr std::size_t kFlushSize = 64 * 1024;

// ---------------------------------------------------------------- text helpers

std::string trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
}

bool isSpecial(const CWPapier& item) {
    return item.m_bCashAccount || item.m_bInvestmentHistory;
}

// The extension, lower-cased (ASCII).
std::string lowerExtension(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return ext;
}

// Writes `value` (0 to 9999) in decimal with at least `digits` digits at `out`; returns the end.
char* writeNumber(char* out, int value, int digits) {
    char text[8];
    int n = 0;
    do {
        text[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 || n < digits);
    while (n > 0)
        *out++ = text[--n];
    return out;
}

// The date and time of a quotation line: "%Y-%m-%d; %H:%M" as strftime writes them (the year
// without leading zeros), made from the date's calendar fields alone, without the library's time
// conversions; both parts empty for a date that has no fields. At most 18 characters.
char* writeDateAndTime(char* out, const OleDate& date) {
    SystemTime st;
    if (!date.GetAsSystemTime(st)) {
        *out++ = ';';
        *out++ = ' ';
        return out;
    }
    out = writeNumber(out, st.wYear, 1);
    *out++ = '-';
    out = writeNumber(out, st.wMonth, 2);
    *out++ = '-';
    out = writeNumber(out, st.wDay, 2);
    *out++ = ';';
    *out++ = ' ';
    out = writeNumber(out, st.wHour, 2);
    *out++ = ':';
    return writeNumber(out, st.wMinute, 2);
}

// ---------------------------------------------------------------- run frame

// Tells the user, except in the export mode, where nobody looks and the log has it.
void tellUser(const CWPapierDoc& doc, PortfolioNotice::Kind kind, const std::string& text) {
    if (!doc.programOptions().m_bExportMode)
        doc.notifyUser(kind, text);
}

bool exportFailed(const CWPapierDoc& doc, int code, const std::string& reason) {
    DOC_LOG(LOG_LEVEL_ERROR, "Export failed (%i): %s", code, reason.c_str());
    tellUser(doc, PortfolioNotice::Kind::Error, "File could not be saved (" + std::to_string(code) + ")\n" + reason);
    return false;
}

// Whether writing `target` would replace the open portfolio's own file.
bool isPortfolioFile(const CWPapierDoc& doc, const fs::path& target) {
    std::error_code ec;
    return !doc.GetPathName().empty() && fs::equivalent(doc.GetPathName(), target, ec);
}

// Refuses targets an export must never write; true when `target` may be written.
bool checkTarget(const CWPapierDoc& doc, const fs::path& target, int code) {
    if (target.empty())
        return exportFailed(doc, code, "No file name was given.");
    if (isPortfolioFile(doc, target))
        return exportFailed(doc, code, "Cannot save '" + target.string() + "': it is the portfolio's own file.");
    return true;
}

// All items sorted by name without regard to case (items of equal names keep their list order).
// Expects the list lock to be held.
CWPVector sortedExportItems(const CWPapierDoc& doc) {
    CWPVector items;
    for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;)
        if (CWPapier* item = doc.GetNextItem(pos))
            items.push_back(item);
    std::stable_sort(items.begin(), items.end(), [](const CWPapier* a, const CWPapier* b) {
        return compareNoCase(a->m_strName, b->m_strName) < 0;
    });
    DOC_LOG(LOG_LEVEL_INFO, "Sorted export item list:");
    for (std::size_t i = 0; i < items.size(); ++i)
        DOC_LOG(LOG_LEVEL_INFO, "%i: %s", static_cast<int>(i), items[i]->m_strName.c_str());
    return items;
}

// A text file collected in pieces and written atomically.
class TextFileOut {
public:
    explicit TextFileOut(const fs::path& path) : m_file(path) {}
    bool open() { return m_file.open(); }
    std::string& text() { return m_text; }
    // Hands the collected text to the file once there is enough of it (write errors are kept by
    // the writer and reported by commit()).
    void flushWhenFull() {
        if (m_text.size() >= kFlushSize)
            flush();
    }
    bool commit() {
        flush();
        return m_file.commit();
    }
    const std::string& error() const { return m_file.errorText(); }

private:
    void flush() {
        m_file.write(m_text);
        m_text.clear();
    }

    AtomicFileWriter m_file;
    std::string m_text;
};

// ---------------------------------------------------------------- text files

// Writes `items` as a text file: `header`, then for each item what `writeItem` (item, file)
// collects, and an empty line. A portfolio without items writes nothing, which is no failure.
template <class WriteItem>
bool writeTextFile(const CWPapierDoc& doc, const fs::path& path, const CWPVector& items, std::string_view header,
                   const WriteItem& writeItem) {
    if (items.empty()) {
        DOC_LOG(LOG_LEVEL_INFO, "The portfolio holds no items; nothing exported.");
        return true;
    }
    if (!checkTarget(doc, path, kFirstFileFailed))
        return false;
    TextFileOut out(path);
    if (!out.open())
        return exportFailed(doc, kFirstFileFailed, out.error());
    out.text() += header;
    for (const CWPapier* item : items) {
        writeItem(*item, out);
        out.text() += "\r\n";
    }
    if (!out.commit())
        return exportFailed(doc, kFirstFileFailed, out.error());
    return true;
}

bool writeQuotationFile(const CWPapierDoc& doc, const fs::path& path) {
    DOC_LOG(LOG_LEVEL_INFO, "Exporting quotations to '%s'...", path.string().c_str());
    const CWPVector items = sortedExportItems(doc);
    const auto writeItem = [](const CWPapier& item, TextFileOut& out) {
        std::string label = trimmed(item.m_strSymbol);
        if (label.empty())
            label = trimmed(item.m_strName);
        label += "; ";
        std::string& text = out.text();
        // Read where they are, under the item's lock, rather than copied: the list may be long.
        // Each line after its label is written into one buffer and appended at once.
        item.readQuotations([&](const QuotationList& quotations) {
            quotations.forEachBlock([&](const CKurs* block, std::size_t count) {
                char line[32 + 5 * (2 + 3 + kMaxFixedChars)];
                for (const CKurs& q : std::span(block, count)) {
                    char* p = writeDateAndTime(line, q.m_dtDate);
                    for (const double value : {q.m_dClose, q.m_dOpen, q.m_dLow, q.m_dHigh}) {
                        *p++ = ';';
                        *p++ = ' ';
                        p = writeFixed(p, value, 4, 3);
                    }
                    *p++ = ';';
                    *p++ = ' ';
                    p = writeFixed(p, q.m_dVolume, 0);
                    *p++ = '\r';
                    *p++ = '\n';
                    text += label;
                    text.append(line, static_cast<std::size_t>(p - line));
                    out.flushWhenFull();
                }
            });
        });
    };
    if (!writeTextFile(doc, path, items, "#Symbol; Date; Time; Close; Open; Low; High; Volume\r\n", writeItem))
        return false;
    if (!items.empty())
        DOC_LOG(LOG_LEVEL_INFO, "Exported the quotations of %i items.", static_cast<int>(items.size()));
    return true;
}

bool writePortfolioText(const CWPapierDoc& doc, const fs::path& path) {
    DOC_LOG(LOG_LEVEL_INFO, "Exporting portfolio as text to '%s'...", path.string().c_str());
    const CWPVector items = sortedExportItems(doc);
    const auto writeItem = [](const CWPapier& item, TextFileOut& out) {
        std::string& text = out.text();
        text += "\"" + item.m_strName + " [" + item.m_strSymbol + "]\"\r\n";
        text += "Symbol; Date; Open; Low; High; Close; Volume\r\n";
        for (const CKurs& q : item.GetQuotationListCopy()) {
            text += item.m_strSymbol;
            text += "; ";
            text += q.m_dtDate.Format(kDateTimeFormat);
            for (const double value : {q.m_dOpen, q.m_dLow, q.m_dHigh, q.m_dClose}) {
                text += "; ";
                text += fixedText(value, 4, 3);
            }
            text += "; ";
            text += fixedText(q.m_dVolume, 0, 3);
            text += ";\r\n";
            out.flushWhenFull();
        }
    };
    if (!writeTextFile(doc, path, items, {}, writeItem))
        return false;
    if (!items.empty())
        DOC_LOG(LOG_LEVEL_INFO, "Exported %i items as text.", static_cast<int>(items.size()));
    return true;
}

// ---------------------------------------------------------------- worksheets

std::string withNote(std::string_view label, const std::string& note) {
    return note.empty() ? std::string(label) : std::string(label) + " (" + note + ")";
}

// "Buy (item|note)"; the short label when both are empty.
std::string withItemAndNote(const char* label, const std::string& item, const std::string& note) {
    if (item.empty() && note.empty())
        return label;
    return std::string(label) + " (" + item + "|" + note + ")";
}

// Label and value of one transaction row of a special item's block.
struct SpecialRow {
    std::string label;
    double value = 0.0;
};

SpecialRow cashAccountRow(const CTransaction& t) {
    switch (t.m_nType) {
    case CTransaction::kBuy:
        return {withNote("Credit", t.m_strNote), t.m_dUnits - t.m_dTaxes};
    case CTransaction::kSell:
        return {withNote("Debit", t.m_strNote), -t.m_dUnits - t.m_dTaxes};
    case CTransaction::kDividend:
        return {withNote("Dividends/Interests", t.m_strNote), t.m_dUnits - t.m_dTaxes};
    default:
        return {std::string(), t.m_dUnits - t.m_dTaxes};
    }
}

// A row of the investment history: any item's transaction, named after its item.
SpecialRow historyRow(const CTransaction& t, const std::string& itemName, bool ofCashAccount) {
    const double amount = t.m_dQuotation * t.m_dUnits;
    switch (t.m_nType) {
    case CTransaction::kBuy:
        if (ofCashAccount)
            return {withNote("Cash Account Credit", t.m_strNote), t.m_dUnits - t.m_dTaxes};
        return {withItemAndNote("Buy", itemName, t.m_strNote), amount + t.m_dTaxes};
    case CTransaction::kSell:
        if (ofCashAccount)
            return {withNote("Cash Account Debit", t.m_strNote), -t.m_dUnits - t.m_dTaxes};
        return {withItemAndNote("Sell", itemName, t.m_strNote), t.m_dTaxes - amount};
    case CTransaction::kDividend:
        return {withItemAndNote("Dividends/Interests", itemName, t.m_strNote),
                ofCashAccount ? t.m_dUnits - t.m_dTaxes : amount - t.m_dTaxes};
    default:
        return {};
    }
}

class BlockWriter {
public:
    explicit BlockWriter(ExcelSheet& sheet) : m_sheet(sheet) {}

    void text(unsigned row, unsigned column, const std::string& text, bool bold = false) {
        if (text.empty() && !bold)
            return;
        ExcelCell& cell = m_sheet.Cell(row, column);
        cell.SetText(text.c_str());
        if (bold)
            cell.SetFont(kBoldFont);
    }
    void number(unsigned row, unsigned column, double value) { m_sheet.Cell(row, column).SetNumber(value); }
    void headers(unsigned column, std::initializer_list<const char*> names) {
        for (const char* name : names)
            text(kHeaderRow, column++, name, true);
    }

private:
    ExcelSheet& m_sheet;
};

// Writes the item's block from column `c`. Rows past the sheet's last row are left out; returns
// false when that happened.
bool writeItemBlock(const CWPapierDoc& doc, ExcelSheet& sheet, const CWPapier& item, unsigned c) {
    BlockWriter out(sheet);
    const bool special = isSpecial(item);
    bool complete = true;

    out.text(kTitleRow, c, special ? item.m_strName : item.m_strName + " [" + item.m_strSymbol + "]", true);

    // Quotations.
    if (special)
        out.headers(c, {"Date", "Balance"});
    else
        out.headers(c, {"Date", "Close", "Open", "Low", "High", "Volume"});
    unsigned row = kFirstDataRow;
    for (const CKurs& q : item.GetQuotationListCopy()) {
        if (row > ExcelSheet::kLastRow) {
            complete = false;
            break;
        }
        out.text(row, c, q.m_dtDate.Format(kDateTimeFormat));
        out.number(row, c + 1, q.m_dClose);
        if (!special) {
            out.number(row, c + 2, q.m_dOpen);
            out.number(row, c + 3, q.m_dLow);
            out.number(row, c + 4, q.m_dHigh);
            out.number(row, c + 5, q.m_dVolume);
        }
        ++row;
    }

    // Transactions.
    const unsigned t = c + (special ? 3 : 7);
    if (special)
        out.headers(t, {"Transaction", "Date", "Value"});
    else
        out.headers(t, {"Transaction", "Date", "Units", "Quotation/Dividends", "Tax"});
    const std::vector<CTransaction> transactions =
        item.m_bInvestmentHistory ? doc.GetAllTransactionsSorted() : item.GetTransactionListCopy();
    row = kFirstDataRow;
    for (const CTransaction& tr : transactions) {
        if (row > ExcelSheet::kLastRow) {
            complete = false;
            break;
        }
        out.text(row, t + 1, tr.m_dtDate.Format(kDateTimeFormat));
        if (item.m_bInvestmentHistory) {
            const CWPapier* origin = doc.GetItem(tr.m_posOriginItem);
            const SpecialRow r =
                historyRow(tr, origin ? origin->m_strName : std::string(), origin && origin->m_bCashAccount);
            out.text(row, t, r.label);
            out.number(row, t + 2, r.value);
        } else if (item.m_bCashAccount) {
            const SpecialRow r = cashAccountRow(tr);
            out.text(row, t, r.label);
            out.number(row, t + 2, r.value);
        } else {
            const std::string_view label = CTransaction::typeName(tr.m_nType, false);
            if (!label.empty())
                out.text(row, t, withNote(label, tr.m_strNote));
            out.number(row, t + 2, tr.m_nType == CTransaction::kSell ? -tr.m_dUnits : tr.m_dUnits);
            out.number(row, t + 3, tr.m_dQuotation);
            out.number(row, t + 4, tr.m_dTaxes);
        }
        ++row;
    }
    return complete;
}

// One worksheet file: its target and the items [first, end) of the sorted list.
struct WorksheetFile {
    fs::path path;
    std::size_t first = 0;
    std::size_t end = 0;
};

bool writePortfolioWorksheets(const CWPapierDoc& doc, const fs::path& path) {
    DOC_LOG(LOG_LEVEL_INFO, "Exporting portfolio as worksheets to '%s'...", path.string().c_str());
    const CWPVector items = sortedExportItems(doc);

    // Which items go into which file.
    std::vector<WorksheetFile> files{{path, 0, 0}};
    unsigned column = kFirstBlockColumn;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (column >= kNewFileColumn) {
            files.back().end = i;
            files.push_back({CWPapierDoc::worksheetExportPath(path, static_cast<int>(files.size()) + 1), i, 0});
            column = kFirstBlockColumn;
        }
        column += isSpecial(*items[i]) ? kSpecialBlockWidth : kOrdinaryBlockWidth;
    }
    files.back().end = items.size();

    // Every file is opened before the first one is written, so a target that cannot be written
    // stops the export before anything is replaced.
    std::vector<std::unique_ptr<AtomicFileWriter>> writers;
    for (std::size_t n = 0; n < files.size(); ++n) {
        const int code = n == 0 ? kFirstFileFailed : kFurtherFileFailed;
        if (!checkTarget(doc, files[n].path, code))
            return false;
        auto& writer = writers.emplace_back(std::make_unique<AtomicFileWriter>(files[n].path));
        if (!writer->open())
            return exportFailed(doc, code, writer->errorText());
    }

    std::vector<std::string> cutItems;
    for (std::size_t n = 0; n < files.size(); ++n) {
        ExcelSheet sheet;
        column = kFirstBlockColumn;
        for (std::size_t i = files[n].first; i < files[n].end; ++i) {
            if (!writeItemBlock(doc, sheet, *items[i], column))
                cutItems.push_back(items[i]->m_strName);
            column += isSpecial(*items[i]) ? kSpecialBlockWidth : kOrdinaryBlockWidth;
        }
        const ExcelWriteResult result = sheet.Write(*writers[n]);
        if (!result.ok()) {
            std::string reason = result.error;
            if (n > 0)
                reason += "\n" + std::to_string(n) + " of " + std::to_string(files.size()) + " files were written.";
            return exportFailed(doc, n == 0 ? kFirstFileFailed : kFurtherFileFailed, reason);
        }
        DOC_LOG(LOG_LEVEL_INFO, "Wrote worksheet file '%s'", files[n].path.string().c_str());
    }

    if (!cutItems.empty()) {
        std::string names;
        for (const std::string& name : cutItems)
            names += "\n" + name;
        DOC_LOG(LOG_LEVEL_WARNING, "Rows beyond row %u were left out of the worksheet for %i items",
                ExcelSheet::kLastRow + 1, static_cast<int>(cutItems.size()));
        tellUser(doc, PortfolioNotice::Kind::Warning,
                 "The portfolio has been exported into MS Excel format, but MS Excel doesn't support more than "
                 "65536 rows:\nthe quotations or transactions beyond that row were left out for" +
                     names);
        return false;
    }
    if (files.size() == 1)
        tellUser(doc, PortfolioNotice::Kind::Information, "Successfuly exported file into MS Excel format.");
    else
        tellUser(doc, PortfolioNotice::Kind::Information,
                 "The portfolio has been successfuly exported into MS Excel format.\nNote that since MS Excel "
                 "doesn't support more than 256 columns,\nthe portfolio has been exported into " +
                     std::to_string(files.size()) + " separate XLS files.");
    return true;
}

} // namespace

fs::path CWPapierDoc::quotationExportPath(const fs::path& portfolioPath) {
    if (portfolioPath.empty())
        return {};
    fs::path result = portfolioPath;
    if (lowerExtension(portfolioPath) == ".csv")
        result += ".csv"; // never the portfolio itself
    else
        result.replace_extension(".csv");
    return result;
}

fs::path CWPapierDoc::worksheetExportPath(const fs::path& path, int number) {
    fs::path name = path.stem();
    name += "_" + std::to_string(number);
    name += path.extension();
    return path.parent_path() / name;
}

bool CWPapierDoc::FileExportQuotations(const fs::path& path) {
    bool ok = false;
    {
        const ListLock lock(*this); // notices queued meanwhile follow once the cursor is back
        const WaitCursor wait(m_portfolioHost);
        ok = writeQuotationFile(*this, path);
    }
    if (programOptions().m_bExportMode) {
        DOC_LOG(LOG_LEVEL_INFO, "Finished FileExportQuotations");
        if (m_portfolioHost)
            m_portfolioHost->requestExit();
    }
    return ok;
}

bool CWPapierDoc::ExportQuotationsXls(const fs::path& path) {
    const ListLock lock(*this);
    const WaitCursor wait(m_portfolioHost);
    if (lowerExtension(path) == ".xls")
        return writePortfolioWorksheets(*this, path);
    return writePortfolioText(*this, path);
}
