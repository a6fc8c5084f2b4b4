#include "ItemTestSupport.h"
#include "portfolio/RecordSchema.h"
#include "portfolio/Transaction.h"

#include <gtest/gtest.h>

using itemtest::at;
using itemtest::Bytes;
using itemtest::emptyRegistry;

namespace {

void expectDate(const OleDate& actual, const OleDate& expected) {
    EXPECT_EQ(actual.m_status, expected.m_status);
    if (expected.m_status == OleDate::valid) {
        EXPECT_EQ(actual.m_dt, expected.m_dt);
    }
}

} // namespace

TEST(TransactionRecord, ConstructionCopyAndAssignment) {
    const CTransaction empty;
    EXPECT_EQ(empty.m_nType, CTransaction::kBuy);
    EXPECT_EQ(empty.m_dtDate.m_dt, 0.0);
    EXPECT_EQ(empty.m_dtUntil.m_status, OleDate::valid);
    EXPECT_EQ(empty.m_nRecurrence, 0);
    EXPECT_FALSE(empty.m_bUntil);
    EXPECT_EQ(empty.m_nOriginIndex, -1);
    EXPECT_EQ(empty.m_posOriginItem, kNoItemPos);

    CTransaction t(CTransaction::kDividend, at(2024, 3, 1, 10), 15.0, 2.5, 1.25, CTransaction::kRecurrenceYearly, true,
                   at(2030, 12, 31, 23, 59, 59), "note");
    EXPECT_EQ(t.m_nType, 2);
    EXPECT_EQ(t.m_dtDate.m_dt, at(2024, 3, 1, 10).m_dt);
    EXPECT_EQ(t.m_dUnits, 15.0);
    EXPECT_EQ(t.m_dQuotation, 2.5);
    EXPECT_EQ(t.m_dTaxes, 1.25);
    EXPECT_EQ(t.m_nRecurrence, 12);
    EXPECT_TRUE(t.m_bUntil);
    EXPECT_EQ(t.m_dtUntil.m_dt, at(2030, 12, 31, 23, 59, 59).m_dt);
    EXPECT_EQ(t.m_strNote, "note");
    EXPECT_EQ(t.m_nOriginIndex, -1);

    // A copy never carries an origin; assignment keeps the target's.
    t.m_nOriginIndex = 4;
    t.m_posOriginItem = 77;
    const CTransaction copy(t);
    EXPECT_EQ(copy.m_nOriginIndex, -1);
    EXPECT_EQ(copy.m_posOriginItem, kNoItemPos);
    EXPECT_EQ(copy.m_strNote, "note");
    CTransaction target;
    target.m_nOriginIndex = 9;
    target.m_posOriginItem = 3;
    target = t;
    EXPECT_EQ(target.m_nOriginIndex, 9);
    EXPECT_EQ(target.m_posOriginItem, 3u);
    EXPECT_EQ(target.m_dUnits, 15.0);
    EXPECT_EQ(target.m_dtUntil.m_dt, t.m_dtUntil.m_dt);
}

TEST(TransactionRecord, TypeNames) {
    struct Case {
        int type;
        bool cash;
        std::string_view name;
    };
    const Case cases[] = {{0, false, "Buy"},   {1, false, "Sell"}, {2, false, "Dividends/Interests"},
                          {0, true, "Credit"}, {1, true, "Debit"}, {2, true, "Interests"},
                          {3, false, ""},      {-1, true, ""}};
    for (const Case& c : cases)
        EXPECT_EQ(CTransaction::typeName(c.type, c.cash), c.name) << c.type << c.cash;
}

// The current form at its offsets; a note of 300 bytes gets the prefix FF 2C 01.
TEST(TransactionRecord, WritesTheCurrentForm) {
    const std::string note(300, 'n');
    CTransaction t(CTransaction::kSell, at(2024, 5, 6, 7, 8, 9), 10.0, 20.0, 3.0, CTransaction::kRecurrenceQuarterly,
                   true, itemtest::withStatus(at(2025, 1, 1), OleDate::null), note);
    Archive ar;
    t.Serialize(ar);
    const std::string expected = Bytes()
                                     .i32(1)
                                     .i32(0)
                                     .f64(at(2024, 5, 6, 7, 8, 9).m_dt)
                                     .f64(10.0)
                                     .f64(20.0)
                                     .f64(3.0)
                                     .i32(3)
                                     .u8(1)
                                     .i32(2)
                                     .f64(at(2025, 1, 1).m_dt)
                                     .u8(0xFF)
                                     .u16(300)
                                     .append(note)
                                     .data();
    const std::string written(ar.buffer().begin(), ar.buffer().end());
    EXPECT_EQ(written, expected);
    EXPECT_EQ(written.substr(57, 3), std::string("\xFF\x2C\x01", 3));

    Archive in(written, emptyRegistry());
    CTransaction back;
    back.Serialize(in);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(back.m_nType, 1);
    EXPECT_EQ(back.m_strNote, note);
    expectDate(back.m_dtUntil, t.m_dtUntil);
    EXPECT_EQ(back.m_dtUntil.m_status, OleDate::null);
}

TEST(TransactionRecord, ReadsEverySchemaRange) {
    // 3 March 2008 13:00 UTC, 14:00 in Berlin.
    const std::int32_t march3 = 1204549200;
    const OleDate march3Local = at(2008, 3, 3, 14);
    const OleDate newDate = at(2024, 2, 1, 12);
    const OleDate newUntil = itemtest::withStatus(at(2026, 2, 1), OleDate::invalid);

    const std::string current =
        Bytes().i32(2).date(newDate).f64(5).f64(6).f64(7).i32(6).u8(1).date(newUntil).str("current").data();
    const auto oldWithRecurrence = [&](bool note) {
        Bytes b;
        b.i32(2).oldDate(march3).f64(5).f64(6).f64(7).i32(6).u8(1).oldDate(1000000000);
        if (note)
            b.str("old note");
        return b.data();
    };
    const std::string withNote = oldWithRecurrence(true);
    const std::string withoutNote = oldWithRecurrence(false);
    const std::string oldest = Bytes().i32(2).oldDate(march3).f64(5).f64(6).f64(7).data();

    struct Case {
        int schema;
        const std::string* bytes;
        OleDate date;
        int recurrence;
        bool until;
        OleDate untilDate;
        std::string note;
    };
    const OleDate sept2001 = at(2001, 9, 9, 3, 46, 40);
    const OleDate fiveYearsOn = at(2013, 3, 3, 23, 59, 59);
    const Case cases[] = {
        {1, &oldest, march3Local, 0, false, fiveYearsOn, ""},
        {12, &oldest, march3Local, 0, false, fiveYearsOn, ""},
        {13, &withoutNote, march3Local, 6, true, sept2001, ""},
        {14, &withoutNote, march3Local, 6, true, sept2001, ""},
        {15, &withNote, march3Local, 6, true, sept2001, "old note"},
        {21, &withNote, march3Local, 6, true, sept2001, "old note"},
        {22, &current, newDate, 6, true, newUntil, "current"},
        {0, &current, newDate, 6, true, newUntil, "current"},
        {30, &current, newDate, 6, true, newUntil, "current"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("schema " + std::to_string(c.schema));
        Archive ar(*c.bytes, emptyRegistry());
        CTransaction t;
        t.m_strNote = "stale";
        t.m_nRecurrence = 12;
        t.m_bUntil = true;
        t.SerializeWithSchema(ar, c.schema);
        EXPECT_EQ(ar.remaining(), 0u);
        EXPECT_EQ(t.m_nType, 2);
        expectDate(t.m_dtDate, c.date);
        EXPECT_EQ(t.m_dUnits, 5.0);
        EXPECT_EQ(t.m_dQuotation, 6.0);
        EXPECT_EQ(t.m_dTaxes, 7.0);
        EXPECT_EQ(t.m_nRecurrence, c.recurrence);
        EXPECT_EQ(t.m_bUntil, c.until);
        expectDate(t.m_dtUntil, c.untilDate);
        EXPECT_EQ(t.m_strNote, c.note);
    }
}

// Before recurrences existed the end date is five years on at 23:59:59, invalid where that day
// does not exist or the date itself is not valid.
TEST(TransactionRecord, OldestSchemaEndDate) {
    struct Case {
        std::string dateBytes;
        OleDate expectedUntil;
    };
    const Case cases[] = {
        {Bytes().oldDate(1204290000).data(), itemtest::withStatus(OleDate(), OleDate::invalid)}, // 29 Feb 2008 14:00
        {Bytes().oldDate(1204549200).data(), at(2013, 3, 3, 23, 59, 59)},                        // 3 Mar 2008 14:00
        {Bytes().i32(static_cast<std::int32_t>(0x8000000A)).i64(400000000000000LL).data(),
         itemtest::withStatus(OleDate(), OleDate::invalid)},
    };
    for (const Case& c : cases) {
        Archive ar(Bytes().i32(0).append(c.dateBytes).f64(1).f64(2).f64(3).data(), emptyRegistry());
        CTransaction t;
        t.SerializeWithSchema(ar, 12);
        EXPECT_EQ(ar.remaining(), 0u);
        EXPECT_EQ(t.m_nRecurrence, 0);
        EXPECT_FALSE(t.m_bUntil);
        expectDate(t.m_dtUntil, c.expectedUntil);
    }
}

TEST(TransactionRecord, ObjectFieldReadsInTheScopeSchema) {
    ArchiveClassRegistry registry;
    registry.add<CTransaction>("CTransaction");
    const std::string bytes = Bytes()
                                  .u16(0xFFFF)
                                  .u16(22)
                                  .u16(12)
                                  .append("CTransaction")
                                  .i32(1)
                                  .oldDate(1204549200)
                                  .f64(4)
                                  .f64(5)
                                  .f64(6)
                                  .i32(1)
                                  .u8(0)
                                  .oldDate(1204549200)
                                  .data();
    Archive ar(bytes, registry);
    RecordSchemaScope scope(ar, 14);
    auto* t = ar.readObjectAs<CTransaction>({"CTransaction"});
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->m_nRecurrence, 1);
    EXPECT_TRUE(t->m_strNote.empty());
    EXPECT_EQ(ar.remaining(), 0u);
}

TEST(TransactionRecord, TruncatedRecordFails) {
    const std::string bytes = Bytes().i32(0).date(at(2024, 1, 1)).f64(1).f64(2).f64(3).i32(0).u8(0).data();
    for (const int schema : {22, 21, 14, 12}) {
        Archive ar(bytes.substr(0, 14), emptyRegistry());
        CTransaction t;
        EXPECT_THROW(t.SerializeWithSchema(ar, schema), ArchiveError) << schema;
    }
    Archive ar(bytes, emptyRegistry()); // no until date, no note
    CTransaction t;
    EXPECT_THROW(t.SerializeWithSchema(ar, 22), ArchiveError);
}
