#pragma once
// The storage of an item's quotations: a sequence of CKurs records kept in blocks of contiguous
// records, so that reading by index is a short binary search, appending at either end is
// amortised O(1), and inserting or erasing inside the list moves at most one block of records
// (plus one index entry per block) instead of the whole list.
//
// The list does not order anything itself; the item decides where each record goes. It keeps
// count of what makes a binary search by date valid (see ordered()).

#include "portfolio/Kurs.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

class QuotationList {
public:
    static constexpr std::size_t kDefaultBlockSize = 256;

    explicit QuotationList(std::size_t blockSize = kDefaultBlockSize);

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    // Index 0 is the head (the oldest quotation); `i` must be below size().
    const CKurs& operator[](std::size_t i) const;
    const CKurs& front() const { return m_blocks.front().front(); }
    const CKurs& back() const { return m_blocks.back().back(); }

    // Inserts before index `i` (i == size() appends).
    void insert(std::size_t i, CKurs record);
    // Replaces the record at `i` by `record`, date included.
    void replace(std::size_t i, const CKurs& record);
    void erase(std::size_t i);
    void clear();
    // Takes these records, in this order.
    void assign(std::vector<CKurs> records);
    // Takes these records, in this order, block by block: a loader that fills blocks of at most
    // kDefaultBlockSize records never holds the list twice. Empty blocks are dropped; a block
    // longer than this list's block size is split.
    void assignBlocks(std::vector<std::vector<CKurs>> blocks);
    std::vector<CKurs> toVector() const;

    // Calls f(record, index) for the records with index in [begin, end), in order.
    template <class F> void forEach(std::size_t begin, std::size_t end, F&& f) const {
        if (begin >= end)
            return;
        auto [k, off] = locate(begin);
        for (std::size_t i = begin; i < end; ++k, off = 0)
            for (; off < m_blocks[k].size() && i < end; ++off, ++i)
                f(m_blocks[k][off], i);
    }

    // Calls f(records, count) for each block of contiguous records, oldest first: a copy of the
    // whole list walks plain arrays.
    template <class F> void forEachBlock(F&& f) const {
        for (const std::vector<CKurs>& block : m_blocks)
            f(block.data(), block.size());
    }
    // A date is regular when it is valid and its place in time is unambiguous: a finite value of
    // 0 or more, or, before 30 December 1899 (where the whole part counts back and the fraction
    // forward), a value of -1 or less whose time of day is not within the last half second of its
    // day. Left out are the values between -1 and 0, which repeat the times of 30 December 1899,
    // and those of a day's last half second, which lie less than half a second from the next
    // day's first value on the time scale but a whole day away from it in value. Among regular
    // dates "equal within half a second" (a rule on the values) is "less than half a second apart
    // in time", so the order of time and the rules of equality agree, over the whole range.
    static bool regular(const OleDate& date) {
        if (date.m_status != OleDate::valid)
            return false;
        const double v = date.m_dt;
        if (v >= 0.0)
            return v < std::numeric_limits<double>::infinity();
        if (!(v <= -1.0) || !std::isfinite(v))
            return false;
        const double fraction = v - std::floor(v);
        return fraction == 0.0 || fraction >= kOleHalfSecond;
    }
    // The place of a date in time (OleDate::toContinuous): on regular dates later is larger.
    static double key(const OleDate& date) { return OleDate::toContinuous(date.m_dt); }
    // Whether `next` may follow `previous` in a list of regular dates in order whose distinct dates
    // lie at least half a second apart. In such a list "equal within half a second" is "the same
    // value", so every date rule there is a comparison of keys.
    static bool followsDistinctly(const OleDate& previous, const OleDate& next) {
        return regular(next) && key(next) >= key(previous) &&
               (next.m_dt == previous.m_dt || !datesEqual(previous, next));
    }
    // True when every date is regular and none is earlier than the one before it. Then, for a
    // regular date d, the records dated on or before d (earlier, or equal within half a second)
    // are exactly the leading countBelow(key(d) + half a second) records.
    bool ordered() const { return m_irregular == 0 && m_descents == 0; }
    // The number of leading records whose date key is below `key`; meaningful when ordered().
    std::size_t countBelow(double key) const;

    // Reads records by index, at constant cost where each index lies near the one before (as in
    // a walk): the block of the last record read is kept. Valid while the list is unchanged.
    class Reader {
    public:
        explicit Reader(const QuotationList& list) : m_list(list) {}
        std::size_t size() const { return m_list.size(); }
        const CKurs& operator[](std::size_t i) {
            if (i - m_start >= m_count) { // also below m_start: the difference wraps
                const auto [k, off] = m_list.locate(i);
                m_block = &m_list.m_blocks[k];
                m_start = i - off;
                m_count = m_block->size();
            }
            return (*m_block)[i - m_start];
        }

    private:
        const QuotationList& m_list;
        const std::vector<CKurs>* m_block = nullptr;
        std::size_t m_start = 0;
        std::size_t m_count = 0;
    };

    std::size_t blockCount() const { return m_blocks.size(); }
    // Grows with every change of the records (insert, replace, erase, clear, assign): equal
    // generations mean an unchanged list.
    std::uint64_t generation() const { return m_generation; }

private:
    std::pair<std::size_t, std::size_t> locate(std::size_t i) const;
    void renumberFrom(std::size_t block);
    void mergeAround(std::size_t block);
    void insertBlock(std::size_t at, std::vector<CKurs> records);
    void eraseBlock(std::size_t at);
    void refreshLast(std::size_t block) { m_lastValues[block] = key(m_blocks[block].back().m_dtDate); }
    static int descent(const CKurs& a, const CKurs& b) { return key(a.m_dtDate) > key(b.m_dtDate) ? 1 : 0; }
    static int irregular(const CKurs& q) { return regular(q.m_dtDate) ? 0 : 1; }
    void recount();

    std::size_t m_blockSize;
    std::vector<std::vector<CKurs>> m_blocks; // never an empty block
    std::vector<std::size_t> m_starts;        // index of the first record of each block
    std::vector<double> m_lastValues;         // date key of the last record of each block
    std::size_t m_size = 0;
    std::size_t m_irregular = 0; // records whose date is not regular
    std::size_t m_descents = 0;  // neighbours whose date key goes down
    std::uint64_t m_generation = 0;
};
