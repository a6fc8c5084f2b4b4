#include "portfolio/QuotationList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

namespace {

CKurs record(double value, double close, OleDate::DateTimeStatus status = OleDate::valid) {
    CKurs k(OleDate(value), close);
    k.m_dtDate.SetStatus(status);
    return k;
}

bool modelOrdered(const std::vector<CKurs>& v) {
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (!QuotationList::regular(v[i].m_dtDate))
            return false;
        if (i > 0 && QuotationList::key(v[i - 1].m_dtDate) > QuotationList::key(v[i].m_dtDate))
            return false;
    }
    return true;
}

void expectSameContent(const QuotationList& list, const std::vector<CKurs>& model) {
    ASSERT_EQ(list.size(), model.size());
    const auto copy = list.toVector();
    for (std::size_t i = 0; i < model.size(); ++i) {
        ASSERT_EQ(list[i].m_dClose, model[i].m_dClose) << i;
        ASSERT_EQ(copy[i].m_dClose, model[i].m_dClose) << i;
    }
    std::size_t visited = 0;
    list.forEach(model.size() / 3, model.size(), [&](const CKurs& q, std::size_t i) {
        EXPECT_EQ(i, model.size() / 3 + visited);
        EXPECT_EQ(q.m_dClose, model[i].m_dClose);
        ++visited;
    });
    EXPECT_EQ(visited, model.size() - model.size() / 3);
    ASSERT_EQ(list.ordered(), modelOrdered(model));
}

} // namespace

// Random inserts, erasures and replacements on tiny blocks, against a plain vector: contents,
// the order bookkeeping and the binary search stay right through splits and merges.
TEST(QuotationList, MatchesAPlainVectorThroughSplitsAndMerges) {
    constexpr std::size_t kBlock = 8;
    std::mt19937 rng(12345);
    for (int run = 0; run < 40; ++run) {
        QuotationList list(kBlock);
        std::vector<CKurs> model;
        double nextClose = 1.0;
        for (int step = 0; step < 400; ++step) {
            const int op = static_cast<int>(rng() % 10);
            // Mostly ascending values, now and then a step back, an invalid date or one before 1900.
            const double base = model.empty() ? 100.0 : model.back().m_dtDate.m_dt;
            double value = base + static_cast<double>(rng() % 5);
            OleDate::DateTimeStatus status = OleDate::valid;
            if (rng() % 25 == 0)
                value -= 10.0;
            if (rng() % 40 == 0)
                status = OleDate::invalid;
            if (rng() % 60 == 0)
                value = -3.25;
            if (op < 6 || model.empty()) {
                // Append, prepend or insert inside.
                std::size_t at = model.size();
                if (op == 1)
                    at = 0;
                else if (op >= 2)
                    at = rng() % (model.size() + 1);
                const CKurs k = record(value, nextClose++, status);
                list.insert(at, k);
                model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), k);
            } else if (op < 9) {
                const std::size_t at = rng() % model.size();
                list.erase(at);
                model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
            } else {
                const std::size_t at = rng() % model.size();
                const CKurs k = record(value, nextClose++, status);
                list.replace(at, k);
                model[at] = k;
            }
            ASSERT_NO_FATAL_FAILURE(expectSameContent(list, model)) << "run " << run << " step " << step;
            if (list.ordered() && !model.empty()) {
                const double probe = QuotationList::key(model[rng() % model.size()].m_dtDate) + (rng() % 3) - 1.0;
                std::size_t below = 0;
                while (below < model.size() && QuotationList::key(model[below].m_dtDate) < probe)
                    ++below;
                ASSERT_EQ(list.countBelow(probe), below);
            }
            // Any two neighbouring blocks hold more than half a block, so the blocks stay few.
            ASSERT_LT(list.blockCount() * kBlock, 4 * model.size() + kBlock);
        }
        // Thinning down to a few records merges blocks again.
        while (model.size() > 6) {
            const std::size_t at = rng() % model.size();
            list.erase(at);
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
        }
        expectSameContent(list, model);
        EXPECT_LE(list.blockCount(), 3u);
    }
}

TEST(QuotationList, AssignAndClear) {
    QuotationList list(3);
    std::vector<CKurs> records;
    for (int i = 0; i < 10; ++i)
        records.push_back(record(100.0 + i, i));
    list.assign(records);
    expectSameContent(list, records);
    EXPECT_EQ(list.blockCount(), 4u);
    EXPECT_TRUE(list.ordered());
    std::swap(records[2], records[3]);
    list.assign(records);
    EXPECT_FALSE(list.ordered());
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(list.ordered());
    list.insert(0, record(5.0, 1.0));
    EXPECT_EQ(list.front().m_dClose, 1.0);
}

// Blocks taken as they come hold the same list as the records assigned whole: empty blocks are
// dropped, blocks longer than the list's block size are split, and the order is counted.
TEST(QuotationList, AssignBlocks) {
    std::vector<CKurs> all;
    std::vector<std::vector<CKurs>> blocks(5);
    const std::vector<std::size_t> sizes = {0, 3, 7, 0, 1};
    for (std::size_t b = 0; b < sizes.size(); ++b)
        for (std::size_t i = 0; i < sizes[b]; ++i) {
            all.push_back(record(100.0 + static_cast<double>(all.size()), static_cast<double>(all.size())));
            blocks[b].push_back(all.back());
        }
    QuotationList list(3);
    list.insert(0, record(1.0, -1.0)); // replaced
    list.assignBlocks(blocks);
    expectSameContent(list, all);
    EXPECT_EQ(list.blockCount(), 5u); // 3 | 3 3 1 | 1
    EXPECT_TRUE(list.ordered());
    EXPECT_EQ(list.countBelow(QuotationList::key(OleDate(105.5))), 6u);
    list.insert(list.size(), record(200.0, 99.0));
    EXPECT_EQ(list.back().m_dClose, 99.0);

    std::swap(blocks[2][1], blocks[2][2]);
    list.assignBlocks(blocks);
    EXPECT_FALSE(list.ordered());
    list.assignBlocks({});
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(list.ordered());
}

// Which dates have an unambiguous place in time: all valid finite dates from 30 December 1899 on,
// and before it all but those whose value repeats a time of that day (between -1 and 0) or lies
// in a day's last half second.
TEST(QuotationList, RegularDatesCoverTheWholeRangeOfTheDateType) {
    const double second = 1.0 / 86400.0;
    struct Case {
        double value;
        OleDate::DateTimeStatus status;
        bool regular;
    };
    const Case cases[] = {
        {0.0, OleDate::valid, true},
        {45000.75, OleDate::valid, true},
        {2958465.99998, OleDate::valid, true},        // 31 December 9999 23:59:58
        {-1.0, OleDate::valid, true},                 // 29 December 1899 00:00
        {-1.25, OleDate::valid, true},                // 29 December 1899 06:00
        {-657434.5, OleDate::valid, true},            // 1 January 100, noon
        {-2.0 + second, OleDate::valid, true},        // 29 December 1899 23:59:59
        {-2.0 + 0.4 * second, OleDate::valid, false}, // 29 December 1899 23:59:59.6
        {-0.5, OleDate::valid, false},                // 30 December 1899 12:00 written backwards
        {-0.1 * second, OleDate::valid, false},
        {std::numeric_limits<double>::quiet_NaN(), OleDate::valid, false},
        {std::numeric_limits<double>::infinity(), OleDate::valid, false},
        {45000.0, OleDate::invalid, false},
        {45000.0, OleDate::null, false},
    };
    for (const Case& c : cases) {
        OleDate date(c.value);
        date.SetStatus(c.status);
        EXPECT_EQ(QuotationList::regular(date), c.regular) << c.value << " status " << c.status;
    }
}

// A list across 30 December 1899 in the order of time is ordered, and the binary search finds the
// records on or before a date as the rules of the dates do, on both sides of that day.
TEST(QuotationList, ListsBeforeAndAfter1899AreSearchedByTheirPlaceInTime) {
    QuotationList list(4);
    std::vector<CKurs> model;
    for (int year : {1000, 1850, 1899, 1900, 2024})
        for (int hour : {0, 6, 18})
            model.emplace_back(OleDate(year, 12, 29, hour, 0, 0), model.size());
    model.emplace_back(OleDate(1899, 12, 30, 12, 0, 0), model.size()); // after 1899-12-29 18:00
    std::stable_sort(model.begin(), model.end(),
                     [](const CKurs& a, const CKurs& b) { return dateEarlier(a.m_dtDate, b.m_dtDate); });
    for (const CKurs& q : model)
        list.insert(list.size(), q);
    ASSERT_TRUE(list.ordered());
    for (const CKurs& probe : model) {
        for (const double offset : {-1.0, -0.4, 0.0, 0.4, 1.0}) {
            const OleDate date = probe.m_dtDate + OleDateSpan(offset / 86400.0);
            if (!QuotationList::regular(date))
                continue; // the last half second of a day before 1899: the item walks instead
            std::size_t onOrBefore = 0;
            for (const CKurs& q : model)
                onOrBefore += dateEarlierOrEqual(q.m_dtDate, date) ? 1 : 0;
            EXPECT_EQ(list.countBelow(QuotationList::key(date) + kOleHalfSecond), onOrBefore)
                << probe.m_dtDate.Format("%Y-%m-%d %H:%M:%S") << " " << offset;
        }
    }
    // A date that repeats a time of 30 December 1899 makes the list one to walk.
    list.insert(list.size(), CKurs(OleDate(-0.5), 99.0));
    EXPECT_FALSE(list.ordered());
}
