#include "portfolio/PortfolioArchive.h"

#include "portfolio/DocLog.h"
#include "portfolio/ItemPointerSet.h"

#include <algorithm>
#include <unordered_set>

const ArchiveClassRegistry& portfolioClassRegistry() {
    static const ArchiveClassRegistry registry = [] {
        ArchiveClassRegistry r;
        r.add<CWPapier>(std::string(CWPapier::kClassName));
        r.add<CKurs>(std::string(CKurs::kClassName));
        r.add<CTransaction>(std::string(CTransaction::kClassName));
        return r;
    }();
    return registry;
}

ItemListReadResult readItemList(Archive& ar) {
    ItemListReadResult result;
    const std::uint32_t count = ar.readCount(2);
    // Every item record takes well over 100 bytes; the count comes from the file.
    result.items.reserve(std::min<std::size_t>(count, ar.remaining() / 100 + 1));
    // Null entries are left out and counted: one line for the whole list, however many there are.
    std::uint32_t nulls = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        ArchiveObject* object = ar.readObject({CWPapier::kClassName});
        if (!object) {
            ++nulls;
            continue;
        }
        // The list owns its items; an item named twice in the list fails here.
        std::unique_ptr<ArchiveObject> owned = ar.adopt(object);
        auto* item = dynamic_cast<CWPapier*>(owned.get());
        if (!item)
            throw ArchiveError("an entry of the item list is not an item");
        std::unique_ptr<CWPapier> typed(item);
        owned.release();
        result.items.push_back(std::move(typed));
    }
    if (nulls == 1)
        DOC_LOG(LOG_LEVEL_ERROR, "Ignoring NULL reference in item list!!!");
    else if (nulls > 1)
        DOC_LOG(LOG_LEVEL_ERROR, "Ignoring %u NULL references in item list!!!", static_cast<unsigned>(nulls));

    // The last item record read is the one created last: every item of the stream is a list item
    // or stands at a link of another item read, and ids grow with every item made.
    std::vector<CWPapier*> pending;
    std::unordered_set<const CWPapier*> seen;
    for (const auto& item : result.items)
        if (seen.insert(item.get()).second)
            pending.push_back(item.get());
    const CWPapier* last = nullptr;
    while (!pending.empty()) {
        CWPapier* item = pending.back();
        pending.pop_back();
        if (!last || item->id() > last->id())
            last = item;
        for (CWPapier* link : {item->m_pCurrencyItem, item->m_pFormulaItemX, item->m_pFormulaItemY})
            if (link && seen.insert(link).second)
                pending.push_back(link);
    }
    if (last)
        result.lastItemSchema = last->loadSchema();

    std::vector<CWPapier*> list;
    list.reserve(result.items.size());
    for (const auto& item : result.items)
        list.push_back(item.get());
    result.repairedLinks = repairItemLinks(list);
    return result;
}

void writeItemList(Archive& ar, std::span<CWPapier* const> items) {
    ar.writeCount(items.size());
    for (CWPapier* item : items)
        ar.writeObject(item);
}

int repairItemLinks(std::span<CWPapier* const> items) {
    const ItemPointerSet members(items);
    int repaired = 0;
    for (CWPapier* item : items) {
        if (!item)
            continue;
        if (!members.contains(item->m_pFormulaItemX)) {
            item->m_pFormulaItemX = item;
            ++repaired;
        }
        if (!members.contains(item->m_pFormulaItemY)) {
            item->m_pFormulaItemY = item;
            ++repaired;
        }
        if (!members.contains(item->m_pCurrencyItem)) {
            if (item->m_pCurrencyItem || item->m_bConvertCurrency)
                ++repaired;
            item->m_pCurrencyItem = nullptr;
            item->m_bConvertCurrency = false;
        }
    }
    return repaired;
}
