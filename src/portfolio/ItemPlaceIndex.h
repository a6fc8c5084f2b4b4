#pragma once
// The document's index from an item's id to its place in the item list: open addressing with
// linear probing in one array of (id, place) pairs, at most half full. A look-up touches one or two
// cache lines, and growing the index is one pass over an array rather than a walk over scattered
// nodes, which counts when thousands of items are appended to a portfolio of a hundred thousand.
// Entries are never removed one by one: the document rebuilds the index when items leave.

#include "portfolio/FlatTable.h"
#include "portfolio/ItemPos.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class ItemPlaceIndex {
public:
    // No place: the id is not in the index.
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Forgets every entry and frees the array.
    void clear() {
        m_slots = {};
        m_size = 0;
        m_shift = 64;
    }

    // Makes room for `count` entries in all, so that adding up to that many moves nothing.
    void reserve(std::size_t count) {
        const std::size_t capacity = flattable::capacityFor(count);
        if (capacity > m_slots.size())
            rehash(capacity);
    }

    // Enters `id` (never kNoItemPos) at `place`, or moves it there when it is already in.
    void set(ItemPos id, std::size_t place) {
        if (flattable::mustGrow(m_size, m_slots.size()))
            rehash(m_slots.empty() ? 16 : 2 * m_slots.size());
        Slot& slot = m_slots[slotOf(id)];
        if (slot.id == kNoItemPos) {
            slot.id = id;
            ++m_size;
        }
        slot.place = static_cast<std::uint32_t>(place);
    }

    // The place of `id`; npos when it is not in the index.
    std::size_t find(ItemPos id) const {
        if (m_slots.empty() || id == kNoItemPos)
            return npos;
        const Slot& slot = m_slots[slotOf(id)];
        return slot.id == id ? slot.place : npos;
    }

    std::size_t size() const { return m_size; }

private:
    struct Slot {
        ItemPos id = kNoItemPos;
        std::uint32_t place = 0;
    };

    // The slot that holds `id`, or the free slot where it would go. Ids are handed out one after
    // the other: the multiplication spreads neighbours over the whole array.
    std::size_t slotOf(ItemPos id) const {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = flattable::homeSlot(id, m_shift);
        while (m_slots[i].id != kNoItemPos && m_slots[i].id != id)
            i = (i + 1) & mask;
        return i;
    }

    void rehash(std::size_t capacity) {
        std::vector<Slot> old(capacity);
        old.swap(m_slots);
        m_shift = flattable::shiftFor(capacity);
        for (const Slot& slot : old)
            if (slot.id != kNoItemPos)
                m_slots[slotOf(slot.id)] = slot;
    }

    std::vector<Slot> m_slots; // a power of two in size, or empty
    std::size_t m_size = 0;
    int m_shift = 64; // 64 - log2 of the array's size
};
