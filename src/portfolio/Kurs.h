#pragma once
// One quotation of an item: date-time with open, close, high, low and volume.

#include "platform/Archive.h"
#include "platform/OleDate.h"

#include <cstdint>
#include <string_view>

class CKurs : public ArchiveObject {
public:
    static constexpr std::string_view kClassName = "CKurs";

    OleDate m_dtDate;      // date and time of the quotation (local)
    double m_dOpen = 0.0;  // opening value
    double m_dClose = 0.0; // closing or last value: "the" quotation value
    double m_dHigh = 0.0;  // high of the day
    double m_dLow = 0.0;   // low of the day
    double m_dVolume = 0.0;

    // Date 0.0 valid, all values 0.
    CKurs() = default;
    // A quotation of one value (the close); open, high, low and volume 0.
    CKurs(const OleDate& date, double close) : m_dtDate(date), m_dClose(close) {}
    CKurs(const CKurs&) = default;
    CKurs& operator=(const CKurs&) = default;
    ~CKurs() override = default;

    // Multiplies open, close, high and low by `factor` (a currency rate or a factor item's value);
    // the volume stays.
    void scalePrices(double factor) {
        m_dOpen *= factor;
        m_dClose *= factor;
        m_dHigh *= factor;
        m_dLow *= factor;
    }

    std::string_view archiveClassName() const override { return kClassName; }
    std::uint16_t archiveSchema() const override { return 22; }

    // Stores the current form, or loads in the form of the archive's load schema
    // (recordLoadSchema, portfolio/RecordSchema.h).
    void Serialize(Archive& ar) override;
    // The same with the schema of the item record being read given explicitly. Storing always
    // writes the current form.
    void SerializeWithSchema(Archive& ar, int loadSchema);
};
