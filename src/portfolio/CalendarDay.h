#pragma once
// The calendar day of a date (local time): its first and its last second. Both are invalid for a
// date that is not valid.

#include "platform/OleDate.h"

inline OleDate dayStart(const OleDate& date) {
    return OleDate(date.GetYear(), date.GetMonth(), date.GetDay(), 0, 0, 0);
}

inline OleDate dayEnd(const OleDate& date) {
    return OleDate(date.GetYear(), date.GetMonth(), date.GetDay(), 23, 59, 59);
}
