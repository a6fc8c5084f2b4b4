// The list's sort keys: each row's keys are made with its texts and a header click only sorts
// them, so the keys must order every pair of items as the document's pairwise comparison does
// (ties, the special items, missing values and NaN included), in percent and in amounts; and
// items pasted into a sorted list are merged in where a full sort puts them.

#include "framework/ItemTableModel.h"
#include "portfolio/PortfolioText.h"
#include "support/FakeServices.h"
#include "views/ListViewDocFixture.h"
#include "views/wpapierlview.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QSignalSpy>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::ListViewDocTest;

int sign(int v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

class KeyedSortTest : public ListViewDocTest {
protected:
    void SetUp() override {
        ListViewDocTest::SetUp();
        const OleDate day1(2024, 5, 13, 9, 0, 0);
        const OleDate day2(2024, 5, 14, 9, 0, 0);
        const OleDate day3(2024, 5, 15, 9, 0, 0);
        const OleDate yearAgo(2023, 5, 15, 9, 0, 0);
        // Small and large: their changes order one way in amounts and the other in percent (the
        // last change and the year's: +2 = +20 % against +5 = +5 %).
        small = addItem("Small", {{yearAgo, 10.0}, {day2, 10.0}, {day3, 12.0}});
        large = addItem("Large", {{yearAgo, 100.0}, {day2, 100.0}, {day3, 105.0}});
        twin = addItem("small", {{yearAgo, 10.0}, {day2, 10.0}, {day3, 12.0}}); // Small's values
        addItem("Empty", {});
        seller = addItem("Seller", {{day1, 40.0}, {day3, 20.0}});
        nanItem = addItem("NaN", {{day1, 3.0}, {day3, 4.0}});
        nanToo = addItem("Also NaN", {{day1, 5.0}, {day3, 6.0}});
        buy(small, 10.0, 11.0);
        buy(large, 2.0, 90.0);
        buy(twin, 10.0, 11.0);
        item(seller).AddTransaction(CTransaction(CTransaction::kSell, day1, 2.0, 40.0, 0.0, 0, false, day1, ""));
        const std::pair<ItemPos, const char*> formulas[] = {{small, "x*2"},   {large, "x/10"}, {twin, "X*2"},
                                                            {nanItem, "0/0"}, {nanToo, "0/0"}, {seller, "-x"}};
        for (const auto& [pos, formula] : formulas) {
            item(pos).m_strFormula = formula;
            item(pos).m_pFormulaItemX = &item(pos);
        }
    }

    std::vector<ItemPos> documentOrder() const {
        std::vector<ItemPos> order;
        for (ItemPos pos = doc->GetHeadPosition(); pos != kNoItemPos;) {
            const ItemPos at = pos;
            doc->GetNextItem(pos);
            order.push_back(at);
        }
        return order;
    }

    ItemPos small = kNoItemPos, large = kNoItemPos, twin = kNoItemPos, seller = kNoItemPos;
    ItemPos nanItem = kNoItemPos, nanToo = kNoItemPos;
};

const ListViewSettings kSettings[] = {{true, 365}, {false, 365}, {true, 30}, {false, -1}};

std::string describe(const ListViewSettings& s) {
    return std::string(s.m_bProcentualValue ? "percent" : "amounts") + ", time frame " +
           std::to_string(s.m_nTimeFrameDays);
}

// Every pair of items, every column: the kept keys compare as CompareItems does. And the keys
// are a strict weak order (NaN has one place), which a sort needs to give one order.
TEST_F(KeyedSortTest, KeysCompareAsTheDocumentComparesEveryPair) {
    const std::vector<ItemPos> items = documentOrder();
    double nan = 0.0;
    std::string text;
    ASSERT_TRUE(item(nanItem).GetUserDefinedValue(nan, text, ""));
    ASSERT_TRUE(std::isnan(nan));
    for (const ListViewSettings& settings : kSettings) {
        host.listView = settings;
        std::vector<CWPapier::SortKey> keys;
        for (const ItemPos pos : items)
            keys.push_back(item(pos).GetSortKeys(settings.m_bProcentualValue, settings.m_nTimeFrameDays, now));
        for (int column = 0; column < kListColumnCount; ++column) {
            SCOPED_TRACE(testing::Message() << describe(settings) << ", column " << column);
            const std::size_t n = items.size();
            const auto less = [&](std::size_t a, std::size_t b) {
                return CWPapier::CompareSortKeys(keys[a], keys[b], column) < 0;
            };
            for (std::size_t a = 0; a < n; ++a) {
                for (std::size_t b = 0; b < n; ++b) {
                    EXPECT_EQ(sign(CWPapier::CompareSortKeys(keys[a], keys[b], column)),
                              sign(doc->CompareItems(items[a], items[b], column)))
                        << item(items[a]).m_strName << " against " << item(items[b]).m_strName;
                    EXPECT_EQ(less(a, b), CWPapier::CompareSortKeys(keys[b], keys[a], column) > 0);
                }
                EXPECT_FALSE(less(a, a));
            }
            for (std::size_t a = 0; a < n; ++a)
                for (std::size_t b = 0; b < n; ++b)
                    for (std::size_t c = 0; c < n; ++c) {
                        if (less(a, b) && less(b, c))
                            EXPECT_TRUE(less(a, c)) << item(items[a]).m_strName << " < " << item(items[b]).m_strName
                                                    << " < " << item(items[c]).m_strName;
                        const bool abTie = !less(a, b) && !less(b, a);
                        const bool bcTie = !less(b, c) && !less(c, b);
                        // Ties of values are transitive (NaN included); the category column
                        // and the dates' half-second equality are not, in the pairwise rule too.
                        if (abTie && bcTie && column > LIST_COLUMN_LAST_UPDATE)
                            EXPECT_TRUE(!less(a, c) && !less(c, a));
                    }
        }
    }
    // The fixture does tell percent from amounts in the change columns.
    const auto sortedBy = [&](int column, bool percent) {
        return CWPapier::CompareSortKeys(item(small).GetSortKey(column, percent, 365, now),
                                         item(large).GetSortKey(column, percent, 365, now), column);
    };
    for (const int column : {LIST_COLUMN_LAST, LIST_COLUMN_TIME_FRAME}) {
        SCOPED_TRACE(column);
        EXPECT_LT(sortedBy(column, false), 0);
        EXPECT_GT(sortedBy(column, true), 0);
    }
}

// The keys hold names folded once; folded names compare as compareNoCase compares the names:
// case, characters beyond ASCII, bytes that start no character, prefixes and leading blanks.
TEST(SortKeyNames, FoldedNamesCompareAsTheNamesCompareWithoutCase) {
    const std::string names[] = {"",
                                 "a",
                                 "A",
                                 "ab",
                                 "Ab",
                                 "b",
                                 " Cash Account",
                                 "Zebra",
                                 "\xC3\x89clair",
                                 "\xC3\xA9clair",
                                 "\xC3\xA9clairs",
                                 "e\xCC\x81",
                                 "\xFF\xFE",
                                 "x\xC3",
                                 "\xE2\x82\xAC 10"};
    for (const std::string& a : names)
        for (const std::string& b : names)
            EXPECT_EQ(sign(foldedText(a).compare(foldedText(b))), compareNoCase(a, b)) << a << " against " << b;
}

class KeyedSortViewTest : public KeyedSortTest {
protected:
    void TearDown() override {
        view.reset();
        services.reset();
        KeyedSortTest::TearDown();
    }
    // The list shown with the settings given; the document's comparison reads the same ones.
    void show(const ListViewSettings& settings, int sortColumn, bool reverse) {
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
        services->settings->writeInt(kListViewSection, "ProcentualValue", settings.m_bProcentualValue ? 1 : 0);
        services->settings->writeInt(kListViewSection, "TimeFrameDays", settings.m_nTimeFrameDays);
        services->settings->writeInt(kListViewSection, "SortColumn", sortColumn);
        services->settings->writeInt(kListViewSection, "SortReverse", reverse ? 1 : 0);
        host.listView = settings;
        view = std::make_unique<CWPapierLView>();
        view->setServices(services->bundle());
        view->attachDocument(doc.get());
        view->resize(1250, 300);
        view->show();
        view->OnInitialUpdate();
        view->flush();
    }
    // `order` (the document's order by default) sorted stably by the pairwise comparison of the
    // view's sort column.
    std::vector<ItemPos> pairwiseOrder(std::vector<ItemPos> order = {}) const {
        if (order.empty())
            order = documentOrder();
        const int column = view->m_nSortColumn;
        const bool reverse = view->m_bSortReverse;
        std::stable_sort(order.begin(), order.end(), [&](ItemPos a, ItemPos b) {
            const int result = doc->CompareItems(a, b, column);
            return reverse ? result > 0 : result < 0;
        });
        return order;
    }
    std::vector<std::string> names(const std::vector<ItemPos>& order) {
        std::vector<std::string> out;
        for (const ItemPos pos : order)
            out.push_back(item(pos).m_strName);
        return out;
    }

    std::unique_ptr<testsupport::FakeServices> services;
    std::unique_ptr<CWPapierLView> view;
};

// A click sorts the kept keys: with percent values on or off, every column in both directions
// gives the rows in the order of the pairwise comparison.
TEST_F(KeyedSortViewTest, HeaderClicksGiveThePairwiseOrderInPercentAndInAmounts) {
    for (const ListViewSettings& settings : kSettings) {
        show(settings, LIST_COLUMN_NAME, false);
        for (int column = 0; column < kListColumnCount; ++column) {
            for (int click = 0; click < 2; ++click) {
                // A click sorts the rows as they stand (ties keep their places).
                const std::vector<ItemPos> before = view->model().items();
                view->OnColumnClick(column);
                SCOPED_TRACE(testing::Message() << describe(settings) << ", column " << column
                                                << (view->m_bSortReverse ? " reversed" : ""));
                EXPECT_EQ(names(view->model().items()), names(pairwiseOrder(before)));
            }
        }
    }
}

// Items pasted into the shown list are merged into its order: the rows are those of a full
// sort of the document (ties after the rows already there, in the order pasted), only the new
// rows are added (no reset of the list), and the selection and the current row stay.
TEST_F(KeyedSortViewTest, PastedItemsAreMergedIntoTheShownOrder) {
    for (const bool reverse : {false, true}) {
        for (const int column : {LIST_COLUMN_NAME, LIST_COLUMN_CLOSE, LIST_COLUMN_LAST, LIST_COLUMN_USER_VALUE}) {
            SCOPED_TRACE(testing::Message() << "column " << column << (reverse ? " reversed" : ""));
            show({true, 365}, column, reverse);
            ItemTableModel& model = view->model();
            const ItemPos selected = large;
            view->SelectItem(selected);
            QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
            QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);

            // Ties with rows there (same name and values as Small), NaN, the lowest and the
            // highest close, and a name between the others.
            std::vector<std::unique_ptr<CWPapier>> pasted;
            const auto add = [&](const char* name, double close, const char* formula) {
                auto p = std::make_unique<CWPapier>();
                p->m_strName = name;
                p->AddQuotation(CKurs(OleDate(2024, 5, 14, 9, 0, 0), close * 0.9), false);
                p->AddQuotation(CKurs(OleDate(2024, 5, 15, 9, 0, 0), close), false);
                p->m_strFormula = formula;
                p->m_pFormulaItemX = p.get();
                pasted.push_back(std::move(p));
            };
            add("Small", 12.0, "x*2");
            add("Mid", 50.0, "0/0");
            add("Zed", 0.5, "x");
            add("alpha", 1000.0, "x*3");
            add("Small", 12.0, "x*2");
            const std::vector<ItemPos> added = doc->AddItems(std::move(pasted));
            view->flush();

            EXPECT_EQ(names(model.items()), names(pairwiseOrder()));
            EXPECT_EQ(resets.count(), 0);
            EXPECT_EQ(inserts.count(), 1);
            EXPECT_EQ(model.data(model.index(view->rowOf(added[1]), 0)).toString(), QString("Mid"));
            EXPECT_EQ(view->selection().m_posCurrentItem, selected);
            EXPECT_EQ(model.itemAt(view->GetListCtrl().currentIndex().row()), selected);
            for (const ItemPos pos : added)
                doc->DeleteItem(pos);
            view->flush();
        }
    }
}

} // namespace
