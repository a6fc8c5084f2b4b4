// The item's file record: written at schema 22, read in every schema from 1 to 22.

#include "portfolio/ItemDefaults.h"
#include "portfolio/ItemLog.h"
#include "portfolio/RecordSchema.h"
#include "portfolio/WPapierItem.h"

#include <algorithm>
#include <memory>
#include <mutex>

namespace {

// Bytes an element of a record list takes at least: its tag and the shortest record of the schema.
std::size_t minQuotationBytes(int schema) {
    if (schema <= 16)
        return 2 + 12; // old-style date, close
    if (schema <= 21)
        return 2 + 44; // old-style date, five values
    return 2 + 52;
}

std::size_t minTransactionBytes(int schema) {
    return schema <= 12 ? 2 + 32 : 2 + 41;
}

// Reserves room for `count` records, but never more than the bytes left can hold: the count comes
// from the file.
template <class T> void reserveFor(std::vector<T>& list, std::uint32_t count, const Archive& ar, std::size_t minBytes) {
    list.reserve(std::min<std::size_t>(count, ar.remaining() / minBytes));
}

// Reads the next entry of a record list in place at the end of `list`, in the form of `schema`.
// Null entries give nothing. The records are values of the list: a stream that names one of them
// again, at any place, fails (Archive::readValueObject).
template <class T> bool readRecordEntry(Archive& ar, int schema, std::vector<T>& list) {
    T& record = list.emplace_back();
    if (ar.readValueObject(T::kClassName, [&] { record.SerializeWithSchema(ar, schema); }))
        return true;
    list.pop_back();
    return false;
}

// The ERROR line for `nulls` null entries left out of a list (`reader`, `listName`): one line for
// the whole list, with the count when there were several.
void logNullEntries(std::uint32_t nulls, const char* reader, const char* listName, const std::string& itemName) {
    if (nulls == 1)
        ITEM_LOG(LOG_LEVEL_ERROR, "%s: ignoring NULL reference in %s of '%s'!!!", reader, listName, itemName.c_str());
    else if (nulls > 1)
        ITEM_LOG(LOG_LEVEL_ERROR, "%s: ignoring %u NULL references in %s of '%s'!!!", reader,
                 static_cast<unsigned>(nulls), listName, itemName.c_str());
}

// Reads a record list of the item `itemName` in the form of `schema`: its count, then its entries.
// Null entries are left out with one ERROR line naming the list (`reader`, `listName`).
template <class T>
std::vector<T> readRecordList(Archive& ar, int schema, std::size_t minBytes, const char* reader, const char* listName,
                              const std::string& itemName) {
    const std::uint32_t count = ar.readCount(2);
    std::vector<T> list;
    reserveFor(list, count, ar, minBytes);
    std::uint32_t nulls = 0;
    for (std::uint32_t i = 0; i < count; ++i)
        nulls += readRecordEntry(ar, schema, list) ? 0 : 1;
    logNullEntries(nulls, reader, listName, itemName);
    return list;
}

// Reads the quotation list of the item `itemName` in the form of `schema` straight into blocks of
// the list's size, as readRecordList reads other lists: a long history is never held twice.
std::vector<std::vector<CKurs>> readQuotationBlocks(Archive& ar, int schema, const std::string& itemName) {
    const std::uint32_t count = ar.readCount(2);
    const std::size_t minBytes = minQuotationBytes(schema);
    std::vector<std::vector<CKurs>> blocks;
    blocks.reserve(std::min<std::size_t>(count, ar.remaining() / minBytes) / QuotationList::kDefaultBlockSize + 1);
    std::uint32_t left = count;
    std::uint32_t nulls = 0;
    while (left > 0) {
        std::vector<CKurs>& block = blocks.emplace_back();
        reserveFor(block, std::min<std::uint32_t>(left, QuotationList::kDefaultBlockSize), ar, minBytes);
        while (left > 0 && block.size() < QuotationList::kDefaultBlockSize) {
            --left;
            nulls += readRecordEntry(ar, schema, block) ? 0 : 1;
        }
    }
    logNullEntries(nulls, "GetQuotationListCopy", "quotation list", itemName);
    return blocks;
}

// A link to another item: null, a back-reference or an item record written at this place.
CWPapier* readItemLink(Archive& ar) {
    ArchiveObject* object = ar.readObject({CWPapier::kClassName});
    if (!object)
        return nullptr;
    auto* item = dynamic_cast<CWPapier*>(object);
    if (!item)
        throw ArchiveError("an item link names an object that is not an item");
    return item;
}

} // namespace

void CWPapier::Serialize(Archive& ar) {
    if (ar.isStoring()) {
        storeRecord(ar);
        return;
    }
    int schema = ar.objectSchema();
    if (schema == 0 || schema > kCurrentRecordSchema)
        schema = kCurrentRecordSchema;
    loadRecord(ar, schema);
}

void CWPapier::storeRecord(Archive& ar) {
    // The item's own locks guard fields 1 to 41; they are released before the links, where a linked
    // item may be written in full, so that no item's locks are ever held inside another's.
    std::unique_lock transactionLock(m_csTransactions);
    std::unique_lock quotationLock(m_csQuotations);
    ar.writeString(m_strName);
    ar.writeString(m_strSymbol);
    ar.writeString(m_strCategory);
    ar.writeString(m_strNote);
    ar.writeInt32(m_bDownloadEnabled);
    ar.writeInt32(m_bInvestmentHistory);
    ar.writeInt32(m_bCashAccount);

    ar.writeString(m_Server.m_strName);
    ar.writeString(m_Server.m_strURL);
    ar.writeInt32(m_Server.m_nTimeout);
    ar.writeString(m_Server.m_strThousands);
    ar.writeString(m_Server.m_strDecimal);
    ar.writeInt32(m_Server.m_nFormat);
    ar.writeString(m_Server.m_strTextBeforeValue);
    ar.writeInt32(m_Server.m_nHtmlBeforeValue);
    ar.writeInt32(m_Server.m_nNumbersBeforeValue);
    ar.writeInt32(m_Server.m_bNoCaseSensitive);
    ar.writeInt32(m_Server.m_nFiltering);
    ar.writeString(m_Server.m_strRegExp);

    ar.writeInt32(m_bAlarmBelow);
    ar.writeInt32(m_bAlarmAbove);
    ar.writeInt32(m_bAlarmBreakEven);
    ar.writeDouble(m_dAlarmBelow);
    ar.writeDouble(m_dAlarmAbove);
    ar.writeDouble(m_dAlarmBreakEvenPercent);
    ar.writeDouble(m_dUnits);
    ar.writeDouble(m_dBreakEven);
    ar.writeDouble(m_dAveragePrice);

    ar.writeInt32(m_bChartEnabled);
    ar.writeInt32(m_bGrid);
    ar.writeInt32(m_nGraphValues);
    ar.writeInt32(m_nAxisValues);
    writeRecordDate(ar, m_dtBegin);
    writeRecordDate(ar, m_dtEnd);
    ar.writeInt32(m_bBegin);
    ar.writeInt32(m_bEnd);
    ar.writeUInt32(m_crColor);
    ar.writeInt32(m_bTransactionMarks);
    ar.writeInt32(m_bBreakEvenLine);

    // Each record belongs to its list alone and is written at this one place, so the archive
    // keeps no note of its address; it only reads it.
    ar.writeCount(m_QuotationList.size());
    m_QuotationList.forEach(0, m_QuotationList.size(), [&ar](const CKurs& quotation, std::size_t) {
        ar.writeUnsharedObject(const_cast<CKurs*>(&quotation));
    });
    ar.writeCount(m_TransactionList.size());
    for (CTransaction& transaction : m_TransactionList)
        ar.writeUnsharedObject(&transaction);
    quotationLock.unlock();
    transactionLock.unlock();

    ar.writeBool(m_bConvertCurrency);
    ar.writeObject(m_pCurrencyItem);
    m_nCurrencyItemId = m_pCurrencyItem ? m_pCurrencyItem->id() : kNoItemPos;
    ar.writeUInt32(m_nCurrencyItemId);
    ar.writeString(m_strFormula);
    ar.writeBool(m_bFormulaPercent);
    ar.writeObject(m_pFormulaItemX);
    ar.writeInt32(m_nFormulaValueX);
    ar.writeObject(m_pFormulaItemY);
    m_nFormulaItemYId = m_pFormulaItemY ? m_pFormulaItemY->id() : kNoItemPos;
    ar.writeUInt32(m_nFormulaItemYId);
    ar.writeInt32(m_nFormulaValueY);
}

// The item is new and reachable by nobody else while its record is read; the lists are read into
// copies and taken over at the end under their locks.
void CWPapier::loadRecord(Archive& ar, int s) {
    m_nLoadSchema = s;
    m_nCurrencyItemId = kNoItemPos;
    m_nFormulaItemYId = kNoItemPos;

    // Kind defaults; the schemas that hold a flag read it below.
    m_bDownloadEnabled = 1;
    m_bInvestmentHistory = 0;
    m_bCashAccount = 0;

    const auto readDate = [&ar, s]() { return s >= 22 ? readRecordDate(ar) : readOldStyleDate(ar); };

    std::vector<std::vector<CKurs>> quotations;
    std::vector<CTransaction> transactions;

    if (s >= 7) {
        // Schemas 7 to 22 share one order; each later schema inserts fields into it.
        m_strName = ar.readString();
        m_strSymbol = ar.readString();
        if (s >= 21)
            m_strCategory = ar.readString();
        m_strNote = ar.readString();
        if (s >= 16)
            m_bDownloadEnabled = ar.readInt32();
        if (s >= 8)
            m_bInvestmentHistory = ar.readInt32();
        if (s >= 14)
            m_bCashAccount = ar.readInt32();

        m_Server.m_strName = ar.readString();
        m_Server.m_strURL = ar.readString();
        m_Server.m_nTimeout = ar.readInt32();
        m_Server.m_strThousands = ar.readString();
        m_Server.m_strDecimal = ar.readString();
        m_Server.m_nFormat = ar.readInt32();
        m_Server.m_strTextBeforeValue = ar.readString();
        m_Server.m_nHtmlBeforeValue = ar.readInt32();
        m_Server.m_nNumbersBeforeValue = ar.readInt32();
        m_Server.m_bNoCaseSensitive = ar.readInt32();
        m_Server.m_nFiltering = ar.readInt32();
        m_Server.m_strRegExp = ar.readString();
        if (s <= 17) {
            // The capture groups were stored; the pattern of these schemas is not used any more.
            m_Server.m_nRegExpQuotationIndex = ar.readInt32();
            m_Server.m_bRegExpExtractDate = ar.readInt32();
            m_Server.m_nRegExpDayIndex = ar.readInt32();
            m_Server.m_nRegExpMonthIndex = ar.readInt32();
            m_Server.m_nRegExpYearIndex = ar.readInt32();
            m_Server.m_bRegExpExtractTime = ar.readInt32();
            m_Server.m_nRegExpHourIndex = ar.readInt32();
            m_Server.m_nRegExpMinuteIndex = ar.readInt32();
            m_Server.m_strRegExp = std::string(kDefaultItemRegExp);
        }

        m_bAlarmBelow = ar.readInt32();
        m_bAlarmAbove = ar.readInt32();
        m_bAlarmBreakEven = ar.readInt32();
        m_dAlarmBelow = ar.readDouble();
        m_dAlarmAbove = ar.readDouble();
        m_dAlarmBreakEvenPercent = ar.readDouble();
        m_dUnits = ar.readDouble();
        m_dBreakEven = ar.readDouble();
        m_dAveragePrice = s >= 12 ? ar.readDouble() : 0.0;

        m_bChartEnabled = ar.readInt32();
        m_bGrid = ar.readInt32();
        m_nGraphValues = ar.readInt32();
        m_nAxisValues = ar.readInt32();
        m_dtBegin = readDate();
        m_dtEnd = readDate();
        m_bBegin = ar.readInt32();
        m_bEnd = ar.readInt32();
        m_crColor = ar.readUInt32();
        if (s == 10) {
            // One flag for both chart marks.
            m_bTransactionMarks = m_bBreakEvenLine = ar.readInt32();
        } else if (s >= 11) {
            m_bTransactionMarks = ar.readInt32();
            m_bBreakEvenLine = ar.readInt32();
        } else {
            m_bTransactionMarks = m_bBreakEvenLine = 1;
        }
    } else {
        // Schemas 1 to 6.
        m_strName = ar.readString();
        m_Server.m_strURL = ar.readString();
        if (s == 1) {
            m_Server.m_strThousands.clear();
            m_Server.m_strDecimal.assign(1, ','); // not from a literal: GCC 12 warns falsely there
        } else {
            m_Server.m_strThousands = ar.readString();
            m_Server.m_strDecimal = ar.readString();
        }
        m_strSymbol = ar.readString();
        m_strNote = s >= 6 ? ar.readString() : std::string();
        m_Server.m_strName = ar.readString();
        m_Server.m_nTimeout = ar.readInt32();
        m_Server.m_nFormat = ar.readInt32();
        m_Server.m_strTextBeforeValue = ar.readString();
        m_Server.m_nHtmlBeforeValue = ar.readInt32();
        m_Server.m_nNumbersBeforeValue = ar.readInt32();
        m_Server.m_bNoCaseSensitive = ar.readInt32();
        // No expression yet: the defaults.
        m_Server.m_nFiltering = 0;
        setDefaultItemRegExp(m_Server);
        if (s == 1)
            m_Server.m_bRegExpExtractDate = 0;

        m_bAlarmBreakEven = 0;
        m_dAlarmBreakEvenPercent = 0.0;
        m_dBreakEven = 0.0;
        m_dAveragePrice = 0.0;
        if (s == 1) {
            m_bAlarmBelow = m_bAlarmAbove = 0;
            m_dAlarmBelow = m_dAlarmAbove = 0.0;
            m_dUnits = 0.0;
        } else {
            m_bAlarmBelow = ar.readInt32();
            m_bAlarmAbove = ar.readInt32();
            if (s >= 6)
                m_bAlarmBreakEven = ar.readInt32();
            m_dAlarmBelow = ar.readDouble();
            m_dAlarmAbove = ar.readDouble();
            if (s >= 6)
                m_dAlarmBreakEvenPercent = ar.readDouble();
            m_dUnits = s == 2 ? static_cast<double>(ar.readInt32()) : ar.readDouble();
            if (s >= 4)
                m_dBreakEven = ar.readDouble();
        }

        m_bChartEnabled = ar.readInt32();
        m_bGrid = ar.readInt32();
        m_nGraphValues = ar.readInt32();
        m_nAxisValues = ar.readInt32();
        m_dtBegin = readOldStyleDate(ar);
        m_dtEnd = readOldStyleDate(ar);
        m_bBegin = ar.readInt32();
        m_bEnd = ar.readInt32();
        m_crColor = s >= 5 ? ar.readUInt32() : kDefaultItemColor;
        m_bTransactionMarks = m_bBreakEvenLine = 1;
    }

    {
        // The records of both lists are read in this item's schema.
        const RecordSchemaScope recordSchema(ar, s);
        quotations = readQuotationBlocks(ar, s, m_strName);
        if (s >= 9)
            transactions = readRecordList<CTransaction>(ar, s, minTransactionBytes(s), "GetTransactionListCopy",
                                                        "transaction list", m_strName);
    }
    if (s <= 8 && m_dUnits > 0.0) {
        // No transactions yet: one buy stands for the units held, at the break-even as price.
        transactions.emplace_back(CTransaction::kBuy, OleDate::GetCurrentTime(), m_dUnits, m_dBreakEven, 0.0,
                                  CTransaction::kRecurrenceNone, false, OleDate(2015, 12, 31, 23, 59, 59),
                                  std::string(kAutomaticBuyNote));
    }

    if (s >= 16) {
        if (s >= 19) {
            m_bConvertCurrency = ar.readBool();
            m_pCurrencyItem = readItemLink(ar);
            if (s >= 20)
                m_nCurrencyItemId = ar.readUInt32();
        } else {
            m_bConvertCurrency = false;
            m_pCurrencyItem = nullptr;
        }
        m_strFormula = ar.readString();
        m_bFormulaPercent = ar.readBool();
        m_pFormulaItemX = readItemLink(ar);
        m_nFormulaValueX = ar.readInt32();
        m_pFormulaItemY = readItemLink(ar);
        if (s >= 20)
            m_nFormulaItemYId = ar.readUInt32();
        m_nFormulaValueY = ar.readInt32();
    } else {
        m_bConvertCurrency = false;
        m_pCurrencyItem = nullptr;
        m_strFormula.clear();
        m_bFormulaPercent = false;
        m_pFormulaItemX = m_pFormulaItemY = this;
        m_nFormulaValueX = m_nFormulaValueY = 0;
    }

    // Take the lists over; this recomputes the investment figures from the transactions.
    {
        std::lock_guard transactionLock(m_csTransactions);
        std::lock_guard quotationLock(m_csQuotations);
        std::size_t count = 0;
        for (const auto& block : quotations)
            count += block.size();
        ITEM_LOG(LOG_LEVEL_DEBUG, "Updating/replacing quotation list %i -> %i",
                 static_cast<int>(m_QuotationList.size()), static_cast<int>(count));
        m_QuotationList.assignBlocks(std::move(quotations));
        RecalculateAverageInvestPrice();
    }
    ReplaceTransactionList(std::move(transactions));
}
