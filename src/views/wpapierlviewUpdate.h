#pragma once
// The update-for-date command's two moments: the one the dialog is preset with, and the one the
// update runs for after the user's choice.

#include "platform/OleDate.h"

// Yesterday, or the Friday before when yesterday falls on a weekend, at 20:00:00.
OleDate updateForDatePreset(const OleDate& now);
// The calendar day of `date` at the time of day of `time`; logs "Setting update time to: %s".
OleDate updateForDateMoment(const OleDate& date, const OleDate& time);
