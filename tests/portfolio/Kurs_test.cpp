#include "ItemTestSupport.h"
#include "portfolio/Kurs.h"
#include "portfolio/RecordSchema.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using itemtest::at;
using itemtest::Bytes;
using itemtest::emptyRegistry;

namespace {

void expectSame(const CKurs& a, const CKurs& b) {
    EXPECT_EQ(a.m_dtDate.m_status, b.m_dtDate.m_status);
    EXPECT_EQ(a.m_dtDate.m_dt, b.m_dtDate.m_dt);
    EXPECT_EQ(a.m_dOpen, b.m_dOpen);
    EXPECT_EQ(a.m_dClose, b.m_dClose);
    EXPECT_EQ(a.m_dHigh, b.m_dHigh);
    EXPECT_EQ(a.m_dLow, b.m_dLow);
    EXPECT_EQ(a.m_dVolume, b.m_dVolume);
}

CKurs sample() {
    CKurs k;
    k.m_dtDate = at(2024, 1, 15, 9, 30, 0);
    k.m_dClose = 101.25;
    k.m_dOpen = 99.5;
    k.m_dHigh = 102.0;
    k.m_dLow = 98.75;
    k.m_dVolume = 12345.0;
    return k;
}

} // namespace

TEST(KursRecord, DefaultAndCopy) {
    const CKurs empty;
    EXPECT_EQ(empty.m_dtDate.m_dt, 0.0);
    EXPECT_EQ(empty.m_dtDate.m_status, OleDate::valid);
    EXPECT_EQ(empty.m_dOpen + empty.m_dClose + empty.m_dHigh + empty.m_dLow + empty.m_dVolume, 0.0);

    CKurs source = sample();
    source.m_dtDate.SetStatus(OleDate::null);
    CKurs assigned;
    assigned = source;
    expectSame(CKurs(source), source);
    expectSame(assigned, source);
}

// The current form, byte by byte: status, value, close, open, high, low, volume (52 bytes).
TEST(KursRecord, WritesTheCurrentForm) {
    CKurs k = sample();
    k.m_dtDate.SetStatus(OleDate::invalid);
    Archive ar;
    k.Serialize(ar);
    const std::string expected =
        Bytes().i32(1).f64(k.m_dtDate.m_dt).f64(101.25).f64(99.5).f64(102.0).f64(98.75).f64(12345.0).data();
    ASSERT_EQ(ar.buffer().size(), 52u);
    EXPECT_EQ(std::string(ar.buffer().begin(), ar.buffer().end()), expected);

    // And it reads back equal, the status included.
    Archive in(ar.takeBuffer(), emptyRegistry());
    CKurs back;
    back.Serialize(in);
    expectSame(back, k);
    EXPECT_EQ(in.remaining(), 0u);
}

// Hand-built records of every schema range, read in the schema the holding item gives.
TEST(KursRecord, ReadsEverySchemaRange) {
    // 1 000 000 000 s after 1970 is 9 September 2001 03:46:40 in Berlin (summer time).
    const OleDate oldDate = at(2001, 9, 9, 3, 46, 40);
    const OleDate newDate = itemtest::withStatus(at(2024, 1, 15, 9, 30, 0), OleDate::null);
    const std::string currentForm = Bytes().date(newDate).f64(1.5).f64(2.5).f64(3.5).f64(4.5).f64(5.5).data();
    const std::string oldFullForm = Bytes().oldDate(1000000000).f64(1.5).f64(2.5).f64(3.5).f64(4.5).f64(5.5).data();
    const std::string oldCloseOnly = Bytes().oldDate(1000000000).f64(1.5).data();

    struct Case {
        int schema;
        const std::string* bytes;
        OleDate date;
        double close, open, high, low, volume;
    };
    const Case cases[] = {
        {1, &oldCloseOnly, oldDate, 1.5, 0, 0, 0, 0},         {16, &oldCloseOnly, oldDate, 1.5, 0, 0, 0, 0},
        {17, &oldFullForm, oldDate, 1.5, 2.5, 3.5, 4.5, 5.5}, {21, &oldFullForm, oldDate, 1.5, 2.5, 3.5, 4.5, 5.5},
        {22, &currentForm, newDate, 1.5, 2.5, 3.5, 4.5, 5.5}, {0, &currentForm, newDate, 1.5, 2.5, 3.5, 4.5, 5.5},
        {30, &currentForm, newDate, 1.5, 2.5, 3.5, 4.5, 5.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("schema " + std::to_string(c.schema));
        Archive ar(*c.bytes, emptyRegistry());
        CKurs k;
        k.m_dOpen = k.m_dHigh = k.m_dLow = k.m_dVolume = 7.0; // must be overwritten
        k.SerializeWithSchema(ar, c.schema);
        EXPECT_EQ(ar.remaining(), 0u);
        EXPECT_EQ(k.m_dtDate.m_status, c.date.m_status);
        EXPECT_EQ(k.m_dtDate.m_dt, c.date.m_dt);
        EXPECT_EQ(k.m_dClose, c.close);
        EXPECT_EQ(k.m_dOpen, c.open);
        EXPECT_EQ(k.m_dHigh, c.high);
        EXPECT_EQ(k.m_dLow, c.low);
        EXPECT_EQ(k.m_dVolume, c.volume);
    }
}

// A date of the current form outside the supported years is invalid once read; the value stays.
TEST(KursRecord, DatesOutsideTheSupportedYearsAreReadAsInvalid) {
    struct Case {
        double value;
        OleDate::DateTimeStatus stored, read;
    };
    const Case cases[] = {
        {1e221, OleDate::valid, OleDate::invalid},
        {-1e221, OleDate::valid, OleDate::invalid},
        {std::numeric_limits<double>::quiet_NaN(), OleDate::valid, OleDate::invalid},
        {std::numeric_limits<double>::infinity(), OleDate::valid, OleDate::invalid},
        {2958466.0, OleDate::valid, OleDate::invalid},  // 1 January 10000
        {-657435.0, OleDate::valid, OleDate::invalid},  // 31 December 99
        {2958465.99998, OleDate::valid, OleDate::valid}, // 31 December 9999 23:59:58
        {-657434.0, OleDate::valid, OleDate::valid},    // 1 January 100
        {1e221, OleDate::null, OleDate::null},           // a stored status other than valid stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        OleDate stored(c.value);
        stored.m_status = c.stored;
        Archive ar(Bytes().date(stored).f64(1.5).f64(2.5).f64(3.5).f64(4.5).f64(5.5).data(), emptyRegistry());
        CKurs k;
        k.SerializeWithSchema(ar, 22);
        EXPECT_EQ(k.m_dtDate.m_status, c.read);
        EXPECT_EQ(std::isnan(k.m_dtDate.m_dt), std::isnan(c.value));
        if (!std::isnan(c.value)) {
            EXPECT_EQ(k.m_dtDate.m_dt, c.value);
        }
        EXPECT_EQ(k.m_dClose, 1.5);
    }
}

TEST(KursRecord, OldStyleDates) {
    struct Case {
        std::string bytes;
        OleDate expected;
    };
    const Case cases[] = {
        // The marker 0x8000000A, then a 64-bit count: 1 January 2040 11:00 UTC, 12:00 in Berlin.
        {Bytes().i32(static_cast<std::int32_t>(0x8000000A)).i64(2209028400LL).f64(3.0).data(), at(2040, 1, 1, 12)},
        // Local time is summer time here: 30 June 2007 22:15:10 UTC is 1 July 00:15:10.
        {Bytes().oldDate(1183241710).f64(3.0).data(), at(2007, 7, 1, 0, 15, 10)},
        // A count beyond the calendar gives an invalid date.
        {Bytes().i32(static_cast<std::int32_t>(0x8000000A)).i64(400000000000000LL).f64(3.0).data(),
         itemtest::withStatus(OleDate(), OleDate::invalid)},
    };
    for (const Case& c : cases) {
        Archive ar(c.bytes, emptyRegistry());
        CKurs k;
        k.SerializeWithSchema(ar, 10);
        EXPECT_EQ(ar.remaining(), 0u);
        EXPECT_EQ(k.m_dtDate.m_status, c.expected.m_status);
        if (c.expected.m_status == OleDate::valid) {
            EXPECT_EQ(k.m_dtDate.m_dt, c.expected.m_dt);
        }
        EXPECT_EQ(k.m_dClose, 3.0);
    }
}

// Read as an object field: the schema comes from the item's scope on this archive, not from the
// record's own class record; without a scope the current form is read.
TEST(KursRecord, ObjectFieldsReadInTheScopeSchema) {
    ArchiveClassRegistry registry;
    registry.add<CKurs>("CKurs");
    const auto classRecord = [](std::uint16_t classSchema) {
        return Bytes().u16(0xFFFF).u16(classSchema).u16(5).append("CKurs").data();
    };
    const std::string oldBody = Bytes().oldDate(1000000000).f64(4.0).data();
    const std::string currentBody = Bytes().date(at(2024, 1, 15)).f64(4.0).f64(1).f64(2).f64(3).f64(5).data();

    {
        // The class record says 22, the item says 12.
        Archive ar(classRecord(22) + oldBody, registry);
        RecordSchemaScope scope(ar, 12);
        EXPECT_EQ(recordLoadSchema(ar), 12);
        CKurs* k = ar.readObjectAs<CKurs>({"CKurs"});
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(k->m_dtDate.m_dt, at(2001, 9, 9, 3, 46, 40).m_dt);
        EXPECT_EQ(k->m_dOpen, 0.0);
        EXPECT_EQ(ar.remaining(), 0u);
    }
    {
        // The class record says 12; no item scope: the current form.
        Archive ar(classRecord(12) + currentBody, registry);
        CKurs* k = ar.readObjectAs<CKurs>({"CKurs"});
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(k->m_dtDate.m_dt, at(2024, 1, 15).m_dt);
        EXPECT_EQ(k->m_dVolume, 5.0);
        EXPECT_EQ(ar.remaining(), 0u);
    }
    {
        // A scope on another archive, and one that has ended, change nothing here.
        Archive other;
        RecordSchemaScope otherScope(other, 5);
        Archive ar(classRecord(22) + currentBody, registry);
        { RecordSchemaScope ended(ar, 12); }
        EXPECT_EQ(recordLoadSchema(ar), kCurrentRecordSchema);
        CKurs* k = ar.readObjectAs<CKurs>({"CKurs"});
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(k->m_dHigh, 2.0);
    }
}

TEST(KursRecord, NestedScopesRestoreTheOuterSchema) {
    Archive ar;
    RecordSchemaScope outer(ar, 18);
    {
        RecordSchemaScope inner(ar, 9);
        EXPECT_EQ(recordLoadSchema(ar), 9);
    }
    EXPECT_EQ(recordLoadSchema(ar), 18);
}

TEST(KursRecord, TruncatedRecordFails) {
    const std::string full = Bytes().date(at(2024, 1, 15)).f64(1).f64(2).f64(3).f64(4).f64(5).data();
    for (const int schema : {22, 17, 16}) {
        Archive ar(full.substr(0, 10), emptyRegistry());
        CKurs k;
        EXPECT_THROW(k.SerializeWithSchema(ar, schema), ArchiveError) << schema;
    }
}
