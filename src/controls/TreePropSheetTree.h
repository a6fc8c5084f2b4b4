#pragma once
// The page tree of the tree property sheet without its window: how a page's caption becomes a
// path of tree items, which items may be selected, and the walks over the tree in depth-first
// order (whether branches are expanded or not).
//
// A caption is split at every "::" into segments, the first being a root item: "Network::Proxy"
// is the item "Proxy" below the root "Network". A "::" preceded by an odd number of backslashes
// belongs to the text; in every segment "\::" then reads "::" and "\\" a single backslash.

#include <QString>

#include <functional>
#include <vector>

namespace TreePropSheet {

// The segments of a page caption's path, escapes resolved.
std::vector<QString> SplitPagePath(const QString& caption);

// An item qualifies for selection when it has an enabled page, a disabled page while disabled
// pages are not blocked, or no page while empty items are jumped over.
struct QualifyingRules {
    bool blockDisabledPages = true;
    bool jumpOverEmptyItems = false;
};
bool ItemQualifies(bool hasPage, bool pageEnabled, const QualifyingRules& rules);

class PageTree {
public:
    static constexpr int kNone = -1;
    using Predicate = std::function<bool(int item)>;

    void clear() {
        m_items.clear();
        m_roots.clear();
    }
    int count() const { return static_cast<int>(m_items.size()); }

    // The item of the caption's last segment, found or created with the items before it (new
    // items have no page); it becomes the item of page `pageIndex`.
    int InsertPath(const QString& caption, int pageIndex);
    // A new item below `parent` (kNone: a root), after its other children.
    int addItem(int parent, const QString& text, int page = kNone);

    const QString& text(int item) const { return m_items[static_cast<std::size_t>(item)].text; }
    // The item's page index; kNone for an item without page.
    int page(int item) const { return m_items[static_cast<std::size_t>(item)].page; }
    int parent(int item) const { return m_items[static_cast<std::size_t>(item)].parent; }
    const std::vector<int>& children(int item) const;
    const std::vector<int>& roots() const { return m_roots; }
    // The item of page `page`; kNone when it has none.
    int itemOfPage(int page) const;
    // The child of `parent` (kNone: a root) with exactly this text; kNone when there is none.
    int findChild(int parent, const QString& text) const;

    // Depth first: the item after `item`, from the last item back to the first root; the item
    // before it, from the first root back to the last item.
    int nextItem(int item) const;
    int previousItem(int item) const;
    // The first item after (or before) `start` in that order that qualifies, wrapping round once:
    // `start` itself comes last. From kNone the walk starts at the first (or last) item. kNone
    // when no item qualifies.
    int findQualifying(int start, bool forward, const Predicate& qualifies) const;
    // Where selecting `item` jumps to: the first qualifying item among its descendants, depth
    // first; for an item without children among its following siblings and their descendants.
    // kNone when there is none.
    int firstQualifyingBelow(int item, const Predicate& qualifies) const;

private:
    struct Item {
        QString text;
        int page = kNone;
        int parent = kNone;
        std::vector<int> children;
    };

    const std::vector<int>& siblingsOf(int item) const;
    int lastDescendant(int item) const;
    // The first qualifying item of `item`'s subtree, `item` included.
    int firstQualifyingIn(int item, const Predicate& qualifies) const;

    std::vector<Item> m_items;
    std::vector<int> m_roots;
};

} // namespace TreePropSheet
