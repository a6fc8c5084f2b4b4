// The document's flat indexes: id -> place, and the item-pointer set of link repairs and deletes,
// in their edge states: growth one entry at a time, probes that wrap, look-ups of absent keys.
#include "portfolio/FlatTable.h"
#include "portfolio/ItemPlaceIndex.h"
#include "portfolio/ItemPointerSet.h"
#include "portfolio/WPapierDoc.h"
#include "portfolio/WPapierItem.h"
#include "support/Bounded.h"
#include "support/HangWatch.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Entries survive every growth, a second entry of an id moves it, and ids never entered (or 0)
// find nothing, also in a table crowded by neighbouring ids.
TEST(ItemIndexes, PlaceIndexFindsEveryEntryAcrossGrowth) {
    ItemPlaceIndex index;
    EXPECT_EQ(index.find(7), ItemPlaceIndex::npos);
    for (ItemPos id = 1; id <= 5000; ++id)
        index.set(id * 3, id);
    index.set(9, 77); // id 9 entered again
    EXPECT_EQ(index.size(), 5000u);
    for (ItemPos id = 1; id <= 5000; ++id) {
        ASSERT_EQ(index.find(id * 3), id == 3 ? 77u : id) << id;
        ASSERT_EQ(index.find(id * 3 + 1), ItemPlaceIndex::npos) << id;
    }
    EXPECT_EQ(index.find(kNoItemPos), ItemPlaceIndex::npos);
    index.reserve(20000); // a larger table keeps what it holds
    EXPECT_EQ(index.find(15000), 5000u);
    index.clear();
    EXPECT_EQ(index.find(15000), ItemPlaceIndex::npos);
    EXPECT_EQ(index.size(), 0u);
}

TEST(ItemIndexes, PointerSetHoldsItsItemsAndNullOnlyWhenGiven) {
    std::vector<std::unique_ptr<CWPapier>> owned;
    std::vector<CWPapier*> members;
    for (int i = 0; i < 3000; ++i) {
        owned.push_back(std::make_unique<CWPapier>());
        if (i % 2 == 0)
            members.push_back(owned.back().get());
    }
    ItemPointerSet set(members);
    EXPECT_EQ(set.size(), 1500u);
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(set.contains(owned[i].get()), i % 2 == 0) << i;
    EXPECT_FALSE(set.contains(nullptr));
    EXPECT_FALSE(set.insert(owned[0].get())); // already in
    EXPECT_TRUE(set.insert(nullptr));
    EXPECT_TRUE(set.contains(nullptr));
    EXPECT_FALSE(set.insert(nullptr));
    EXPECT_EQ(set.size(), 1501u);
    EXPECT_TRUE(ItemPointerSet().empty());
}

// --- edge states of the flat tables, each look-up bounded: a table without a free slot or a probe
// that does not wrap loops for ever rather than answering, and the hang watch reports the test ---

namespace {

using testsupport::HangLimit;
using testsupport::kWaitLimit;

// The first ids from `from` on whose first slot in a 16-slot table is the last one.
std::vector<ItemPos> idsHomedAtTheLastSlot(std::size_t count, ItemPos from = 1) {
    std::vector<ItemPos> ids;
    for (ItemPos id = from; ids.size() < count; ++id)
        if (flattable::homeSlot(id, flattable::shiftFor(16)) == 15)
            ids.push_back(id);
    return ids;
}

} // namespace

TEST(ItemIndexes, SixteenIdsSetOneAtATimeLeaveRoomToAnswerForAnAbsentId) {
    ItemPlaceIndex index;
    for (ItemPos id = 1; id <= 16; ++id)
        index.set(id, id - 1);
    std::vector<std::size_t> places;
    {
        const HangLimit limit(kWaitLimit, "a look-up in the index");
        for (ItemPos id = 1; id <= 17; ++id)
            places.push_back(index.find(id));
    }
    for (ItemPos id = 1; id <= 16; ++id)
        EXPECT_EQ(places[id - 1], id - 1) << id;
    EXPECT_EQ(places.back(), ItemPlaceIndex::npos);
}

TEST(ItemIndexes, IdsHomedAtTheLastSlotWrapToTheFirst) {
    const std::vector<ItemPos> ids = idsHomedAtTheLastSlot(3);
    ItemPlaceIndex index;
    std::vector<std::size_t> places;
    {
        const HangLimit limit(kWaitLimit, "setting or finding ids homed at the last slot");
        index.set(ids[0], 10);
        index.set(ids[1], 20);
        for (ItemPos id : ids)
            places.push_back(index.find(id));
    }
    EXPECT_EQ(places, (std::vector<std::size_t>{10, 20, ItemPlaceIndex::npos}));
    EXPECT_EQ(index.size(), 2u);
}

// The document's index grows one item at a time as items are added: a stale position still finds
// nothing, at once.
TEST(ItemIndexes, SixteenItemsAddedOneByOneAndAStalePositionFindsNothing) {
    CWPapierDoc doc;
    std::vector<ItemPos> added;
    std::vector<const CWPapier*> items;
    for (int i = 0; i < 16; ++i) {
        auto item = std::make_unique<CWPapier>();
        items.push_back(item.get());
        added.push_back(doc.AddItem(std::move(item)));
    }
    const ItemPos stale = CWPapier().id(); // an id no item of the document has
    std::vector<const CWPapier*> found;
    {
        const HangLimit limit(kWaitLimit, "GetItem");
        for (ItemPos pos : added)
            found.push_back(doc.GetItem(pos));
        found.push_back(doc.GetItem(stale));
    }
    items.push_back(nullptr);
    EXPECT_EQ(found, items);
}

namespace {

// An item whose first slot is the last one of the 16-, 32- and 64-slot sets; the items tried
// before it stay in `pool`, so every address is distinct.
const CWPapier* itemHomedAtTheLastSlot(std::vector<std::unique_ptr<CWPapier>>& pool) {
    for (int tries = 0; tries < 100000; ++tries) {
        pool.push_back(std::make_unique<CWPapier>());
        const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(pool.back().get()));
        if (flattable::homeSlot(bits >> 4, flattable::shiftFor(64)) == 63)
            return pool.back().get();
    }
    return nullptr;
}

} // namespace

// Growth without a reserve keeps every member, the one in the last slot too.
TEST(ItemIndexes, PointerSetGrowingOneAtATimeKeepsEveryMember) {
    std::vector<std::unique_ptr<CWPapier>> pool;
    const CWPapier* last = itemHomedAtTheLastSlot(pool);
    ASSERT_NE(last, nullptr);
    std::vector<std::unique_ptr<CWPapier>> others;
    for (int i = 0; i < 40; ++i)
        others.push_back(std::make_unique<CWPapier>());
    for (std::size_t count = 9; count <= 40; ++count) {
        SCOPED_TRACE(count);
        ItemPointerSet set;
        std::vector<const CWPapier*> members{last};
        for (std::size_t i = 0; i + 1 < count; ++i)
            members.push_back(others[i].get());
        for (const CWPapier* member : members)
            ASSERT_TRUE(set.insert(member));
        EXPECT_EQ(set.size(), count);
        for (const CWPapier* member : members)
            EXPECT_TRUE(set.contains(member));
        const CWPapier absent;
        EXPECT_FALSE(set.contains(&absent));
    }
}

// The set of doomed items grows one at a time: items named twice are deleted, and counted, once.
TEST(ItemIndexes, DeleteItemsNamingTenItemsTwiceDeletesAndCountsTen) {
    std::vector<std::unique_ptr<CWPapier>> pool;
    ASSERT_NE(itemHomedAtTheLastSlot(pool), nullptr);
    CWPapierDoc doc;
    std::vector<CWPapier*> named;
    named.push_back(pool.back().get());
    doc.AddItem(std::move(pool.back()));
    for (int i = 1; i < 10; ++i) {
        auto item = std::make_unique<CWPapier>();
        named.push_back(item.get());
        doc.AddItem(std::move(item));
    }
    const CWPapier* kept = doc.GetItem(doc.AddItem(std::make_unique<CWPapier>()));
    std::vector<CWPapier*> twice = named;
    twice.insert(twice.end(), named.begin(), named.end());
    EXPECT_EQ(doc.DeleteItems(twice), 10);
    EXPECT_EQ(doc.GetItemCount(), 1);
    EXPECT_EQ(doc.GetItem(doc.GetHeadPosition()), kept);
}
