#include "portfolio/Transaction.h"

#include "portfolio/RecordSchema.h"

#include <utility>

CTransaction::CTransaction(int type, const OleDate& date, double units, double quotation, double taxes, int recurrence,
                           bool until, const OleDate& untilDate, std::string note)
    : m_nType(type), m_dtDate(date), m_dUnits(units), m_dQuotation(quotation), m_dTaxes(taxes),
      m_strNote(std::move(note)), m_nRecurrence(recurrence), m_bUntil(until), m_dtUntil(untilDate) {}

CTransaction& CTransaction::operator=(const CTransaction& other) {
    if (this != &other) {
        m_nType = other.m_nType;
        m_dtDate = other.m_dtDate;
        m_dUnits = other.m_dUnits;
        m_dQuotation = other.m_dQuotation;
        m_dTaxes = other.m_dTaxes;
        m_strNote = other.m_strNote;
        m_nRecurrence = other.m_nRecurrence;
        m_bUntil = other.m_bUntil;
        m_dtUntil = other.m_dtUntil;
    }
    return *this;
}

std::string_view CTransaction::typeName(int type, bool cashAccount) {
    switch (type) {
    case kBuy:
        return cashAccount ? "Credit" : "Buy";
    case kSell:
        return cashAccount ? "Debit" : "Sell";
    case kDividend:
        return cashAccount ? "Interests" : "Dividends/Interests";
    default:
        return {};
    }
}

void CTransaction::Serialize(Archive& ar) {
    SerializeWithSchema(ar, ar.isLoading() ? recordLoadSchema(ar) : kCurrentRecordSchema);
}

void CTransaction::SerializeWithSchema(Archive& ar, int loadSchema) {
    if (ar.isStoring()) {
        ar.writeInt32(m_nType);
        writeRecordDate(ar, m_dtDate);
        ar.writeDouble(m_dUnits);
        ar.writeDouble(m_dQuotation);
        ar.writeDouble(m_dTaxes);
        ar.writeInt32(m_nRecurrence);
        ar.writeBool(m_bUntil);
        writeRecordDate(ar, m_dtUntil);
        ar.writeString(m_strNote);
        return;
    }

    const bool oldStyle = loadSchema >= 1 && loadSchema <= 21;
    m_nType = ar.readInt32();
    m_dtDate = oldStyle ? readOldStyleDate(ar) : readRecordDate(ar);
    m_dUnits = ar.readDouble();
    m_dQuotation = ar.readDouble();
    m_dTaxes = ar.readDouble();

    if (oldStyle && loadSchema <= 12) {
        // No recurrence yet: the end date is five years after the transaction, at 23:59:59.
        m_nRecurrence = kRecurrenceNone;
        m_bUntil = false;
        m_strNote.clear();
        if (m_dtDate.GetStatus() == OleDate::valid) {
            m_dtUntil = OleDate(m_dtDate.GetYear() + 5, m_dtDate.GetMonth(), m_dtDate.GetDay(), 23, 59, 59);
        } else {
            m_dtUntil = OleDate();
            m_dtUntil.SetStatus(OleDate::invalid);
        }
        return;
    }

    m_nRecurrence = ar.readInt32();
    m_bUntil = ar.readBool();
    m_dtUntil = oldStyle ? readOldStyleDate(ar) : readRecordDate(ar);
    if (oldStyle && loadSchema <= 14)
        m_strNote.clear();
    else
        m_strNote = ar.readString();
}
