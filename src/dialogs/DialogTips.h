#pragma once
// The tool tips of a dialog as data: which control gets which text, and how the tip behaves. A
// dialog keeps its table next to it; the balloon tip control installs one tool per row.

#include <cstddef>

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
