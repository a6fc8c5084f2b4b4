#include "dialogs/WPInvestPropPageLogic.h"

#include "dialogs/TransactionDlgLogic.h"
#include "dialogs/TransactionIds.h"
#include "dialogs/TransactionListCommon.h"
#include "framework/StringTable.h"
#include "log/NumberFormat.h"
#include "portfolio/WPapierDoc.h"

#include <cmath>

InvestRows computeInvestRows(std::span<const CTransaction> transactions, const CKurs& lastQuotation,
                             const OleDate& now) {
    InvestRows out;
    out.rows.reserve(transactions.size() + 3);
    double& H = out.units;
    double& B = out.breakEven;
    double& A = out.averagePrice;
    double S = 0.0; // sum of the volumes
    double I = 0.0; // sum of the buys' volumes
    OleDate lastDate = now;
    OleDate lastSellDate = now;

    for (std::size_t k = 0; k < transactions.size(); ++k) {
        const CTransaction& t = transactions[k];
        const double u = t.m_dUnits;
        const double q = t.m_dQuotation;
        const double tax = t.m_dTaxes;
        InvestRow& row = out.rows.emplace_back();
        row.transaction = static_cast<int>(k);
        row.image = transactionRowImage(t.m_nType, t.m_nRecurrence);
        row.label = CTransaction::typeName(t.m_nType, false);
        row.date = t.m_dtDate;
        row.dateAfterNow = dateAfterNow(t.m_dtDate, now);
        lastDate = t.m_dtDate;
        if (t.m_nType == CTransaction::kSell)
            lastSellDate = t.m_dtDate;
        row.note = t.m_strNote;
        row.units = u;
        row.quotation = q;
        row.taxes = tax;
        const double amount = investmentTransactionTotal(t.m_nType, u, q, tax);
        S += amount;
        row.volume = amount;

        // The results use the figures before this transaction.
        switch (t.m_nType) {
        case CTransaction::kBuy:
            I += amount;
            break;
        case CTransaction::kSell:
            if (A != 0.0) {
                row.transactionResult = q * 100.0 / A - 100.0;
                if (u != 0.0)
                    row.investmentResult = (q - tax / u - B + A) * 100.0 / A - 100.0;
            }
            break;
        case CTransaction::kDividend:
            if (u != 0.0 && A != 0.0 && H != 0.0)
                row.transactionResult = u * q * 100.0 / (H * A);
            break;
        default:
            break;
        }

        switch (t.m_nType) {
        case CTransaction::kBuy:
            if (H + u != 0.0) {
                B = (H * B + u * q + tax) / (H + u);
                A = (H * A + u * q + tax) / (H + u);
            }
            H += u;
            break;
        case CTransaction::kSell:
            H -= u;
            break;
        case CTransaction::kDividend:
            if (H != 0.0)
                B = (H * B - (u * q - tax)) / H;
            break;
        default:
            break;
        }
    }

    InvestRow& breakEven = out.rows.emplace_back();
    breakEven.kind = InvestRow::Kind::BreakEven;
    breakEven.image = kImageBreakEven;
    breakEven.label = LoadString(IDS_ROW_BREAK_EVEN);
    breakEven.date = lastDate;
    breakEven.dateAfterNow = dateAfterNow(lastDate, now);
    breakEven.units = H;
    breakEven.quotation = B;

    const double L = lastQuotation.m_dClose;
    if (H != 0.0) {
        InvestRow& sell = out.rows.emplace_back();
        sell.kind = InvestRow::Kind::HypotheticalSell;
        sell.image = kImageHypotheticalSell;
        sell.label = LoadString(IDS_ROW_HYPOTHETICAL_SELL);
        sell.date = lastQuotation.m_dtDate;
        sell.dateAfterNow = dateAfterNow(lastQuotation.m_dtDate, now);
        sell.units = H;
        sell.quotation = L;
        sell.volume = L * H;
        if (A != 0.0) {
            sell.transactionResult = L * 100.0 / A - 100.0;
            sell.investmentResult = (L - B + A) * 100.0 / A - 100.0;
        }
    }

    InvestRow& total = out.rows.emplace_back();
    total.kind = InvestRow::Kind::Total;
    total.image = kImageSum;
    total.label = LoadString(H == 0.0 ? IDS_ROW_TOTAL : IDS_ROW_OPEN_TOTAL);
    total.date = H == 0.0 ? lastSellDate : lastQuotation.m_dtDate;
    total.dateAfterNow = dateAfterNow(total.date, now);
    total.volume = H == 0.0 ? S : L * H + S;
    const double invested = std::fabs(I);
    if (invested == 0.0)
        total.investmentResult = 0.0;
    else if (H == 0.0)
        total.investmentResult = (invested + S) * 100.0 / invested - 100.0;
    else
        total.investmentResult = (L * H + S + invested) * 100.0 / invested - 100.0;
    return out;
}

std::string investCellText(const InvestRow& row, int column) {
    const auto cell = [](const std::optional<double>& value, const char* format) {
        return value ? FormatNumberGrouped(format, *value) : std::string();
    };
    switch (column) {
    case 0:
        return row.label;
    case 1:
        return transactionDateText(row.date, row.dateAfterNow);
    case 2:
        return row.note;
    case 3:
        return cell(row.units, "%4.2lf");
    case 4:
        return cell(row.quotation, "%4.2lf");
    case 5:
        return cell(row.taxes, "%4.2lf");
    case 6:
        return cell(row.volume, "%+4.2lf");
    case 7:
        return cell(row.transactionResult, "%+4.2lf%%");
    case 8:
        return cell(row.investmentResult, "%+4.2lf%%");
    default:
        return {};
    }
}

std::array<std::string, kInvestColumnCount> investRowTexts(const InvestRow& row) {
    std::array<std::string, kInvestColumnCount> texts;
    for (int c = 0; c < kInvestColumnCount; ++c)
        texts[static_cast<std::size_t>(c)] = investCellText(row, c);
    return texts;
}

InvestNewResult addInvestmentTransaction(CWPapierDoc& doc, ItemPos item, const std::string& itemName,
                                         const CTransaction& transaction, bool mirror) {
    InvestNewResult result;
    result.index = doc.AddTransaction(item, transaction);
    if (result.index < 0 || !mirror || (transaction.m_dUnits == 0.0 && transaction.m_dTaxes == 0.0))
        return result;
    const double balance0 = doc.GetCashAccountBalance();
    doc.AddCashAccountTransaction(transaction, itemName, false);
    const double balance1 = doc.GetCashAccountBalance();
    result.warning = balanceWarningAfterNew(balance0, balance1);
    return result;
}

std::optional<std::string> replaceInvestmentTransaction(CWPapierDoc& doc, ItemPos item, int index,
                                                        const std::string& itemName, const CTransaction& previous,
                                                        const CTransaction& changed, bool mirror) {
    // A transaction that was not replaced has no changed mirror either.
    if (doc.ReplaceTransaction(item, index, changed) < 0 || !mirror)
        return std::nullopt;
    const double balance0 = doc.GetCashAccountBalance();
    doc.UpdateCashAccountTransaction(itemName, previous, changed);
    const double balance1 = doc.GetCashAccountBalance();
    return balanceWarningAfterEdit(balance0, balance1);
}
