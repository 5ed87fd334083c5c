#include "engine/cpu_mesh.h"

#include <algorithm>
#include <numeric>

namespace vm::engine {

void CpuMesh::SortByAttribute() {
    const std::size_t faces = data_.attributes.size();
    std::vector<std::uint32_t> order(faces);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return data_.attributes[a] < data_.attributes[b]; });
    std::vector<std::uint32_t> indices(faces * 3), attributes(faces);
    for (std::size_t f = 0; f < faces; ++f) {
        attributes[f] = data_.attributes[order[f]];
        std::copy_n(data_.indices.begin() + static_cast<std::ptrdiff_t>(order[f]) * 3, 3,
                    indices.begin() + static_cast<std::ptrdiff_t>(f) * 3);
    }
    data_.indices = std::move(indices);
    data_.attributes = std::move(attributes);
    table_.clear();
    for (std::uint32_t f = 0; f < faces; ++f) {
        if (table_.empty() || table_.back().attribId != data_.attributes[f])
            table_.push_back({data_.attributes[f], f, 0});
        ++table_.back().faceCount;
    }
}

}  // namespace vm::engine
