// Face adjacency. Vertices are first merged into points (equal positions, or within epsilon), then
// each directed edge (p, q) of a face is paired with an unpaired edge (q, p) of another face: the
// neighbour across an edge of a consistently wound surface. Edges with more than two faces pair up
// in face order; the rest have no neighbour.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numeric>
#include <unordered_map>
#include <vector>

#include "platform/d3dx/mesh.h"

namespace vm::d3dx {

namespace {

std::uint32_t findRoot(std::vector<std::uint32_t>& parent, std::uint32_t v) {
    while (parent[v] != v) {
        parent[v] = parent[parent[v]];
        v = parent[v];
    }
    return v;
}

std::uint32_t floatKey(float f) {
    if (f == 0.0f) f = 0.0f;  // -0 and +0 are the same place
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

struct CellHash {
    std::size_t operator()(const std::array<std::int64_t, 3>& c) const noexcept {
        std::uint64_t h = 1469598103934665603ull;
        for (std::int64_t v : c) h = (h ^ static_cast<std::uint64_t>(v)) * 1099511628211ull;
        return static_cast<std::size_t>(h);
    }
};

// Point id per vertex: the representative vertex of its group.
std::vector<std::uint32_t> mergePoints(const Mesh& mesh, float epsilon) {
    const std::uint32_t n = mesh.GetNumVertices();
    std::vector<std::uint32_t> parent(n);
    std::iota(parent.begin(), parent.end(), 0u);
    if (!(epsilon > 0.0f)) {
        std::unordered_map<std::array<std::int64_t, 3>, std::uint32_t, CellHash> seen;
        seen.reserve(n);
        for (std::uint32_t v = 0; v < n; ++v) {
            const d3d::Vector3 p = mesh.position(v);
            const std::array<std::int64_t, 3> key{floatKey(p.x), floatKey(p.y), floatKey(p.z)};
            const auto [it, inserted] = seen.emplace(key, v);
            if (!inserted) parent[v] = it->second;
        }
        return parent;
    }
    // Grid of epsilon-sized cells: points within epsilon lie in the same or a neighbouring cell. Only
    // vertices that merged with nothing enter the grid, so a pile of coincident vertices stays cheap.
    std::unordered_map<std::array<std::int64_t, 3>, std::vector<std::uint32_t>, CellHash> cells;
    auto cellOf = [&](float f) {
        const double c = std::floor(static_cast<double>(f) / static_cast<double>(epsilon));
        return static_cast<std::int64_t>(std::clamp(c, -9.0e15, 9.0e15));
    };
    for (std::uint32_t v = 0; v < n; ++v) {
        const d3d::Vector3 p = mesh.position(v);
        const std::array<std::int64_t, 3> c{cellOf(p.x), cellOf(p.y), cellOf(p.z)};
        bool merged = false;
        for (std::int64_t dx = -1; dx <= 1; ++dx)
            for (std::int64_t dy = -1; dy <= 1; ++dy)
                for (std::int64_t dz = -1; dz <= 1; ++dz) {
                    const auto it = cells.find({c[0] + dx, c[1] + dy, c[2] + dz});
                    if (it == cells.end()) continue;
                    for (std::uint32_t u : it->second) {
                        const d3d::Vector3 q = mesh.position(u);
                        if (std::fabs(p.x - q.x) <= epsilon && std::fabs(p.y - q.y) <= epsilon &&
                            std::fabs(p.z - q.z) <= epsilon) {
                            const std::uint32_t a = findRoot(parent, u), b = findRoot(parent, v);
                            if (a != b) parent[std::max(a, b)] = std::min(a, b);
                            merged = true;
                        }
                    }
                }
        if (!merged) cells[c].push_back(v);
    }
    for (std::uint32_t v = 0; v < n; ++v) parent[v] = findRoot(parent, v);
    return parent;
}

struct HalfEdge {
    std::uint32_t from, to, face, edge;
};

}  // namespace

Result Mesh::GenerateAdjacency(float epsilon, std::uint32_t* adjacency) const noexcept {
    if (adjacency == nullptr || std::isnan(epsilon)) return kErrInvalidCall;
    if (!indicesInRange()) return kErrInvalidData;
    try {
        const std::vector<std::uint32_t> point = mergePoints(*this, epsilon);
        std::vector<HalfEdge> edges;
        edges.reserve(std::size_t{faceCount_} * 3);
        for (std::uint32_t f = 0; f < faceCount_; ++f)
            for (std::uint32_t e = 0; e < 3; ++e) {
                const std::uint32_t a = point[index(3 * std::size_t{f} + e)];
                const std::uint32_t b = point[index(3 * std::size_t{f} + (e + 1) % 3)];
                adjacency[3 * std::size_t{f} + e] = kNoNeighbour;
                if (a != b) edges.push_back({a, b, f, e});
            }
        auto less = [](const HalfEdge& x, const HalfEdge& y) {
            if (x.from != y.from) return x.from < y.from;
            if (x.to != y.to) return x.to < y.to;
            return x.face < y.face;
        };
        std::vector<HalfEdge> sorted = edges;
        std::sort(sorted.begin(), sorted.end(), less);
        std::vector<bool> paired(std::size_t{faceCount_} * 3, false);
        for (const HalfEdge& h : edges) {  // face order
            const std::size_t self = 3 * std::size_t{h.face} + h.edge;
            if (paired[self]) continue;
            auto it = std::lower_bound(sorted.begin(), sorted.end(), HalfEdge{h.to, h.from, 0, 0}, less);
            for (; it != sorted.end() && it->from == h.to && it->to == h.from; ++it) {
                const std::size_t other = 3 * std::size_t{it->face} + it->edge;
                if (it->face == h.face || paired[other]) continue;
                adjacency[self] = it->face;
                adjacency[other] = h.face;
                paired[self] = paired[other] = true;
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    return kOk;
}

}  // namespace vm::d3dx
