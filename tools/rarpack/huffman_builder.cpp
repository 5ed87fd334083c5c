#include "rarpack/huffman_builder.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace vm::rarpack {
namespace {

// Package-merge node: a leaf (symbol >= 0) or a package of two nodes of the previous level.
struct Node {
    uint64_t weight;
    int32_t symbol;
    int32_t left;
    int32_t right;
};

void countLeaves(const std::vector<Node>& nodes, int32_t index, std::span<uint8_t> lengths)
{
    // Iterative walk: packages nest at most maxLength deep, but keep the stack explicit anyway.
    std::vector<int32_t> stack{index};
    while (!stack.empty()) {
        const Node& n = nodes[static_cast<size_t>(stack.back())];
        stack.pop_back();
        if (n.symbol >= 0) {
            ++lengths[static_cast<size_t>(n.symbol)];
        } else {
            stack.push_back(n.left);
            stack.push_back(n.right);
        }
    }
}

} // namespace

void buildCodeLengths(std::span<const uint32_t> freq, unsigned maxLength, std::span<uint8_t> lengths)
{
    std::fill(lengths.begin(), lengths.end(), uint8_t{0});
    std::vector<uint32_t> used;
    for (size_t i = 0; i < freq.size(); ++i)
        if (freq[i] > 0)
            used.push_back(static_cast<uint32_t>(i));
    if (used.empty())
        return;
    if (used.size() == 1) {
        lengths[used[0]] = 1;
        lengths[used[0] == 0 ? 1 : 0] = 1;
        return;
    }

    std::sort(used.begin(), used.end(), [&](uint32_t a, uint32_t b) {
        return freq[a] != freq[b] ? freq[a] < freq[b] : a < b;
    });
    std::vector<Node> nodes;
    std::vector<int32_t> leaves;
    for (uint32_t s : used) {
        leaves.push_back(static_cast<int32_t>(nodes.size()));
        nodes.push_back({freq[s], static_cast<int32_t>(s), -1, -1});
    }

    std::vector<int32_t> list = leaves;
    for (unsigned level = 1; level < maxLength; ++level) {
        // Package neighbours of the current list, then merge the packages with the leaves.
        std::vector<int32_t> packages;
        for (size_t i = 0; i + 1 < list.size(); i += 2) {
            const uint64_t w = nodes[static_cast<size_t>(list[i])].weight + nodes[static_cast<size_t>(list[i + 1])].weight;
            packages.push_back(static_cast<int32_t>(nodes.size()));
            nodes.push_back({w, -1, list[i], list[i + 1]});
        }
        std::vector<int32_t> merged;
        merged.reserve(leaves.size() + packages.size());
        size_t a = 0, b = 0;
        while (a < leaves.size() || b < packages.size()) {
            if (b >= packages.size() ||
                (a < leaves.size() && nodes[static_cast<size_t>(leaves[a])].weight <= nodes[static_cast<size_t>(packages[b])].weight))
                merged.push_back(leaves[a++]);
            else
                merged.push_back(packages[b++]);
        }
        list = std::move(merged);
    }
    const size_t take = 2 * used.size() - 2;
    for (size_t i = 0; i < take && i < list.size(); ++i)
        countLeaves(nodes, list[i], lengths);
}

void buildCanonicalCodes(std::span<const uint8_t> lengths, std::span<uint16_t> codes)
{
    unsigned count[kMaxCodeLength + 2] = {};
    for (uint8_t l : lengths)
        ++count[l];
    count[0] = 0;
    unsigned next[kMaxCodeLength + 2] = {};
    unsigned code = 0;
    for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
        code = (code + count[len - 1]) << 1;
        next[len] = code;
    }
    for (size_t i = 0; i < lengths.size(); ++i)
        codes[i] = lengths[i] ? static_cast<uint16_t>(next[lengths[i]]++) : 0;
}

uint64_t codedBits(std::span<const uint32_t> freq, std::span<const uint8_t> lengths)
{
    uint64_t bits = 0;
    for (size_t i = 0; i < freq.size(); ++i) {
        if (freq[i] == 0)
            continue;
        if (lengths[i] == 0)
            return UINT64_MAX;
        bits += uint64_t{freq[i]} * lengths[i];
    }
    return bits;
}

} // namespace vm::rarpack
