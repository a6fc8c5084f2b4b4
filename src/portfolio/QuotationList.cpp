#include "portfolio/QuotationList.h"

#include <algorithm>
#include <iterator>

namespace {

// The number of leading elements of first[0..n) that satisfy `pred`, for a predicate that holds
// for a leading run only. Written without a data-dependent branch, as searches over many dates
// would mispredict every other step.
template <class T, class Pred> std::size_t countLeading(const T* first, std::size_t n, Pred pred) {
    if (n == 0)
        return 0;
    const T* base = first;
    while (n > 1) {
        const std::size_t half = n / 2;
        base = pred(base[half]) ? base + half : base;
        n -= half;
    }
    return static_cast<std::size_t>(base - first) + (pred(*base) ? 1 : 0);
}

} // namespace

QuotationList::QuotationList(std::size_t blockSize) : m_blockSize(std::max<std::size_t>(blockSize, 2)) {}

std::pair<std::size_t, std::size_t> QuotationList::locate(std::size_t i) const {
    const std::size_t last = m_starts.size() - 1;
    if (i >= m_starts[last])
        return {last, i - m_starts[last]};
    const std::size_t k =
        countLeading(m_starts.data(), m_starts.size(), [i](std::size_t start) { return start <= i; }) - 1;
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

void QuotationList::insertBlock(std::size_t at, std::vector<CKurs> records) {
    const auto pos = static_cast<std::ptrdiff_t>(at);
    m_lastValues.insert(m_lastValues.begin() + pos, key(records.back().m_dtDate));
    m_blocks.insert(m_blocks.begin() + pos, std::move(records));
    m_starts.insert(m_starts.begin() + pos, 0);
    renumberFrom(at);
}

void QuotationList::eraseBlock(std::size_t at) {
    const auto pos = static_cast<std::ptrdiff_t>(at);
    m_blocks.erase(m_blocks.begin() + pos);
    m_starts.erase(m_starts.begin() + pos);
    m_lastValues.erase(m_lastValues.begin() + pos);
    renumberFrom(at);
}

void QuotationList::insert(std::size_t i, CKurs record) {
    ++m_generation;
    // Neighbour bookkeeping before the records move.
    if (i > 0 && i < m_size)
        m_descents -= descent((*this)[i - 1], (*this)[i]);
    if (i > 0)
        m_descents += descent((*this)[i - 1], record);
    if (i < m_size)
        m_descents += descent(record, (*this)[i]);
    m_irregular += irregular(record);

    if (m_blocks.empty() || i >= m_size) {
        if (m_blocks.empty() || m_blocks.back().size() >= m_blockSize) {
            std::vector<CKurs> block;
            block.push_back(std::move(record));
            insertBlock(m_blocks.size(), std::move(block));
        } else {
            m_blocks.back().push_back(std::move(record));
            refreshLast(m_blocks.size() - 1);
        }
        ++m_size;
        return;
    }

    auto [k, off] = locate(i);
    if (m_blocks[k].size() >= m_blockSize) {
        if (off == 0) {
            // At a block boundary: the end of the previous block, or a block of its own.
            ++m_size;
            if (k > 0 && m_blocks[k - 1].size() < m_blockSize) {
                m_blocks[k - 1].push_back(std::move(record));
                refreshLast(k - 1);
                renumberFrom(k);
            } else {
                std::vector<CKurs> block;
                block.push_back(std::move(record));
                insertBlock(k, std::move(block));
            }
            return;
        }
        // Split the full block in halves.
        std::vector<CKurs>& full = m_blocks[k];
        const std::size_t half = full.size() / 2;
        const auto mid = full.begin() + static_cast<std::ptrdiff_t>(half);
        std::vector<CKurs> upper(std::make_move_iterator(mid), std::make_move_iterator(full.end()));
        full.erase(mid, full.end());
        refreshLast(k);
        insertBlock(k + 1, std::move(upper));
        if (off > half) {
            ++k;
            off -= half;
        }
    }
    std::vector<CKurs>& block = m_blocks[k];
    block.insert(block.begin() + static_cast<std::ptrdiff_t>(off), std::move(record));
    refreshLast(k);
    ++m_size;
    renumberFrom(k + 1);
}

void QuotationList::replace(std::size_t i, const CKurs& record) {
    ++m_generation;
    const auto [k, off] = locate(i);
    CKurs& target = m_blocks[k][off];
    if (i > 0)
        m_descents -= descent((*this)[i - 1], target);
    if (i + 1 < m_size)
        m_descents -= descent(target, (*this)[i + 1]);
    m_irregular -= irregular(target);
    target = record;
    refreshLast(k);
    if (i > 0)
        m_descents += descent((*this)[i - 1], target);
    if (i + 1 < m_size)
        m_descents += descent(target, (*this)[i + 1]);
    m_irregular += irregular(target);
}

void QuotationList::erase(std::size_t i) {
    ++m_generation;
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
        eraseBlock(k);
        if (k > 0)
            mergeAround(k - 1);
        return;
    }
    refreshLast(k);
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
        refreshLast(a);
        eraseBlock(a + 1);
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
    ++m_generation;
    m_blocks.clear();
    m_starts.clear();
    m_lastValues.clear();
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
        m_lastValues.push_back(key(m_blocks.back().back().m_dtDate));
    }
    m_size = records.size();
    recount();
}

void QuotationList::assignBlocks(std::vector<std::vector<CKurs>> blocks) {
    clear();
    for (std::vector<CKurs>& block : blocks) {
        if (block.empty())
            continue;
        if (block.size() > m_blockSize) {
            for (std::size_t i = 0; i < block.size(); i += m_blockSize) {
                const auto from = block.begin() + static_cast<std::ptrdiff_t>(i);
                const auto to = block.begin() + static_cast<std::ptrdiff_t>(std::min(block.size(), i + m_blockSize));
                m_starts.push_back(m_size);
                m_blocks.emplace_back(std::make_move_iterator(from), std::make_move_iterator(to));
                m_lastValues.push_back(key(m_blocks.back().back().m_dtDate));
                m_size += m_blocks.back().size();
            }
            continue;
        }
        m_starts.push_back(m_size);
        m_size += block.size();
        m_blocks.push_back(std::move(block));
        m_lastValues.push_back(key(m_blocks.back().back().m_dtDate));
    }
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
    // Blocks first, by the keys of their last records kept side by side.
    const std::size_t k =
        countLeading(m_lastValues.data(), m_lastValues.size(), [value](double last) { return last < value; });
    if (k == m_blocks.size())
        return m_size;
    const std::vector<CKurs>& block = m_blocks[k];
    const auto inBlock =
        std::partition_point(block.begin(), block.end(), [value](const CKurs& q) { return key(q.m_dtDate) < value; });
    return m_starts[k] + static_cast<std::size_t>(inBlock - block.begin());
}
