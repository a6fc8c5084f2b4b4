#include "dialogs/ItemSheetParts.h"

#include "dialogs/DialogParts.h"
#include "portfolio/WPapierDoc.h"
#include "retrieval/PlaceHolders.h"

#include <QComboBox>
#include <QVariant>

#include <algorithm>
#include <cctype>
#include <QVariant>

namespace {

void replaceAll(std::string& text, std::string_view what, std::string_view with) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

} // namespace

std::string NoteForEditor(std::string_view note) {
    std::string text(note);
    replaceAll(text, "\r\n", "\n");
    return text;
}

std::string NoteForItem(std::string_view edited) {
    std::string text = NoteForEditor(edited); // a pasted "\r\n" must not become "\r\r\n"
    replaceAll(text, "\n", "\r\n");
    return text;
}

void DDX_NoteText(DataExchange& dx, unsigned id, std::string& note) {
    if (dx.m_bSaveAndValidate) {
        std::string edited;
        DDX_Text(dx, id, edited);
        if (!dx.failed())
            note = NoteForItem(edited);
    } else {
        std::string shown = NoteForEditor(note);
        DDX_Text(dx, id, shown);
    }
}

std::string SymbolLookupUrl(std::string_view searchUrl, std::string_view templateUrl, std::string_view name) {
    std::string url(searchUrl);
    replaceAll(url, "[&url]", templateUrl);
    std::string encoded;
    std::size_t start = 0;
    while (true) {
        const std::size_t blank = name.find(' ', start);
        encoded += PercentEncodeUrlText(name.substr(start, blank == std::string_view::npos ? name.npos : blank - start));
        if (blank == std::string_view::npos)
            break;
        encoded += '+';
        start = blank + 1;
    }
    replaceAll(url, "[&name]", encoded);
    return url;
}

std::string WebPageUrl(std::string_view url, std::string_view name, std::string_view symbol) {
    std::string dated;
    ExpandDatePlaceHoldersNow(url, dated, 0);
    std::string result;
    ReplaceNameSymbolInUrl(dated, result, name, symbol);
    return result;
}

std::vector<ItemEntry> ItemEntries(const CWPapierDoc& doc, ItemPos except) {
    std::vector<ItemEntry> entries;
    const auto lock = doc.LockList();
    ItemPos pos = doc.GetHeadPosition();
    while (pos != kNoItemPos) {
        const ItemPos here = pos;
        const CWPapier* item = doc.GetNextItem(pos);
        if (item && here != except)
            entries.push_back({item->m_strName, here});
    }
    return entries;
}

void FillItemCombo(QComboBox& combo, const std::vector<ItemEntry>& entries) {
    combo.clear();
    std::vector<ItemEntry> sorted = entries;
    // A sorted list, as the user reads it; equal names keep the document's order.
    std::stable_sort(sorted.begin(), sorted.end(), [](const ItemEntry& a, const ItemEntry& b) {
        return toQString(a.name).compare(toQString(b.name), Qt::CaseInsensitive) < 0;
    });
    for (const ItemEntry& entry : sorted)
        combo.addItem(toQString(entry.name), QVariant::fromValue<ItemPos>(entry.pos));
}

bool SelectItemEntry(QComboBox& combo, ItemPos pos) {
    const int index = pos == kNoItemPos ? -1 : combo.findData(QVariant::fromValue<ItemPos>(pos));
    combo.setCurrentIndex(index);
    return index >= 0;
}

ItemPos SelectedItemEntry(const QComboBox& combo) {
    const int index = combo.currentIndex();
    return index < 0 ? kNoItemPos : combo.itemData(index).value<ItemPos>();
}

std::string ServerHintText(const std::string& name, const std::string& symbolInfo, const std::string& symbolSearchUrl,
                           std::string& searchUrl) {
    searchUrl.clear();
    std::string hint = "For server \"" + name + "\" ";
    if (symbolInfo.empty())
        return hint + "try using Ticker, ISIN or WKN as symbol.";
    hint += symbolInfo;
    if (!symbolSearchUrl.empty()) {
        hint += "\nPress the \"Symbol Look-up\" button to open the server's symbol search page.";
        searchUrl = symbolSearchUrl;
    }
    return hint;
}

std::string GeneraliseAnchorText(std::string text, const std::string& name, const std::string& symbol) {
    if (!name.empty())
        replaceAll(text, name, "[&name]");
    if (!symbol.empty())
        replaceAll(text, symbol, "[&symbol]");
    return text;
}

int WizardPageFormat(std::string_view url) {
    std::string lower(url);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* extension : {".txt", ".csv", ".asc"}) {
        const std::size_t at = lower.find(extension);
        if (at != std::string::npos && at > 0)
            return 0;
    }
    return 1;
}
