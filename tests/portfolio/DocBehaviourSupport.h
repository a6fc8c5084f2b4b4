#pragma once
// A portfolio at a fixed "now" for the tests of the document's transaction, quotation, history and
// special-item operations: a new portfolio (cash account and investment history) with a recording
// host and view, and a probe of whether the list lock is free when the host is told something.

#include "DocumentTestSupport.h"
#include "support/FakePortfolioHost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace doctest {

class PortfolioTest : public ::testing::Test {
protected:
    explicit PortfolioTest(const OleDate& now = itemtest::at(2024, 6, 15, 12, 0, 0)) : fixedNow(now) {
        host.onNotice = [this](const PortfolioNotice&) { lockFreeAtNotice.push_back(listLockFree(doc)); };
        doc.OnNewDocument();
        cash = doc.FindCashAccountItem();
        history = doc.FindInvestmentHistoryItem();
        doc.AddView(view);
    }

    void setNow(const OleDate& local) { fixedNow.set(local); }
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
    std::vector<std::string> names() const { return itemNames(doc); }

    itemtest::FixedNow fixedNow;
    testsupport::FakePortfolioHost host;
    CWPapierDoc doc{&host};
    RecordingView view;
    std::vector<bool> lockFreeAtNotice;
    ItemPos cash = kNoItemPos;
    ItemPos history = kNoItemPos;
};

using itemtest::closes;
using itemtest::transaction;

} // namespace doctest
