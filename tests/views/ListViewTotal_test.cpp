// The total investment of the status bar, as the list view shows it after each refresh while
// quotations come in one after the other (as during an update): the same text a full
// recomputation of the total over every item gives, with the history's newest value and date
// being that total, also when the clock passes a purchase or quotation dated later and when an
// item was changed in between.

#include "support/FakeServices.h"
#include "views/ListViewDocFixture.h"
#include "views/wpapierlview.h"
#include "views/wpapierlviewSelection.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::ListViewDocTest;
using testsupport::timePointOf;

class ListViewTotalTest : public ListViewDocTest {
protected:
    void SetUp() override {
        ListViewDocTest::SetUp();
        services = std::make_unique<testsupport::FakeServices>(path("settings.conf"));
    }
    void TearDown() override {
        view.reset();
        services.reset();
        ListViewDocTest::TearDown();
    }
    void show() {
        view = std::make_unique<CWPapierLView>();
        view->setServices(services->bundle());
        view->attachDocument(doc.get());
        view->onInvestmentSumText = [this](const std::string& text) { totalTexts.push_back(text); };
        view->resize(900, 300);
        view->show();
        view->OnInitialUpdate();
        view->flush();
    }
    // The text a full recomputation gives: every item's value taken anew, the history brought up
    // to date with it when it differs. Also checks the history's newest value against that total.
    std::string recomputedText() {
        CKurs fresh;
        EXPECT_TRUE(doc->ComputeSumInvestValue(fresh));
        CKurs newest;
        EXPECT_TRUE(item(historyPos).GetLastQuotation(newest));
        EXPECT_EQ(newest.m_dClose, fresh.m_dClose);
        EXPECT_EQ(newest.m_dtDate.m_dt, fresh.m_dtDate.m_dt) << newest.m_dtDate.Format("%c");
        return totalInvestmentText(GetInvestmentTotals(*doc), view->options().m_bProcentualValue);
    }

    std::unique_ptr<testsupport::FakeServices> services;
    std::unique_ptr<CWPapierLView> view;
    std::vector<std::string> totalTexts;
};

TEST_F(ListViewTotalTest, TextAfterEachRefreshIsTheFullRecomputation) {
    const OleDate bought(2024, 5, 1, 12, 0, 0);
    const OleDate yesterday(2024, 5, 14, 17, 0, 0);
    // Prices with many binary digits, so that a stale value or another grouping of the sum shows.
    const ItemPos a = addItem("A", {{yesterday, 1.1}}), b = addItem("B", {{yesterday, 1.3}});
    const ItemPos c = addItem("C", {{yesterday, 0.7}}), d = addItem("D", {{yesterday, 1.9}});
    const ItemPos e = addItem("E", {{yesterday, 5.1}}); // holds nothing: its quotations leave the history
    buy(a, 3, 10.1, bought);
    buy(b, 7, 3.3, bought);
    buy(c, 11, 0.7, OleDate(2024, 5, 15, 14, 0, 0)); // bought only later today
    buy(d, 13, 1.9, bought);
    item(d).AddQuotation(CKurs(OleDate(2024, 5, 15, 16, 0, 0), 2.3), false); // in force from 16:00
    doc->SetModifiedFlag();
    show();

    struct Step {
        OleDate now;
        ItemPos pos;
        double close;
        const char* what;
    };
    const Step steps[] = {
        {OleDate(2024, 5, 15, 10, 5, 0), a, 10.3, "first quotation"},
        {OleDate(2024, 5, 15, 10, 6, 0), b, 3.7, "another item"},
        {OleDate(2024, 5, 15, 10, 7, 0), a, 10.7, "the same item again"},
        {OleDate(2024, 5, 15, 14, 30, 0), e, 5.3, "C's purchase is now in force, E's quotation refreshes"},
        {OleDate(2024, 5, 15, 14, 31, 0), b, 3.9, "a quotation after the purchase"},
        {OleDate(2024, 5, 15, 16, 30, 0), a, 10.9, "D's later quotation is now in force"},
        {OleDate(2024, 5, 15, 16, 40, 0), kNoItemPos, 0.0, "A sold in part, announced as every change"},
        {OleDate(2024, 5, 15, 16, 50, 0), b, 4.1, "a quotation after the change"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        clock.set(timePointOf(s.now));
        totalTexts.clear();
        if (s.pos == kNoItemPos) {
            // Made on the item itself, as the item's sheet does, then announced.
            item(a).AddTransaction(CTransaction(CTransaction::kSell, OleDate(2024, 5, 15, 16, 35, 0), 2, 11.0, 0.0, 0,
                                                false, OleDate(2024, 5, 15, 16, 35, 0), ""));
            doc->SetModifiedFlag();
            doc->UpdateAllViews(nullptr, static_cast<std::int64_t>(a));
        } else {
            doc->AddQuotationToItem(s.pos, CKurs(s.now, s.close), false, true);
        }
        view->flush();
        ASSERT_FALSE(totalTexts.empty());
        const std::string shown = totalTexts.back();
        EXPECT_EQ(shown, recomputedText());
    }
    // Spot check of the total itself: A's 1 unit left, C counts from 14:00, D's 16:00 quotation.
    CKurs total;
    ASSERT_TRUE(doc->ComputeSumInvestValue(total));
    EXPECT_DOUBLE_EQ(total.m_dClose, 1 * 10.9 + 7 * 4.1 + 11 * 0.7 + 13 * 2.3);
}

} // namespace
