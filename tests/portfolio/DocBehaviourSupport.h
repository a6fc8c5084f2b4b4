#pragma once
// A portfolio at a fixed "now" for the tests of the document's transaction, quotation, history and
// special-item operations: a new portfolio (cash account and investment history) with a recording
// host and view, and a probe of whether the list lock is free when the host is told something.

#include "DocumentTestSupport.h"
#include "support/FakePortfolioHost.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace doctest {

class PortfolioTest : public ::testing::Test {
protected:
    explicit PortfolioTest(const OleDate& now = itemtest::at(2024, 6, 15, 12, 0, 0))
        : clock(itemtest::localTimePoint(now)), useClock(clock) {
        host.onNotice = [this](const PortfolioNotice&) {
            bool free = false;
            std::thread probe([&] {
                if (doc.m_MutexWPList.try_lock()) {
                    free = true;
                    doc.m_MutexWPList.unlock();
                }
            });
            probe.join();
            lockFreeAtNotice.push_back(free);
        };
        doc.OnNewDocument();
        cash = doc.FindCashAccountItem();
        history = doc.FindInvestmentHistoryItem();
        doc.AddView(view);
    }

    void setNow(const OleDate& local) { clock.set(itemtest::localTimePoint(local)); }
    CWPapier& item(ItemPos pos) { return *doc.GetItem(pos); }
    ItemPos addItem(const std::string& name) { return doc.AddItem(makeItem(name)); }
    // Forgets what the host and the view were told and the modified flag.
    void clearRecord() {
        host.clearRecord();
        view.updates.clear();
        lockFreeAtNotice.clear();
        doc.SetModifiedFlag(false);
    }
    std::vector<std::string> noticeTexts() const {
        std::vector<std::string> out;
        for (const auto& notice : host.notices())
            out.push_back(notice.text);
        return out;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (ItemPos pos = doc.GetHeadPosition(); pos != kNoItemPos;)
            out.push_back(doc.GetNextItem(pos)->m_strName);
        return out;
    }

    FixedClock clock;
    ScopedClock useClock;
    testsupport::FakePortfolioHost host;
    CWPapierDoc doc{&host};
    RecordingView view;
    std::vector<bool> lockFreeAtNotice;
    ItemPos cash = kNoItemPos;
    ItemPos history = kNoItemPos;
};

inline CTransaction transaction(int type, const OleDate& date, double units, double price, double taxes,
                                int recurrence = 0, bool until = false, const OleDate& untilDate = OleDate()) {
    return CTransaction(type, date, units, price, taxes, recurrence, until, untilDate, "");
}

inline std::vector<double> closes(const CWPapier& item) {
    std::vector<double> out;
    for (const CKurs& q : item.GetQuotationListCopy())
        out.push_back(q.m_dClose);
    return out;
}

} // namespace doctest
