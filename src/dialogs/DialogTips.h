#pragma once
// The tool tips of a dialog as data: which control gets which text, and how the tip behaves. A
// dialog keeps its table next to it; InstallDialogTips gives the balloon tip one tool per row.

#include <cstddef>

class CPPToolTip;
class Dialog;

struct DialogTip {
    unsigned controlId;
    const char* text; // in the tip's HTML dialect; '\n' breaks a line
};

struct DialogTipTable {
    bool balloon;  // balloon style
    int autoPopMs; // how long a tip stays (the auto-pop delay)
    const DialogTip* tips;
    std::size_t count;
};

// Makes `tip` the dialog's (Create), sets its auto-pop delay and adds one tool per row on the
// dialog's control of that id. A row whose control the dialog lacks is logged and left out.
void InstallDialogTips(CPPToolTip& tip, Dialog& dialog, const DialogTipTable& table);
