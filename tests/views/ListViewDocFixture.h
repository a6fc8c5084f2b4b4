#pragma once
// A new portfolio (cash account and investment history) with the clock fixed on Wednesday,
// 15 May 2024, 10:00 local time, for the list view's rows, sorting and selection.

#include "platform/Clock.h"
#include "portfolio/WPapierDoc.h"
#include "support/FakePortfolioHost.h"
#include "support/TestEnv.h"

#include <chrono>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

namespace testsupport {

inline std::chrono::system_clock::time_point timePointOf(const OleDate& local) {
    return std::chrono::system_clock::from_time_t(*local.toTimeT());
}

class ListViewDocTest : public TempDirTest {
protected:
    struct Quote {
        OleDate date;
        double close;
        double low = 0.0;
        double high = 0.0;
    };

    void SetUp() override {
        TempDirTest::SetUp();
        clock.set(timePointOf(now));
        doc = std::make_unique<CWPapierDoc>(&host);
        doc->OnNewDocument();
        cashPos = doc->FindCashAccountItem();
        historyPos = doc->FindInvestmentHistoryItem();
    }
    void TearDown() override {
        doc.reset();
        TempDirTest::TearDown();
    }

    // An item with the quotations given (added to the item itself, so the history does not follow).
    ItemPos addItem(const std::string& name, std::initializer_list<Quote> quotes) {
        auto item = std::make_unique<CWPapier>();
        item->m_strName = name;
        for (const Quote& q : quotes) {
            CKurs k(q.date, q.close);
            k.m_dLow = q.low;
            k.m_dHigh = q.high;
            item->AddQuotation(k, false);
        }
        return doc->AddItem(std::move(item));
    }
    CWPapier& item(ItemPos pos) { return *doc->GetItem(pos); }
    // Buys `units` at `price` on the item itself (its figures follow, the history does not).
    void buy(ItemPos pos, double units, double price, const OleDate& date = OleDate(2024, 5, 1, 12, 0, 0)) {
        item(pos).AddTransaction(CTransaction(CTransaction::kBuy, date, units, price, 0.0, 0, false, date, ""));
    }

    const OleDate now{2024, 5, 15, 10, 0, 0}; // a Wednesday
    FixedClock clock;
    ScopedClock scopedClock{clock};
    FakePortfolioHost host;
    std::unique_ptr<CWPapierDoc> doc;
    ItemPos cashPos = kNoItemPos;
    ItemPos historyPos = kNoItemPos;
};

} // namespace testsupport
