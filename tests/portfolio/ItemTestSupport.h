#pragma once
// Helpers of the portfolio model tests: dates, a fixed local "now", records and items built in one
// call and hand-built archive bytes.

#include "platform/Archive.h"
#include "platform/Clock.h"
#include "platform/OleDate.h"
#include "portfolio/WPapierItem.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace itemtest {

inline OleDate at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return OleDate(y, mo, d, h, mi, s);
}

inline OleDate plusSeconds(const OleDate& date, double seconds) {
    return OleDate(date.m_dt + seconds / 86400.0);
}

inline OleDate withStatus(OleDate date, OleDate::DateTimeStatus status) {
    date.SetStatus(status);
    return date;
}

// A clock standing at a local calendar time (TZ of the test).
inline Clock::time_point localTimePoint(const OleDate& local) {
    return std::chrono::system_clock::from_time_t(*local.toTimeT());
}

// "Now" stands at a local calendar time for as long as this lives; set() moves it.
class FixedNow {
public:
    explicit FixedNow(const OleDate& local) : m_clock(localTimePoint(local)), m_scope(m_clock) {}
    void set(const OleDate& local) { m_clock.set(localTimePoint(local)); }

private:
    FixedClock m_clock;
    ScopedClock m_scope;
};

// A quotation with all its values.
inline CKurs quotation(const OleDate& date, double close, double open = 0, double high = 0, double low = 0,
                       double volume = 0) {
    CKurs q(date, close);
    q.m_dOpen = open;
    q.m_dHigh = high;
    q.m_dLow = low;
    q.m_dVolume = volume;
    return q;
}

// A transaction without a note; no recurrence unless given.
inline CTransaction transaction(int type, const OleDate& date, double units, double price = 0.0, double taxes = 0.0,
                                int recurrence = 0, bool until = false, const OleDate& untilDate = OleDate()) {
    return CTransaction(type, date, units, price, taxes, recurrence, until, untilDate, "");
}

// The closes of the item's quotations, oldest first.
inline std::vector<double> closes(const CWPapier& item) {
    std::vector<double> out;
    for (const CKurs& q : item.GetQuotationListCopy())
        out.push_back(q.m_dClose);
    return out;
}

// A registry that makes no class: for records read as plain fields.
inline const ArchiveClassRegistry& emptyRegistry() {
    static const ArchiveClassRegistry registry;
    return registry;
}

// Little-endian bytes of an archive record, written field by field as a file holds them.
class Bytes {
public:
    Bytes& i32(std::int32_t v) { return raw(&v, 4); }
    Bytes& u16(std::uint16_t v) { return raw(&v, 2); }
    Bytes& u8(std::uint8_t v) { return raw(&v, 1); }
    Bytes& i64(std::int64_t v) { return raw(&v, 8); }
    Bytes& f64(double v) { return raw(&v, 8); }
    // A date in the current form: status, then value.
    Bytes& date(const OleDate& d) { return i32(static_cast<std::int32_t>(d.m_status)).f64(d.m_dt); }
    // An old-style date: seconds since 1970, 32-bit.
    Bytes& oldDate(std::int32_t seconds) { return i32(seconds); }
    // A short string in the byte form: 1-byte length, then the bytes.
    Bytes& str(std::string_view s) {
        u8(static_cast<std::uint8_t>(s.size()));
        m_bytes.append(s);
        return *this;
    }
    Bytes& append(std::string_view s) {
        m_bytes.append(s);
        return *this;
    }
    const std::string& data() const { return m_bytes; }

private:
    Bytes& raw(const void* p, std::size_t n) {
        // The tests run on little-endian machines; the archive's byte order is little-endian.
        m_bytes.append(static_cast<const char*>(p), n);
        return *this;
    }
    std::string m_bytes;
};

} // namespace itemtest
