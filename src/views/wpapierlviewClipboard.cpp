#include "views/wpapierlviewClipboard.h"

#include "log/Log.h"
#include "platform/Archive.h"
#include "portfolio/PortfolioArchive.h"
#include "portfolio/WPapierDoc.h"

#include <QByteArray>
#include <QClipboard>
#include <QMimeData>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <random>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr char kMagic[8] = {'C', 'V', 'R', 'W', 'P', 'C', 'B', 1}; // format name and header version
// Per copied item: its id (4 bytes) and its conversion flag (1 byte).
constexpr std::size_t kEntryBytes = 5;
constexpr std::size_t kHeaderBytes = sizeof(kMagic) + 8 + 4;

std::uint64_t getLE(std::string_view in, std::size_t at, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= std::uint64_t(static_cast<std::uint8_t>(in[at + i])) << (8 * i);
    return value;
}

struct CopiedEntry {
    ItemPos sourceId = kNoItemPos;
    bool convert = false;
};

} // namespace

std::uint64_t ItemClipboardSession() {
    static const std::uint64_t session = [] {
        std::random_device device;
        std::uint64_t value = (std::uint64_t(device()) << 32) ^ device();
        return value ? value : 1;
    }();
    return session;
}

QByteArray ItemClipboardPayload(const CWPapierDoc& doc, const std::vector<ItemPos>& positions) {
    const auto lock = doc.LockList();
    std::vector<CWPapier*> items;
    std::unordered_set<const CWPapier*> seen;
    std::size_t quotations = 0;
    for (ItemPos pos : positions)
        if (CWPapier* item = doc.GetItem(pos); item && seen.insert(item).second) {
            items.push_back(item);
            quotations += static_cast<std::size_t>(item->GetQuotationCount());
        }

    // The archive hands its bytes over in chunks straight into the payload, which is reserved for
    // about what the quotations take, so the buffer rarely moves.
    QByteArray payload;
    payload.reserve(qsizetype(std::min<std::size_t>(quotations * 64 + items.size() * 1024 + 4096, kMaxItemClipboardBytes)));
    Archive ar(
        [&payload](const std::uint8_t* data, std::size_t size) {
            payload.append(reinterpret_cast<const char*>(data), qsizetype(size));
        },
        std::size_t{1} << 16);
    for (char c : kMagic)
        ar.writeUInt8(static_cast<std::uint8_t>(c));
    ar.writeUInt64(ItemClipboardSession());
    ar.writeUInt32(static_cast<std::uint32_t>(items.size()));
    for (const CWPapier* item : items) {
        ar.writeUInt32(item->id());
        ar.writeUInt8(item->m_bConvertCurrency ? 1 : 0);
    }
    writeItemList(ar, items);
    ar.flush();
    return payload;
}

std::unique_ptr<QMimeData> CopyItemsToMimeData(const CWPapierDoc& doc, const std::vector<ItemPos>& positions,
                                               const QMimeData* keep) {
    auto data = std::make_unique<QMimeData>();
    const QString mime = QString::fromLatin1(kItemClipboardMimeType);
    if (keep)
        for (const QString& format : keep->formats())
            if (format != mime)
                data->setData(format, keep->data(format));
    data->setData(mime, ItemClipboardPayload(doc, positions));
    return data;
}

bool HasItemClipboardData(const QMimeData* data) {
    return data && data->hasFormat(QString::fromLatin1(kItemClipboardMimeType));
}

namespace {

constexpr std::string_view kCopyOf = "Copy of ";

// A hint to fetch memory that is read soon; nothing where the compiler has no such hint.
inline void prefetch(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

// The names a paste gives: a pasted item named X keeps X while no item has it, else takes
// "Copy of X", else "Copy of X (n)" for the first n no item has; each name given counts as taken
// for the items pasted after it.
//
// The portfolio's names are read once per paste, and only those that could stand in the way of
// one of the pasted names are kept. The set holds views of the items' own names: the caller holds
// the list lock while it lives, so no item is renamed or destroyed meanwhile. The numbered copies
// of one name only grow during a paste, so the search for the next free number starts where the
// last one for that name stopped.
class PasteNames {
public:
    PasteNames(const CWPapierDoc& doc, const std::vector<std::string_view>& pastedNames) {
        const Bases bases(pastedNames);
        m_taken.reserve(pastedNames.size() * 2);
        // The walk over a large portfolio waits on memory, item after item: the items a few places
        // ahead are fetched meanwhile, and the texts of their names once the items are there.
        constexpr std::size_t kItemsAhead = 16;
        constexpr std::size_t kNamesAhead = 8;
        const std::vector<CWPapier*> items = doc.GetItemPointers();
        const std::size_t n = items.size();
        for (std::size_t i = 0; i < n; ++i) {
            if (i + kItemsAhead < n)
                prefetch(&items[i + kItemsAhead]->m_strName);
            if (i + kNamesAhead < n)
                prefetch(items[i + kNamesAhead]->m_strName.data());
            if (canBlock(items[i]->m_strName, bases))
                m_taken.insert(items[i]->m_strName);
        }
    }

    // Gives `item` its pasted name, which is kept as taken by a view of it: the item must stay
    // where it is while this lives.
    void name(CWPapier& item) {
        item.m_strName = freeName(item.m_strName);
        m_taken.insert(item.m_strName);
    }

    std::string freeName(const std::string& name) {
        if (!m_taken.contains(name))
            return name;
        std::string copy = std::string(kCopyOf) + name;
        if (!m_taken.contains(copy))
            return copy;
        int& n = m_nextNumber.try_emplace(copy, 1).first->second;
        for (;; ++n) {
            std::string numbered = copy + " (" + std::to_string(n) + ")";
            if (!m_taken.contains(numbered))
                return numbered;
        }
    }

private:
    // The pasted names. Most names of a portfolio have a length no pasted name has: those are
    // told apart without hashing them.
    class Bases {
    public:
        explicit Bases(const std::vector<std::string_view>& names) : m_names(names.begin(), names.end()) {
            for (std::string_view name : names) {
                if (name.size() >= m_lengths.size())
                    m_lengths.resize(name.size() + 1);
                m_lengths[name.size()] = true;
            }
        }
        bool contains(std::string_view name) const {
            return name.size() < m_lengths.size() && m_lengths[name.size()] && m_names.contains(name);
        }

    private:
        std::unordered_set<std::string_view> m_names;
        std::vector<bool> m_lengths; // [n]: a pasted name has n bytes
    };

    // Whether `name` is X, "Copy of X" or "Copy of X (...)" for an X of `bases`.
    static bool canBlock(std::string_view name, const Bases& bases) {
        if (bases.contains(name))
            return true;
        if (!name.starts_with(kCopyOf))
            return false;
        name.remove_prefix(kCopyOf.size());
        if (bases.contains(name))
            return true;
        const std::size_t open = name.ends_with(')') ? name.rfind(" (") : std::string_view::npos;
        return open != std::string_view::npos && bases.contains(name.substr(0, open));
    }

    std::unordered_set<std::string_view> m_taken;
    std::unordered_map<std::string, int> m_nextNumber;
};

} // namespace

std::string PastedItemName(const CWPapierDoc& doc, const std::string& name) {
    const auto lock = doc.LockList();
    return PasteNames(doc, {name}).freeName(name);
}

ItemPasteResult PasteItemsFromPayload(CWPapierDoc& doc, std::string_view payload) {
    ItemPasteResult result;
    if (payload.size() > kMaxItemClipboardBytes) {
        result.error = "clipboard data too large";
        return result;
    }
    if (payload.size() < kHeaderBytes || std::memcmp(payload.data(), kMagic, sizeof(kMagic)) != 0) {
        result.error = "no item clipboard header";
        return result;
    }
    const std::uint64_t session = getLE(payload, sizeof(kMagic), 8);
    const std::uint64_t count = getLE(payload, sizeof(kMagic) + 8, 4);
    if (count > (payload.size() - kHeaderBytes) / kEntryBytes) {
        result.error = "item count beyond the data";
        return result;
    }
    std::vector<CopiedEntry> entries(count);
    std::size_t at = kHeaderBytes;
    for (CopiedEntry& entry : entries) {
        entry.sourceId = static_cast<ItemPos>(getLE(payload, at, 4));
        const auto flag = static_cast<std::uint8_t>(payload[at + 4]);
        if (flag > 1) {
            result.error = "bad conversion flag";
            return result;
        }
        entry.convert = flag == 1;
        at += kEntryBytes;
    }

    ItemListReadResult read;
    try {
        // The payload outlives the reader, which reads it where it lies rather than copying it.
        Archive ar(Archive::InPlace{}, payload.substr(at), portfolioClassRegistry());
        read = readItemList(ar);
        if (ar.remaining() != 0)
            throw ArchiveError("bytes after the item list");
    } catch (const ArchiveError& e) {
        result.error = e.what();
        return result;
    }
    if (read.items.size() != entries.size()) {
        result.error = "item list does not match its header";
        return result;
    }

    // Links to items that travelled only as references were dropped by the reader (they point at
    // no freed object). Where the copy came from this run, the ids it stored find the items the
    // links named, if the receiving document still holds them.
    const bool sameRun = session == ItemClipboardSession();
    std::unordered_set<ItemPos> copiedIds;
    for (const CopiedEntry& entry : entries)
        copiedIds.insert(entry.sourceId);
    auto backUp = [&](ItemPos storedId) -> CWPapier* {
        if (!sameRun || storedId == kNoItemPos || copiedIds.contains(storedId))
            return nullptr;
        return doc.GetItem(storedId);
    };

    for (std::size_t i = 0; i < read.items.size(); ++i) {
        CWPapier& item = *read.items[i];
        const bool wasCashAccount = item.m_bCashAccount != 0;
        item.m_bInvestmentHistory = 0;
        item.m_bCashAccount = 0;
        // The cash movements stay with the account they were copied from (most mirror a
        // transaction of another item). Held by an ordinary item they would count as units bought,
        // each valued at the balance, and the copy's figures would still be the account's. The
        // copy keeps the balances as its quotations.
        if (wasCashAccount)
            item.ReplaceTransactionList({});
        item.m_pFormulaItemX = &item;
        if (item.m_pFormulaItemY == &item && item.m_nFormulaItemYId != entries[i].sourceId) {
            if (CWPapier* y = backUp(item.m_nFormulaItemYId)) {
                item.m_pFormulaItemY = y;
                CVR_LOG(LOG_LEVEL_INFO, "~~~DeepCleanUpPaste: used back-up user-def ref. for item: %s",
                        item.m_strName.c_str());
            }
        }
        if (!item.m_pCurrencyItem) {
            if (CWPapier* rate = backUp(item.m_nCurrencyItemId)) {
                item.m_pCurrencyItem = rate;
                item.m_bConvertCurrency = entries[i].convert;
                CVR_LOG(LOG_LEVEL_INFO, "~~~DeepCleanUpPaste: used back-up currency ref. for item: %s",
                        item.m_strName.c_str());
            }
        }
    }

    // Under the list lock throughout, so no item added meanwhile takes a name given here.
    const auto lock = doc.LockList();
    std::vector<std::string_view> pastedNames;
    pastedNames.reserve(read.items.size());
    for (const auto& item : read.items)
        pastedNames.push_back(item->m_strName);
    PasteNames names(doc, pastedNames);
    for (auto& item : read.items)
        names.name(*item);
    // All of them in one append: one lock, one modified flag, one notice to the views.
    result.pasted = doc.AddItems(std::move(read.items));
    result.ok = true;
    return result;
}

ItemPasteResult PasteItemsFromMimeData(CWPapierDoc& doc, const QMimeData* data) {
    if (!HasItemClipboardData(data)) {
        ItemPasteResult result;
        result.error = "no item data on the clipboard";
        return result;
    }
    const QByteArray bytes = data->data(QString::fromLatin1(kItemClipboardMimeType));
    return PasteItemsFromPayload(doc, std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

bool CopyItemsToClipboard(QClipboard* clipboard, const CWPapierDoc& doc, const std::vector<ItemPos>& positions) {
    if (!clipboard)
        return false;
    clipboard->setMimeData(CopyItemsToMimeData(doc, positions, clipboard->mimeData()).release());
    return true;
}

ItemPasteResult PasteItemsFromClipboard(QClipboard* clipboard, CWPapierDoc& doc) {
    ItemPasteResult result = PasteItemsFromMimeData(doc, clipboard ? clipboard->mimeData() : nullptr);
    if (!result.ok)
        CVR_LOG(LOG_LEVEL_WARNING, "Paste: %s", result.error.c_str());
    return result;
}
