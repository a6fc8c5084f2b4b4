#pragma once
// Room on the heap for a large load that is made once and read once, as the unattended export's
// load of a whole portfolio: the heap grows by the expected size in one step, and where the system
// gives transparent huge pages on request, that room is asked for them. A fresh process otherwise
// takes one page fault for every 4 KB the load writes, which on a large portfolio costs more than
// the reading itself. Nothing happens where the C library or the system offers no such control.

#include <cstddef>

// Grows the heap's free top to at least `bytes` and marks it for huge pages. Returns whether the
// room was made and marked.
bool reserveHeapForLargeLoad(std::size_t bytes);
