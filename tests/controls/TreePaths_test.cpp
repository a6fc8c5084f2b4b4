#include "controls/TreePropSheetTree.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using TreePropSheet::ItemQualifies;
using TreePropSheet::PageTree;
using TreePropSheet::QualifyingRules;
using TreePropSheet::SplitPagePath;

namespace {

std::vector<std::string> segments(const char* caption) {
    std::vector<std::string> out;
    for (const QString& s : SplitPagePath(QString::fromUtf8(caption)))
        out.push_back(s.toStdString());
    return out;
}

TEST(TreePaths, CaptionsSplitAtUnescapedDoubleColons) {
    struct Case {
        const char* caption;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"General", {"General"}},
        {"Network::Proxy", {"Network", "Proxy"}},
        {R"(Network::Dial\::Up)", {"Network", "Dial::Up"}},
        {R"(A\\::B)", {R"(A\)", "B"}}, // an even count of backslashes: a split
        {R"(A\\\::B)", {R"(A\::B)"}},  // an odd count: part of the text
        {R"(C:\\Temp::Files)", {R"(C:\Temp)", "Files"}},
        {"a::b::c", {"a", "b", "c"}},
        {"One: two", {"One: two"}},
        {"::Root", {"", "Root"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_EQ(segments(c.caption), c.expected);
    }
}

// The tree of the captions General, Network::Proxy, Network::Dial\::Up in page order.
PageTree networkTree() {
    PageTree tree;
    tree.InsertPath("General", 0);
    tree.InsertPath("Network::Proxy", 1);
    tree.InsertPath(R"(Network::Dial\::Up)", 2);
    return tree;
}

TEST(TreePaths, PagesShareTheItemsOfTheirCommonPath) {
    const PageTree tree = networkTree();
    ASSERT_EQ(tree.roots().size(), 2u);
    const int general = tree.roots()[0];
    const int network = tree.roots()[1];
    EXPECT_EQ(tree.text(general), "General");
    EXPECT_EQ(tree.page(general), 0);
    EXPECT_EQ(tree.text(network), "Network");
    EXPECT_EQ(tree.page(network), PageTree::kNone); // an item without page
    ASSERT_EQ(tree.children(network).size(), 2u);
    EXPECT_EQ(tree.text(tree.children(network)[0]), "Proxy");
    EXPECT_EQ(tree.text(tree.children(network)[1]), "Dial::Up");
    EXPECT_EQ(tree.itemOfPage(2), tree.children(network)[1]);
    EXPECT_EQ(tree.count(), 4);
}

TEST(TreePaths, WalksGoDepthFirstAndWrap) {
    PageTree tree;
    const int a = tree.addItem(PageTree::kNone, "a", 0);
    const int b = tree.addItem(a, "b");
    const int c = tree.addItem(b, "c", 1);
    const int d = tree.addItem(a, "d", 2);
    const int e = tree.addItem(PageTree::kNone, "e", 3);

    std::vector<int> forward{a};
    for (int i = 0; i < 5; ++i)
        forward.push_back(tree.nextItem(forward.back()));
    EXPECT_EQ(forward, (std::vector<int>{a, b, c, d, e, a}));
    std::vector<int> backward{a};
    for (int i = 0; i < 5; ++i)
        backward.push_back(tree.previousItem(backward.back()));
    EXPECT_EQ(backward, (std::vector<int>{a, e, d, c, b, a}));
}

TEST(TreePaths, TheQualifyingWalkEndsAfterOneRound) {
    PageTree tree = networkTree();
    tree.InsertPath("Network::Modem::Settings", 3);
    const int general = tree.itemOfPage(0);
    const int proxy = tree.itemOfPage(1);
    const int dialUp = tree.itemOfPage(2);
    const int settings = tree.itemOfPage(3);
    std::set<int> disabled;
    QualifyingRules rules;
    const auto qualifies = [&](int item) {
        const int page = tree.page(item);
        return ItemQualifies(page != PageTree::kNone, !disabled.count(page), rules);
    };

    EXPECT_EQ(tree.findQualifying(general, true, qualifies), proxy); // "Network" has no page
    EXPECT_EQ(tree.findQualifying(settings, true, qualifies), general);
    EXPECT_EQ(tree.findQualifying(general, false, qualifies), settings);
    disabled = {1};
    EXPECT_EQ(tree.findQualifying(general, true, qualifies), dialUp);
    rules.blockDisabledPages = false;
    EXPECT_EQ(tree.findQualifying(general, true, qualifies), proxy);
    rules.blockDisabledPages = true;
    disabled = {0, 1, 2, 3};
    // Nothing qualifies: one round and no item (the selection stays as it is).
    EXPECT_EQ(tree.findQualifying(general, true, qualifies), PageTree::kNone);
    EXPECT_EQ(tree.findQualifying(PageTree::kNone, false, qualifies), PageTree::kNone);
    disabled = {1, 2, 3};
    EXPECT_EQ(tree.findQualifying(general, true, qualifies), general); // only the start itself

    // Jumping over an item: its first qualifying descendant, depth first; for an item without
    // children, its following siblings.
    disabled = {1};
    const int network = tree.roots()[1];
    EXPECT_EQ(tree.firstQualifyingBelow(network, qualifies), dialUp);
    EXPECT_EQ(tree.firstQualifyingBelow(proxy, qualifies), dialUp);
    EXPECT_EQ(tree.firstQualifyingBelow(dialUp, qualifies), settings); // inside the next sibling "Modem"
    EXPECT_EQ(tree.firstQualifyingBelow(settings, qualifies), PageTree::kNone);
    rules.jumpOverEmptyItems = true; // items without page qualify now
    EXPECT_EQ(tree.findQualifying(general, true, qualifies), network);
}

} // namespace
