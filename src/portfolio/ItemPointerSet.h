#pragma once
// A set of item pointers for membership tests over a whole portfolio: open addressing with linear
// probing in one array, at most half full. A set of a hundred thousand items is one allocation
// rather than a hundred thousand nodes, which a node-based set would leave behind in the
// allocator's bins for whatever is allocated after it.

#include "portfolio/FlatTable.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

class CWPapier;

class ItemPointerSet {
public:
    ItemPointerSet() = default;
    // The set of `items` (a range of item pointers; null counts as a member like any other).
    template <class Range>
    explicit ItemPointerSet(const Range& items) {
        reserve(static_cast<std::size_t>(std::size(items)));
        for (const CWPapier* item : items)
            insert(item);
    }

    // Makes room for `count` members in all.
    void reserve(std::size_t count) {
        const std::size_t capacity = flattable::capacityFor(count);
        if (capacity > m_slots.size())
            rehash(capacity);
    }

    // Adds `item`; false when it was a member already.
    bool insert(const CWPapier* item) {
        if (!item) {
            const bool added = !m_hasNull;
            m_hasNull = true;
            return added;
        }
        if (flattable::mustGrow(m_size, m_slots.size()))
            rehash(m_slots.empty() ? 16 : 2 * m_slots.size());
        const CWPapier*& slot = m_slots[slotOf(item)];
        if (slot)
            return false;
        slot = item;
        ++m_size;
        return true;
    }

    bool contains(const CWPapier* item) const {
        if (!item)
            return m_hasNull;
        return !m_slots.empty() && m_slots[slotOf(item)] == item;
    }

    std::size_t size() const { return m_size + (m_hasNull ? 1 : 0); }
    bool empty() const { return size() == 0; }

private:
    // The slot that holds `item`, or the free slot where it would go.
    std::size_t slotOf(const CWPapier* item) const {
        const std::size_t mask = m_slots.size() - 1;
        const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(item));
        std::size_t i = flattable::homeSlot(bits >> 4, m_shift);
        while (m_slots[i] && m_slots[i] != item)
            i = (i + 1) & mask;
        return i;
    }

    void rehash(std::size_t capacity) {
        std::vector<const CWPapier*> old(capacity, nullptr);
        old.swap(m_slots);
        m_shift = flattable::shiftFor(capacity);
        for (const CWPapier* item : old)
            if (item)
                m_slots[slotOf(item)] = item;
    }

    std::vector<const CWPapier*> m_slots; // a power of two in size, or empty
    std::size_t m_size = 0;                // members other than null
    bool m_hasNull = false;
    int m_shift = 64; // 64 - log2 of the array's size
};
