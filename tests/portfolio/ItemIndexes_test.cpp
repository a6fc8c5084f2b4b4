// The document's flat indexes: id -> place, and the item-pointer set of link repairs and deletes.
#include "portfolio/ItemPlaceIndex.h"
#include "portfolio/ItemPointerSet.h"
#include "portfolio/WPapierItem.h"

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
