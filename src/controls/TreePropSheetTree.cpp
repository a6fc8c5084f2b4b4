#include "controls/TreePropSheetTree.h"

#include <algorithm>

namespace TreePropSheet {

namespace {

// "\::" reads "::", "\\" one backslash.
QString unescapeSegment(const QString& segment) {
    QString out;
    out.reserve(segment.size());
    for (qsizetype i = 0; i < segment.size(); ++i) {
        const QChar c = segment[i];
        if (c == QLatin1Char('\\') && i + 1 < segment.size() && segment[i + 1] == QLatin1Char('\\')) {
            out += QLatin1Char('\\');
            ++i;
        } else if (c == QLatin1Char('\\') && segment.mid(i + 1, 2) == QLatin1String("::")) {
            out += QLatin1String("::");
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

std::vector<QString> SplitPagePath(const QString& caption) {
    std::vector<QString> segments;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i + 1 < caption.size()) {
        if (caption[i] != QLatin1Char(':') || caption[i + 1] != QLatin1Char(':')) {
            ++i;
            continue;
        }
        qsizetype backslashes = 0;
        while (i - backslashes - 1 >= start && caption[i - backslashes - 1] == QLatin1Char('\\'))
            ++backslashes;
        if (backslashes % 2 == 0) {
            segments.push_back(unescapeSegment(caption.mid(start, i - start)));
            start = i + 2;
        }
        i += 2;
    }
    segments.push_back(unescapeSegment(caption.mid(start)));
    return segments;
}

bool ItemQualifies(bool hasPage, bool pageEnabled, const QualifyingRules& rules) {
    if (!hasPage)
        return rules.jumpOverEmptyItems;
    return pageEnabled || !rules.blockDisabledPages;
}

// --- the tree ---

int PageTree::addItem(int parent, const QString& text, int page) {
    const int id = count();
    m_items.push_back(Item{text, page, parent, {}});
    if (parent == kNone)
        m_roots.push_back(id);
    else
        m_items[static_cast<std::size_t>(parent)].children.push_back(id);
    return id;
}

int PageTree::findChild(int parent, const QString& text) const {
    for (int child : children(parent))
        if (this->text(child) == text)
            return child;
    return kNone;
}

int PageTree::InsertPath(const QString& caption, int pageIndex) {
    int item = kNone;
    for (const QString& segment : SplitPagePath(caption)) {
        const int found = findChild(item, segment);
        item = found != kNone ? found : addItem(item, segment);
    }
    m_items[static_cast<std::size_t>(item)].page = pageIndex;
    return item;
}

const std::vector<int>& PageTree::children(int item) const {
    return item == kNone ? m_roots : m_items[static_cast<std::size_t>(item)].children;
}

const std::vector<int>& PageTree::siblingsOf(int item) const {
    return children(parent(item));
}

int PageTree::itemOfPage(int page) const {
    for (int i = 0; i < count(); ++i)
        if (m_items[static_cast<std::size_t>(i)].page == page)
            return i;
    return kNone;
}

int PageTree::lastDescendant(int item) const {
    while (!children(item).empty())
        item = children(item).back();
    return item;
}

int PageTree::nextItem(int item) const {
    if (count() == 0)
        return kNone;
    if (item == kNone)
        return m_roots.front();
    if (!children(item).empty())
        return children(item).front();
    for (int at = item; at != kNone; at = parent(at)) {
        const std::vector<int>& siblings = siblingsOf(at);
        const auto it = std::find(siblings.begin(), siblings.end(), at);
        if (it + 1 != siblings.end())
            return *(it + 1);
    }
    return m_roots.front();
}

int PageTree::previousItem(int item) const {
    if (count() == 0)
        return kNone;
    if (item == kNone)
        return lastDescendant(m_roots.back());
    const std::vector<int>& siblings = siblingsOf(item);
    const auto it = std::find(siblings.begin(), siblings.end(), item);
    if (it != siblings.begin())
        return lastDescendant(*(it - 1));
    if (parent(item) != kNone)
        return parent(item);
    return lastDescendant(m_roots.back());
}

int PageTree::findQualifying(int start, bool forward, const Predicate& qualifies) const {
    if (count() == 0)
        return kNone;
    // One round: every item once, `start` last.
    int item = start;
    if (item == kNone)
        item = forward ? lastDescendant(m_roots.back()) : m_roots.front();
    for (int steps = 0; steps < count(); ++steps) {
        item = forward ? nextItem(item) : previousItem(item);
        if (qualifies(item))
            return item;
    }
    return kNone;
}

int PageTree::firstQualifyingIn(int item, const Predicate& qualifies) const {
    if (qualifies(item))
        return item;
    for (int child : children(item)) {
        const int found = firstQualifyingIn(child, qualifies);
        if (found != kNone)
            return found;
    }
    return kNone;
}

int PageTree::firstQualifyingBelow(int item, const Predicate& qualifies) const {
    if (!children(item).empty()) {
        for (int child : children(item)) {
            const int found = firstQualifyingIn(child, qualifies);
            if (found != kNone)
                return found;
        }
        return kNone;
    }
    const std::vector<int>& siblings = siblingsOf(item);
    for (auto it = std::find(siblings.begin(), siblings.end(), item) + 1; it != siblings.end(); ++it) {
        const int found = firstQualifyingIn(*it, qualifies);
        if (found != kNone)
            return found;
    }
    return kNone;
}

} // namespace TreePropSheet
