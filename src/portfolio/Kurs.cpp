#include "portfolio/Kurs.h"

#include "portfolio/RecordSchema.h"

void CKurs::Serialize(Archive& ar) {
    SerializeWithSchema(ar, ar.isLoading() ? recordLoadSchema(ar) : kCurrentRecordSchema);
}

void CKurs::SerializeWithSchema(Archive& ar, int loadSchema) {
    if (ar.isStoring()) {
        writeRecordDate(ar, m_dtDate);
        ar.writeDouble(m_dClose);
        ar.writeDouble(m_dOpen);
        ar.writeDouble(m_dHigh);
        ar.writeDouble(m_dLow);
        ar.writeDouble(m_dVolume);
        return;
    }
    if (loadSchema >= 1 && loadSchema <= 16) {
        // Date and close only.
        m_dtDate = readOldStyleDate(ar);
        m_dClose = ar.readDouble();
        m_dOpen = m_dHigh = m_dLow = m_dVolume = 0.0;
        return;
    }
    if (loadSchema >= 17 && loadSchema <= 21)
        m_dtDate = readOldStyleDate(ar);
    else
        m_dtDate = readRecordDate(ar); // 22, and schemas 0 or above 22 read as 22
    m_dClose = ar.readDouble();
    m_dOpen = ar.readDouble();
    m_dHigh = ar.readDouble();
    m_dLow = ar.readDouble();
    m_dVolume = ar.readDouble();
}
