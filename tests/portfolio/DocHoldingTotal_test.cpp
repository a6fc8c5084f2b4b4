// The total of the holdings kept item by item while quotations come in one after the other (as
// during an update): after every quotation the history's newest value is the total a fresh walk
// over all items gives, to the last bit and with its date, also when the clock passes a
// transaction or quotation dated later and when an item was changed in between.

#include "DocBehaviourSupport.h"

using doctest::transaction;
using itemtest::at;

namespace {

class DocHoldingTotalTest : public doctest::PortfolioTest {};

TEST_F(DocHoldingTotalTest, EveryQuotationLeavesTheTotalAFreshWalkGives) {
    // Prices with many binary digits, so that any other order or grouping of the sum shows.
    const ItemPos a = addItem("A"), b = addItem("B"), c = addItem("C"), d = addItem("D");
    item(a).AddTransaction(transaction(0, at(2024, 2, 1), 3, 10.1, 0));
    item(b).AddTransaction(transaction(0, at(2024, 2, 1), 7, 3.3, 0));
    // C is bought only later today; D has a quotation dated later today.
    item(c).AddTransaction(transaction(0, at(2024, 6, 14, 15, 0, 0), 11, 0.7, 0));
    item(d).AddTransaction(transaction(0, at(2024, 2, 1), 13, 1.9, 0));
    for (const ItemPos pos : {a, b, c, d})
        item(pos).AddQuotation(CKurs(at(2024, 6, 13, 17, 0, 0), 1.1), false);
    item(d).AddQuotation(CKurs(at(2024, 6, 14, 16, 0, 0), 2.3), false);
    doc.SetModifiedFlag();

    struct Step {
        OleDate now;
        ItemPos pos;
        double close;
        const char* what;
    };
    const Step steps[] = {
        {at(2024, 6, 14, 9, 0, 0), a, 10.3, "first quotation"},
        {at(2024, 6, 14, 9, 1, 0), b, 3.7, "another item"},
        {at(2024, 6, 14, 9, 2, 0), a, 10.7, "the same item again"},
        {at(2024, 6, 14, 15, 30, 0), b, 3.9, "C's purchase is now in force"},
        {at(2024, 6, 14, 16, 30, 0), a, 10.9, "D's later quotation is now in force"},
        {at(2024, 6, 14, 16, 32, 0), b, 4.1, "after A was sold in part"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        setNow(s.now);
        if (s.pos == b && s.close == 4.1) {
            // A change made on the item itself, announced as every change is.
            item(a).AddTransaction(transaction(1, at(2024, 6, 14, 16, 31, 30), 2, 11.0, 0));
            doc.SetModifiedFlag();
        }
        doc.AddQuotationToItem(s.pos, CKurs(s.now, s.close), false, true);
        CKurs fresh;
        ASSERT_TRUE(doc.ComputeSumInvestValue(fresh));
        CKurs newest;
        ASSERT_TRUE(item(history).GetLastQuotation(newest));
        EXPECT_EQ(newest.m_dClose, fresh.m_dClose);
        EXPECT_EQ(newest.m_dtDate.m_dt, fresh.m_dtDate.m_dt) << newest.m_dtDate.Format("%c");
    }
    // Spot checks of the walk itself: C counts from 15:00, D's 16:00 quotation from 16:00.
    CKurs total;
    ASSERT_TRUE(doc.ComputeSumInvestValue(total));
    EXPECT_DOUBLE_EQ(total.m_dClose, 1 * 10.9 + 7 * 4.1 + 11 * 1.1 + 13 * 2.3);
}

} // namespace
