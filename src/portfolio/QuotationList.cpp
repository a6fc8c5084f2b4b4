#include "portfolio/QuotationList.h"

#include <algorithm>
#include <iterator>

QuotationList::QuotationList(std::size_t blockSize) : m_blockSize(std::max<std::size_t>(blockSize, 2)) {}

std::pair<std::size_t, std::size_t> QuotationList::locate(std::size_t i) const {
    const std::size_t last = m_starts.size() - 1;
    if (i >= m_starts[last])
        return {last, i - m_starts[last]};
    const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), i);
    const auto k = static_cast<std::size_t>(it - m_starts.begin()) - 1;
    return {k, i - m_starts[k]};
}

const CKurs& QuotationList::operator[](std::size_t i) const {
    const auto [k, off] = locate(i);
    return m_blocks[k][off];
}

void QuotationList::renumberFrom(std::size_t block) {
    if (!m_starts.empty())
        m_starts[0] = 0;
    for (std::size_t k = std::max<std::size_t>(block, 1); k < m_blocks.size(); ++k)
        m_starts[k] = m_starts[k - 1] + m_blocks[k - 1].size();
}

void QuotationList::insert(std::size_t i, CKurs record) {
    // Neighbour bookkeeping before the records move.
    if (i > 0 && i < m_size)
        m_descents -= descent((*this)[i - 1], (*this)[i]);
    if (i > 0)
        m_descents += descent((*this)[i - 1], record);
    if (i < m_size)
        m_descents += descent(record, (*this)[i]);
    m_irregular += irregular(record);

    if (m_blocks.empty()) {
        m_blocks.emplace_back().push_back(std::move(record));
        m_starts.assign(1, 0);
        m_size = 1;
        return;
    }
    if (i >= m_size) {
        if (m_blocks.back().size() >= m_blockSize) {
            m_blocks.emplace_back();
            m_starts.push_back(m_size);
        }
        m_blocks.back().push_back(std::move(record));
        ++m_size;
        return;
    }

    auto [k, off] = locate(i);
    if (m_blocks[k].size() >= m_blockSize) {
        if (off == 0) {
            // At a block boundary: the end of the previous block, or a block of its own.
            if (k > 0 && m_blocks[k - 1].size() < m_blockSize) {
                m_blocks[k - 1].push_back(std::move(record));
            } else {
                m_blocks.insert(m_blocks.begin() + static_cast<std::ptrdiff_t>(k), std::vector<CKurs>{})
                    ->push_back(std::move(record));
                m_starts.insert(m_starts.begin() + static_cast<std::ptrdiff_t>(k), 0);
            }
            ++m_size;
            renumberFrom(k);
            return;
        }
        // Split the full block in halves.
        std::vector<CKurs>& full = m_blocks[k];
        const std::size_t half = full.size() / 2;
        const auto mid = full.begin() + static_cast<std::ptrdiff_t>(half);
        std::vector<CKurs> upper(std::make_move_iterator(mid), std::make_move_iterator(full.end()));
        full.erase(mid, full.end());
        m_blocks.insert(m_blocks.begin() + static_cast<std::ptrdiff_t>(k + 1), std::move(upper));
        m_starts.insert(m_starts.begin() + static_cast<std::ptrdiff_t>(k + 1), 0);
        if (off > half) {
            ++k;
            off -= half;
        }
    }
    std::vector<CKurs>& block = m_blocks[k];
    block.insert(block.begin() + static_cast<std::ptrdiff_t>(off), std::move(record));
    ++m_size;
    renumberFrom(k); // from the upper half of a split block, too
}

void QuotationList::replace(std::size_t i, const CKurs& record) {
    const auto [k, off] = locate(i);
    CKurs& target = m_blocks[k][off];
    if (i > 0)
        m_descents -= descent((*this)[i - 1], target);
    if (i + 1 < m_size)
        m_descents -= descent(target, (*this)[i + 1]);
    m_irregular -= irregular(target);
    target = record;
    if (i > 0)
        m_descents += descent((*this)[i - 1], target);
    if (i + 1 < m_size)
        m_descents += descent(target, (*this)[i + 1]);
    m_irregular += irregular(target);
}

void QuotationList::erase(std::size_t i) {
    if (i > 0)
        m_descents -= descent((*this)[i - 1], (*this)[i]);
    if (i + 1 < m_size)
        m_descents -= descent((*this)[i], (*this)[i + 1]);
    if (i > 0 && i + 1 < m_size)
        m_descents += descent((*this)[i - 1], (*this)[i + 1]);
    m_irregular -= irregular((*this)[i]);

    const auto [k, off] = locate(i);
    std::vector<CKurs>& block = m_blocks[k];
    block.erase(block.begin() + static_cast<std::ptrdiff_t>(off));
    --m_size;
    if (block.empty()) {
        m_blocks.erase(m_blocks.begin() + static_cast<std::ptrdiff_t>(k));
        m_starts.erase(m_starts.begin() + static_cast<std::ptrdiff_t>(k));
        if (m_blocks.empty()) {
            m_starts.clear();
            return;
        }
        renumberFrom(k);
        if (k > 0)
            mergeAround(k - 1);
        return;
    }
    renumberFrom(k + 1);
    mergeAround(k);
}

// Keeps any two neighbouring blocks above half a block together, so erasures never leave a trail
// of nearly empty blocks (inserts and splits keep that by themselves): block k, shrunk by an
// erasure, joins a neighbour where the two fit in half a block.
void QuotationList::mergeAround(std::size_t k) {
    const std::size_t half = m_blockSize / 2;
    const auto fits = [&](std::size_t a) {
        return a + 1 < m_blocks.size() && m_blocks[a].size() + m_blocks[a + 1].size() <= half;
    };
    const auto join = [&](std::size_t a) {
        std::vector<CKurs>& target = m_blocks[a];
        std::vector<CKurs>& source = m_blocks[a + 1];
        target.insert(target.end(), std::make_move_iterator(source.begin()), std::make_move_iterator(source.end()));
        m_blocks.erase(m_blocks.begin() + static_cast<std::ptrdiff_t>(a + 1));
        m_starts.erase(m_starts.begin() + static_cast<std::ptrdiff_t>(a + 1));
        renumberFrom(a + 1);
    };
    if (fits(k))
        join(k);
    if (k > 0 && fits(k - 1)) {
        join(k - 1);
        if (fits(k - 1))
            join(k - 1);
    }
}

void QuotationList::clear() {
    m_blocks.clear();
    m_starts.clear();
    m_size = 0;
    m_irregular = 0;
    m_descents = 0;
}

void QuotationList::assign(std::vector<CKurs> records) {
    clear();
    for (std::size_t i = 0; i < records.size(); i += m_blockSize) {
        const std::size_t end = std::min(records.size(), i + m_blockSize);
        m_starts.push_back(i);
        m_blocks.emplace_back(std::make_move_iterator(records.begin() + static_cast<std::ptrdiff_t>(i)),
                              std::make_move_iterator(records.begin() + static_cast<std::ptrdiff_t>(end)));
    }
    m_size = records.size();
    recount();
}

void QuotationList::recount() {
    m_irregular = 0;
    m_descents = 0;
    const CKurs* previous = nullptr;
    forEach(0, m_size, [&](const CKurs& q, std::size_t) {
        m_irregular += irregular(q);
        if (previous)
            m_descents += descent(*previous, q);
        previous = &q;
    });
}

std::vector<CKurs> QuotationList::toVector() const {
    std::vector<CKurs> out;
    out.reserve(m_size);
    for (const auto& block : m_blocks)
        out.insert(out.end(), block.begin(), block.end());
    return out;
}

std::size_t QuotationList::countBelow(double value) const {
    const auto blockIt = std::partition_point(m_blocks.begin(), m_blocks.end(), [value](const std::vector<CKurs>& b) {
        return b.back().m_dtDate.m_dt < value;
    });
    if (blockIt == m_blocks.end())
        return m_size;
    const auto k = static_cast<std::size_t>(blockIt - m_blocks.begin());
    const auto inBlock = std::partition_point(blockIt->begin(), blockIt->end(),
                                              [value](const CKurs& q) { return q.m_dtDate.m_dt < value; });
    return m_starts[k] + static_cast<std::size_t>(inBlock - blockIt->begin());
}
