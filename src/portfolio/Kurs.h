#pragma once
// One quotation of an item: date-time with open, close, high, low and volume.

#include "platform/OleDate.h"

class CKurs {
public:
    OleDate m_dtDate;      // date and time of the quotation (local)
    double m_dOpen = 0.0;  // opening value
    double m_dClose = 0.0; // closing or last value: "the" quotation value
    double m_dHigh = 0.0;  // high of the day
    double m_dLow = 0.0;   // low of the day
    double m_dVolume = 0.0;
};
