#pragma once
// Helpers of the document tests: a view that records what it is told, the archive string forms
// written by hand, the head and tail of an item record written field by field in the order of the
// file format, small item builders, the names in list order, and a probe of the list lock.

#include "ItemTestSupport.h"
#include "platform/Document.h"
#include "portfolio/WPapierDoc.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace doctest {

// A view of the document: records (sender, hint) of every update.
class RecordingView : public DocumentObserver {
public:
    struct Update {
        DocumentObserver* sender;
        std::int64_t hint;
        bool operator==(const Update&) const = default;
    };
    void OnUpdate(DocumentObserver* sender, std::int64_t hint) override { updates.push_back({sender, hint}); }
    std::vector<Update> updates;
};

// The archive's byte form of an ASCII string with a short length.
inline void putAscii(itemtest::Bytes& b, std::string_view s) {
    if (s.size() < 255) {
        b.u8(static_cast<std::uint8_t>(s.size()));
    } else {
        b.u8(0xFF);
        b.u16(static_cast<std::uint16_t>(s.size()));
    }
    b.append(s);
}

// The archive's 16-bit form: FF FE FF, the length in UTF-16 units, the text little-endian.
inline void putWide(itemtest::Bytes& b, std::u16string_view s) {
    b.u8(0xFF).u16(0xFFFE).u8(static_cast<std::uint8_t>(s.size()));
    for (char16_t c : s)
        b.u16(static_cast<std::uint16_t>(c));
}

inline itemtest::Bytes& className(itemtest::Bytes& b, std::string_view name, std::uint16_t schema = 22) {
    b.u16(0xFFFF).u16(schema).u16(static_cast<std::uint16_t>(name.size()));
    b.append(name);
    return b;
}

// Fields 1 to 39 of a schema-22 item record with ASCII texts (name given as the bytes to write).
inline void itemHead(itemtest::Bytes& b, const CWPapier& it, const std::string& nameBytes) {
    b.append(nameBytes);
    putAscii(b, it.m_strSymbol);
    putAscii(b, it.m_strCategory);
    putAscii(b, it.m_strNote);
    b.i32(it.m_bDownloadEnabled).i32(it.m_bInvestmentHistory).i32(it.m_bCashAccount);
    const ServerSettings& s = it.m_Server;
    putAscii(b, s.m_strName);
    putAscii(b, s.m_strURL);
    b.i32(s.m_nTimeout);
    putAscii(b, s.m_strThousands);
    putAscii(b, s.m_strDecimal);
    b.i32(s.m_nFormat);
    putAscii(b, s.m_strTextBeforeValue);
    b.i32(s.m_nHtmlBeforeValue).i32(s.m_nNumbersBeforeValue).i32(s.m_bNoCaseSensitive).i32(s.m_nFiltering);
    putAscii(b, s.m_strRegExp);
    b.i32(it.m_bAlarmBelow).i32(it.m_bAlarmAbove).i32(it.m_bAlarmBreakEven);
    b.f64(it.m_dAlarmBelow).f64(it.m_dAlarmAbove).f64(it.m_dAlarmBreakEvenPercent);
    b.f64(it.m_dUnits).f64(it.m_dBreakEven).f64(it.m_dAveragePrice);
    b.i32(it.m_bChartEnabled).i32(it.m_bGrid).i32(it.m_nGraphValues).i32(it.m_nAxisValues);
    b.date(it.m_dtBegin).date(it.m_dtEnd);
    b.i32(it.m_bBegin).i32(it.m_bEnd).i32(static_cast<std::int32_t>(it.m_crColor));
    b.i32(it.m_bTransactionMarks).i32(it.m_bBreakEvenLine);
}

inline std::string asciiField(std::string_view s) {
    itemtest::Bytes b;
    putAscii(b, s);
    return b.data();
}

// A portfolio item with a name and optional flags.
inline std::unique_ptr<CWPapier> makeItem(std::string name) {
    auto item = std::make_unique<CWPapier>();
    item->m_strName = std::move(name);
    item->m_pFormulaItemX = item.get();
    item->m_pFormulaItemY = item.get();
    return item;
}

// The two items every new or opened portfolio holds besides its own: the cash account and the
// investment history.
inline constexpr int kSpecialItemCount = 2;

// Whether the portfolio holds nothing but its cash account and its investment history.
inline bool holdsOnlySpecialItems(const CWPapierDoc& doc) {
    const ItemPos cash = doc.FindCashAccountItem();
    const ItemPos history = doc.FindInvestmentHistoryItem();
    return doc.GetItemCount() == kSpecialItemCount && cash != kNoItemPos && history != kNoItemPos &&
           doc.GetItemName(cash) == " Cash Account" && doc.GetItemName(history) == " Investment History";
}

// The items' names in list order.
inline std::vector<std::string> itemNames(const CWPapierDoc& doc) {
    std::vector<std::string> out;
    for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;)
        out.push_back(doc.GetNextItem(pos)->m_strName);
    return out;
}

// Whether another thread could take the list lock now (a notice or question reaching the host
// while an operation holds it would find it taken).
inline bool listLockFree(const CWPapierDoc& doc) {
    bool free = false;
    std::thread probe([&] {
        if (doc.m_MutexWPList.try_lock()) {
            free = true;
            doc.m_MutexWPList.unlock();
        }
    });
    probe.join();
    return free;
}

inline std::vector<std::uint8_t> toBytes(const std::string& s) {
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

} // namespace doctest
