#pragma once
// The identity of a portfolio item: a 32-bit id given at construction and never reused while the
// program runs (0 = no item). The document keeps the order of its items and an id -> item index,
// so a stale id simply finds no item.

#include <cstdint>

using ItemPos = std::uint32_t;

inline constexpr ItemPos kNoItemPos = 0;
