#pragma once
// The position of an item in the portfolio: a never-reused 32-bit id (0 = none). The document
// keeps the order of its items and an id-to-item index; a stale position finds no item.

#include <cstdint>

using ItemPos = std::uint32_t;
