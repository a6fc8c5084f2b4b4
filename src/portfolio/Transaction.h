#pragma once
// One investment or cash-account transaction: kind, date-time, units, price, taxes, recurrence
// and note.

#include "platform/Archive.h"
#include "platform/OleDate.h"
#include "portfolio/ItemPos.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class CTransaction : public ArchiveObject {
public:
    static constexpr std::string_view kClassName = "CTransaction";

    // Kinds. On the cash account: credit, debit, interests.
    static constexpr int kBuy = 0;
    static constexpr int kSell = 1;
    static constexpr int kDividend = 2;
    // Recurrence in months.
    static constexpr int kRecurrenceNone = 0;
    static constexpr int kRecurrenceMonthly = 1;
    static constexpr int kRecurrenceQuarterly = 3;
    static constexpr int kRecurrenceHalfYearly = 6;
    static constexpr int kRecurrenceYearly = 12;
    static constexpr std::array<int, 5> kRecurrences = {kRecurrenceNone, kRecurrenceMonthly, kRecurrenceQuarterly,
                                                        kRecurrenceHalfYearly, kRecurrenceYearly};

    int m_nType = kBuy;
    OleDate m_dtDate;          // when the transaction took place
    double m_dUnits = 0.0;     // units; on the cash account the amount of money
    double m_dQuotation = 0.0; // price per unit; dividend per unit for kind 2
    double m_dTaxes = 0.0;     // taxes and commission (one amount)
    std::string m_strNote;     // free note; mirrored cash transactions name their origin here
    int m_nRecurrence = kRecurrenceNone;
    bool m_bUntil = false; // the recurrence ends at m_dtUntil
    OleDate m_dtUntil;     // last date of the recurrence
    // Set only on the copies in the document's list of all transactions; never stored.
    int m_nOriginIndex = -1;              // index in the owning item's transaction list
    ItemPos m_posOriginItem = kNoItemPos; // the owning item

    CTransaction() = default;
    CTransaction(int type, const OleDate& date, double units, double quotation, double taxes, int recurrence,
                 bool until, const OleDate& untilDate, std::string note);
    // A copy holds no origin (index -1, no item), whatever the source holds.
    CTransaction(const CTransaction& other) { *this = other; }
    // Copies the stored fields; the origin fields of the target stay as they are.
    CTransaction& operator=(const CTransaction& other);
    ~CTransaction() override = default;

    // "Buy", "Sell", "Dividends/Interests" on an investment item; "Credit", "Debit", "Interests"
    // on the cash account; empty for any other kind.
    static std::string_view typeName(int type, bool cashAccount);

    std::string_view archiveClassName() const override { return kClassName; }
    std::uint16_t archiveSchema() const override { return 22; }

    // Stores the current form, or loads in the form of the archive's load schema
    // (recordLoadSchema, portfolio/RecordSchema.h).
    void Serialize(Archive& ar) override;
    // The same with the schema of the item record being read given explicitly. Storing always
    // writes the current form.
    void SerializeWithSchema(Archive& ar, int loadSchema);
};
