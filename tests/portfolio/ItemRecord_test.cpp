// The item record of every schema from 1 to 22: each schema's field order written out as the file
// format lists it (each later schema as the earlier one plus its changes), filled with distinct
// values, read, and every field checked against the stored value or the default that schema gives.

#include "DocumentTestSupport.h"
#include "portfolio/ItemDefaults.h"
#include "portfolio/PortfolioArchive.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using doctest::className;
using doctest::putAscii;
using itemtest::at;
using itemtest::Bytes;

namespace {

// clang-format off
enum F {
    Name, Url, Thousands, Decimal, Symbol, Category, Note, DownloadEnabled, History, Cash, TemplateName, Timeout,
    Format, Anchor, Tags, Numbers, CaseFlag, Filtering, RegExp, CaptureGroups, AlarmBelowFlag, AlarmAboveFlag,
    AlarmBreakEvenFlag, AlarmBelow, AlarmAbove, AlarmPercent, UnitsAsInt, Units, BreakEven, Average, ChartInts,
    BeginOld, EndOld, Begin, End, BeginFlag, EndFlag, Color, BothMarks, TransactionMarks, BreakEvenLine, Quotations,
    Transactions, Convert, CurrencyLink, CurrencyId, Formula, Percent, XLink, ValueX, YLink, YId, ValueY
};
// clang-format on
using Order = std::vector<F>;

Order insertAfter(Order order, F after, std::initializer_list<F> fields) {
    const auto it = std::find(order.begin(), order.end(), after);
    EXPECT_NE(it, order.end());
    order.insert(it + 1, fields);
    return order;
}

Order replaced(Order order, F from, F to) {
    std::replace(order.begin(), order.end(), from, to);
    return order;
}

Order without(Order order, F field) {
    std::erase(order, field);
    return order;
}

// The reading order of each schema, as the file format describes it.
// clang-format off
const std::map<int, Order>& orders() {
    static const std::map<int, Order> table = [] {
        std::map<int, Order> o;
        o[1] = {Name, Url, Symbol, TemplateName, Timeout, Format, Anchor, Tags, Numbers, CaseFlag, ChartInts, BeginOld,
                EndOld, BeginFlag, EndFlag, Quotations};
        o[2] = {Name, Url, Thousands, Decimal, Symbol, TemplateName, Timeout, Format, Anchor, Tags, Numbers, CaseFlag,
                AlarmBelowFlag, AlarmAboveFlag, AlarmBelow, AlarmAbove, UnitsAsInt, ChartInts, BeginOld, EndOld,
                BeginFlag, EndFlag, Quotations};
        o[3] = replaced(o[2], UnitsAsInt, Units);
        o[4] = insertAfter(o[3], Units, {BreakEven});
        o[5] = insertAfter(o[4], EndFlag, {Color});
        o[6] = insertAfter(insertAfter(insertAfter(o[5], Symbol, {Note}), AlarmAboveFlag, {AlarmBreakEvenFlag}),
                           AlarmAbove, {AlarmPercent});
        o[7] = {Name, Symbol, Note, TemplateName, Url, Timeout, Thousands, Decimal, Format, Anchor, Tags, Numbers,
                CaseFlag, Filtering, RegExp, CaptureGroups, AlarmBelowFlag, AlarmAboveFlag, AlarmBreakEvenFlag,
                AlarmBelow, AlarmAbove, AlarmPercent, Units, BreakEven, ChartInts, BeginOld, EndOld, BeginFlag,
                EndFlag, Color, Quotations};
        o[8] = insertAfter(o[7], Note, {History});
        o[9] = insertAfter(o[8], Quotations, {Transactions});
        o[10] = insertAfter(o[9], Color, {BothMarks});
        o[11] = insertAfter(o[9], Color, {TransactionMarks, BreakEvenLine});
        o[12] = o[13] = insertAfter(o[11], BreakEven, {Average});
        o[14] = o[15] = insertAfter(o[12], History, {Cash});
        o[16] = o[17] = insertAfter(insertAfter(o[14], Note, {DownloadEnabled}), Transactions,
                                    {Formula, Percent, XLink, ValueX, YLink, ValueY});
        o[18] = without(o[16], CaptureGroups);
        o[19] = insertAfter(o[18], Transactions, {Convert, CurrencyLink});
        o[20] = insertAfter(insertAfter(o[19], CurrencyLink, {CurrencyId}), YLink, {YId});
        o[21] = insertAfter(o[20], Symbol, {Category});
        o[22] = replaced(replaced(o[21], BeginOld, Begin), EndOld, End);
        return o;
    }();
    return table;
}
// clang-format on

// Stored values, each distinct from the default of its field.
const std::string kUrl = "http://old.example/q?s=[&symbol]";
const std::string kRegExp = "stored ([&quotation_close])";
constexpr std::int32_t kBeginSeconds = 1000000000;
constexpr std::int32_t kEndSeconds = 1100000000;
constexpr std::int32_t kQuotationSeconds = 1200000000;
constexpr std::int32_t kTransactionSeconds = 1109930400;
const OleDate kBegin = at(2019, 5, 6, 7, 8, 9);
const OleDate kEnd = itemtest::withStatus(at(2020, 5, 6), OleDate::invalid);
const OleDate kQuotationDate = at(2021, 2, 3, 17, 30);

void writeQuotation(Bytes& b, int schema) {
    if (schema <= 16)
        b.oldDate(kQuotationSeconds).f64(21.5);
    else if (schema <= 21)
        b.oldDate(kQuotationSeconds).f64(21.5).f64(20.0).f64(22.0).f64(19.0).f64(500.0);
    else
        b.date(kQuotationDate).f64(21.5).f64(20.0).f64(22.0).f64(19.0).f64(500.0);
}

// One buy of 7 units at 12.5.
void writeTransaction(Bytes& b, int schema) {
    if (schema >= 22) {
        b.i32(0).date(at(2005, 3, 4, 10)).f64(7.0).f64(12.5).f64(0.0).i32(0).u8(0).date(at(2010, 1, 1));
        putAscii(b, "stored note");
        return;
    }
    b.i32(0).oldDate(kTransactionSeconds).f64(7.0).f64(12.5).f64(0.0);
    if (schema >= 13)
        b.i32(0).u8(0).oldDate(kTransactionSeconds);
    if (schema >= 15)
        putAscii(b, "stored note");
}

// A stream of one item of `schema` (its class record saying `classSchema`). The item is object 2;
// its links name itself.
std::string itemStream(int schema, std::uint16_t classSchema) {
    Bytes b;
    b.u16(1);
    className(b, "CWPapier", classSchema);
    for (F f : orders().at(schema)) {
        switch (f) {
        case Name:
            putAscii(b, "Old Item");
            break;
        case Url:
            putAscii(b, kUrl);
            break;
        case Thousands:
            putAscii(b, "'");
            break;
        case Decimal:
            putAscii(b, ".");
            break;
        case Symbol:
            putAscii(b, "OLD");
            break;
        case Category:
            putAscii(b, "Fund");
            break;
        case Note:
            putAscii(b, "note");
            break;
        case DownloadEnabled:
            b.i32(0);
            break;
        case History:
            b.i32(1);
            break;
        case Cash:
            b.i32(0);
            break;
        case TemplateName:
            putAscii(b, "Old Server");
            break;
        case Timeout:
            b.i32(45);
            break;
        case Format:
            b.i32(1);
            break;
        case Anchor:
            putAscii(b, "Kurs:");
            break;
        case Tags:
            b.i32(2);
            break;
        case Numbers:
            b.i32(3);
            break;
        case CaseFlag:
            b.i32(0);
            break;
        case Filtering:
            b.i32(1);
            break;
        case RegExp:
            putAscii(b, kRegExp);
            break;
        case CaptureGroups:
            b.i32(11).i32(1).i32(12).i32(13).i32(14).i32(1).i32(15).i32(16);
            break;
        case AlarmBelowFlag:
            b.i32(1);
            break;
        case AlarmAboveFlag:
            b.i32(1);
            break;
        case AlarmBreakEvenFlag:
            b.i32(1);
            break;
        case AlarmBelow:
            b.f64(5.5);
            break;
        case AlarmAbove:
            b.f64(99.5);
            break;
        case AlarmPercent:
            b.f64(7.5);
            break;
        case UnitsAsInt:
            b.i32(7);
            break;
        case Units:
            b.f64(7.0);
            break;
        case BreakEven:
            b.f64(12.5);
            break;
        case Average:
            b.f64(12.5);
            break;
        case ChartInts:
            b.i32(1).i32(1).i32(3).i32(1);
            break;
        case BeginOld:
            b.oldDate(kBeginSeconds);
            break;
        case EndOld:
            b.oldDate(kEndSeconds);
            break;
        case Begin:
            b.date(kBegin);
            break;
        case End:
            b.date(kEnd);
            break;
        case BeginFlag:
            b.i32(1);
            break;
        case EndFlag:
            b.i32(1);
            break;
        case Color:
            b.i32(0x123456);
            break;
        case BothMarks:
            b.i32(0);
            break;
        case TransactionMarks:
            b.i32(0);
            break;
        case BreakEvenLine:
            b.i32(0);
            break;
        case Quotations:
            // The records' own class says 22; they are read in the item's schema all the same.
            b.u16(1);
            className(b, "CKurs");
            writeQuotation(b, schema);
            break;
        case Transactions:
            b.u16(1);
            className(b, "CTransaction");
            writeTransaction(b, schema);
            break;
        case Convert:
            b.u8(1);
            break;
        case CurrencyLink:
            b.u16(2);
            break;
        case CurrencyId:
            b.i32(0x0BADF00D);
            break;
        case Formula:
            putAscii(b, "x+1");
            break;
        case Percent:
            b.u8(1);
            break;
        case XLink:
            b.u16(2);
            break;
        case ValueX:
            b.i32(2);
            break;
        case YLink:
            b.u16(2);
            break;
        case YId:
            b.i32(0x0D15EA5E);
            break;
        case ValueY:
            b.i32(3);
            break;
        }
    }
    return b.data();
}

ItemListReadResult readStream(const std::string& stream) {
    Archive ar(stream, portfolioClassRegistry());
    try {
        ItemListReadResult result = readItemList(ar);
        EXPECT_EQ(ar.remaining(), 0u);
        return result;
    } catch (const ArchiveError& e) {
        ADD_FAILURE() << "the record does not read: " << e.what();
        return {};
    }
}

class ItemRecordTest : public ::testing::Test {
protected:
    // Loading happens "now" for the buy that older files get.
    const OleDate now = at(2024, 6, 7, 8, 9, 10);
    itemtest::FixedNow fixedNow{now};
};

} // namespace

TEST_F(ItemRecordTest, TheCurrentOrderIsTheRecordsFieldTable) {
    // clang-format off
    const Order fields1to51 = {
        Name, Symbol, Category, Note, DownloadEnabled, History, Cash, TemplateName, Url, Timeout, Thousands, Decimal,
        Format, Anchor, Tags, Numbers, CaseFlag, Filtering, RegExp, AlarmBelowFlag, AlarmAboveFlag, AlarmBreakEvenFlag,
        AlarmBelow, AlarmAbove, AlarmPercent, Units, BreakEven, Average, ChartInts, Begin, End, BeginFlag, EndFlag,
        Color, TransactionMarks, BreakEvenLine, Quotations, Transactions, Convert, CurrencyLink, CurrencyId, Formula,
        Percent, XLink, ValueX, YLink, YId, ValueY};
    // clang-format on
    EXPECT_EQ(orders().at(22), fields1to51);
}

TEST_F(ItemRecordTest, EverySchemaReadsItsFieldsAndGivesTheRestTheirDefaults) {
    const ServerSettings fresh;
    for (int schema = 1; schema <= 22; ++schema) {
        SCOPED_TRACE("schema " + std::to_string(schema));
        const Order& order = orders().at(schema);
        const auto has = [&order](F f) { return std::find(order.begin(), order.end(), f) != order.end(); };

        ItemListReadResult read = readStream(itemStream(schema, static_cast<std::uint16_t>(schema)));
        ASSERT_EQ(read.items.size(), 1u);
        EXPECT_EQ(read.lastItemSchema, schema);
        const CWPapier& it = *read.items[0];
        EXPECT_EQ(it.loadSchema(), schema);

        EXPECT_EQ(it.m_strName, "Old Item");
        EXPECT_EQ(it.m_strSymbol, "OLD");
        EXPECT_EQ(it.m_strCategory, has(Category) ? "Fund" : "");
        EXPECT_EQ(it.m_strNote, has(Note) ? "note" : "");
        EXPECT_EQ(it.m_bDownloadEnabled, has(DownloadEnabled) ? 0 : 1);
        EXPECT_EQ(it.m_bInvestmentHistory, has(History) ? 1 : 0);
        EXPECT_EQ(it.m_bCashAccount, 0);

        const ServerSettings& s = it.m_Server;
        EXPECT_EQ(s.m_strName, "Old Server");
        EXPECT_EQ(s.m_strURL, kUrl);
        EXPECT_EQ(s.m_nTimeout, 45);
        EXPECT_EQ(s.m_strThousands, has(Thousands) ? "'" : "");
        EXPECT_EQ(s.m_strDecimal, has(Decimal) ? "." : ",");
        EXPECT_EQ(s.m_nFormat, 1);
        EXPECT_EQ(s.m_strTextBeforeValue, "Kurs:");
        EXPECT_EQ(s.m_nHtmlBeforeValue, 2);
        EXPECT_EQ(s.m_nNumbersBeforeValue, 3);
        EXPECT_EQ(s.m_bNoCaseSensitive, 0);
        EXPECT_EQ(s.m_nFiltering, has(Filtering) ? 1 : 0);
        // Up to schema 17 the stored pattern is replaced by the default one.
        EXPECT_EQ(s.m_strRegExp, schema >= 18 ? kRegExp : std::string(kDefaultItemRegExp));
        const std::array<int, 8> groups = {s.m_nRegExpQuotationIndex, s.m_bRegExpExtractDate, s.m_nRegExpDayIndex,
                                           s.m_nRegExpMonthIndex,     s.m_nRegExpYearIndex,   s.m_bRegExpExtractTime,
                                           s.m_nRegExpHourIndex,      s.m_nRegExpMinuteIndex};
        if (has(CaptureGroups))
            EXPECT_EQ(groups, (std::array<int, 8>{11, 1, 12, 13, 14, 1, 15, 16}));
        else if (schema <= 6)
            EXPECT_EQ(groups, (std::array<int, 8>{1, 0, 2, 3, 4, 0, 5, 6}));
        else
            EXPECT_EQ(groups, (std::array<int, 8>{fresh.m_nRegExpQuotationIndex, 0, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(s.m_strSymbolInfo, "");

        EXPECT_EQ(it.m_bAlarmBelow, has(AlarmBelowFlag) ? 1 : 0);
        EXPECT_EQ(it.m_bAlarmAbove, has(AlarmAboveFlag) ? 1 : 0);
        EXPECT_EQ(it.m_bAlarmBreakEven, has(AlarmBreakEvenFlag) ? 1 : 0);
        EXPECT_EQ(it.m_dAlarmBelow, has(AlarmBelow) ? 5.5 : 0.0);
        EXPECT_EQ(it.m_dAlarmAbove, has(AlarmAbove) ? 99.5 : 0.0);
        EXPECT_EQ(it.m_dAlarmBreakEvenPercent, has(AlarmPercent) ? 7.5 : 0.0);

        EXPECT_EQ(it.m_bChartEnabled, 1);
        EXPECT_EQ(it.m_bGrid, 1);
        EXPECT_EQ(it.m_nGraphValues, 3);
        EXPECT_EQ(it.m_nAxisValues, 1);
        if (schema >= 22) {
            EXPECT_TRUE(datesEqual(it.m_dtBegin, kBegin));
            EXPECT_EQ(it.m_dtEnd.m_status, OleDate::invalid);
            EXPECT_EQ(it.m_dtEnd.m_dt, kEnd.m_dt);
        } else {
            EXPECT_TRUE(datesEqual(it.m_dtBegin, OleDate::fromTimeT(kBeginSeconds)));
            EXPECT_TRUE(datesEqual(it.m_dtEnd, OleDate::fromTimeT(kEndSeconds)));
        }
        EXPECT_EQ(it.m_bBegin, 1);
        EXPECT_EQ(it.m_bEnd, 1);
        EXPECT_EQ(it.m_crColor, has(Color) ? 0x123456u : 0xAA0000u);
        const bool marksStored = has(BothMarks) || has(TransactionMarks);
        EXPECT_EQ(it.m_bTransactionMarks, marksStored ? 0 : 1);
        EXPECT_EQ(it.m_bBreakEvenLine, marksStored ? 0 : 1);

        ASSERT_EQ(it.GetQuotationCount(), 1);
        const CKurs& q = *it.GetQuotationAt(0);
        EXPECT_EQ(q.m_dClose, 21.5);
        EXPECT_TRUE(datesEqual(q.m_dtDate, schema >= 22 ? kQuotationDate : OleDate::fromTimeT(kQuotationSeconds)));
        EXPECT_EQ(q.m_dOpen, schema >= 17 ? 20.0 : 0.0);
        EXPECT_EQ(q.m_dVolume, schema >= 17 ? 500.0 : 0.0);

        // Transactions: the stored buy from schema 9; before, one buy stands for the units read,
        // at the break-even read as its price, dated at the load.
        const std::vector<CTransaction> transactions = it.GetTransactionListCopy();
        const double units = schema == 1 ? 0.0 : 7.0;
        const double price = schema >= 4 ? 12.5 : 0.0;
        if (schema == 1) {
            EXPECT_TRUE(transactions.empty());
        } else {
            ASSERT_EQ(transactions.size(), 1u);
            const CTransaction& t = transactions[0];
            EXPECT_EQ(t.m_nType, CTransaction::kBuy);
            EXPECT_EQ(t.m_dUnits, 7.0);
            EXPECT_EQ(t.m_dQuotation, price);
            EXPECT_EQ(t.m_dTaxes, 0.0);
            if (schema <= 8) {
                EXPECT_TRUE(datesEqual(t.m_dtDate, now));
                EXPECT_EQ(t.m_nRecurrence, 0);
                EXPECT_FALSE(t.m_bUntil);
                EXPECT_TRUE(datesEqual(t.m_dtUntil, at(2015, 12, 31, 23, 59, 59)));
                EXPECT_EQ(t.m_strNote, kAutomaticBuyNote);
            } else {
                EXPECT_EQ(t.m_strNote, schema >= 15 ? "stored note" : "");
            }
        }
        // The investment figures follow from the transactions.
        EXPECT_EQ(it.m_dUnits, units);
        EXPECT_EQ(it.m_dBreakEven, price);
        EXPECT_EQ(it.m_dAveragePrice, price);

        // Links: the item itself where stored, the defaults where not.
        EXPECT_EQ(it.m_bConvertCurrency, has(Convert));
        EXPECT_EQ(it.m_pCurrencyItem, has(CurrencyLink) ? &it : nullptr);
        EXPECT_EQ(it.m_nCurrencyItemId, has(CurrencyId) ? 0x0BADF00Du : 0u);
        EXPECT_EQ(it.m_strFormula, has(Formula) ? "x+1" : "");
        EXPECT_EQ(it.m_bFormulaPercent, has(Percent));
        EXPECT_EQ(it.m_pFormulaItemX, &it);
        EXPECT_EQ(it.m_pFormulaItemY, &it);
        EXPECT_EQ(it.m_nFormulaValueX, has(ValueX) ? 2 : 0);
        EXPECT_EQ(it.m_nFormulaValueY, has(ValueY) ? 3 : 0);
        EXPECT_EQ(it.m_nFormulaItemYId, has(YId) ? 0x0D15EA5Eu : 0u);
        EXPECT_EQ(it.m_bDownloadPending, 0);
    }
}

// A class record with schema 0, or one above 22, is read as schema 22.
TEST_F(ItemRecordTest, SchemaZeroAndSchemasAbove22ReadAs22) {
    for (std::uint16_t classSchema : {0, 23, 30, 0xFFFF}) {
        SCOPED_TRACE(classSchema);
        ItemListReadResult read = readStream(itemStream(22, classSchema));
        ASSERT_EQ(read.items.size(), 1u);
        EXPECT_EQ(read.lastItemSchema, 22);
        EXPECT_EQ(read.items[0]->m_strCategory, "Fund");
        EXPECT_EQ(read.items[0]->m_nFormulaItemYId, 0x0D15EA5Eu);
    }
}

// A schema-3 item with units and no break-even gets a buy of those units at price 0; its records
// are read in its own schema, and the schema does not outlast the load.
TEST_F(ItemRecordTest, TheLoadSchemaBelongsToOneLoad) {
    ItemListReadResult old = readStream(itemStream(3, 3));
    ASSERT_EQ(old.items.size(), 1u);
    EXPECT_EQ(old.lastItemSchema, 3);

    // A quotation read afterwards outside any item is read in the current form.
    Bytes current;
    current.date(kQuotationDate).f64(1.0).f64(2.0).f64(3.0).f64(4.0).f64(5.0);
    Archive ar(current.data(), portfolioClassRegistry());
    CKurs k;
    k.Serialize(ar);
    EXPECT_EQ(ar.remaining(), 0u);
    EXPECT_EQ(k.m_dVolume, 5.0);
    EXPECT_EQ(readStream(itemStream(22, 22)).lastItemSchema, 22);
}
