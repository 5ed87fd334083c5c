#include "platform/d3dx/vertex_cache.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace vm::d3dx {

namespace {

constexpr int kCacheSize = 32;
constexpr float kDecayPower = 1.5f;
constexpr float kLastTriangleScore = 0.75f;
constexpr float kValenceScale = 2.0f;
constexpr float kValencePower = 0.5f;

struct VertexState {
    int cachePosition = -1;
    std::uint32_t remaining = 0;  // triangles not yet emitted
    std::uint32_t firstTriangle = 0;  // into the per-vertex triangle lists
    std::uint32_t triangleCount = 0;
    float score = 0;
};

float vertexScore(const VertexState& v) {
    if (v.remaining == 0) return -1.0f;
    float score = 0;
    if (v.cachePosition >= 0) {
        if (v.cachePosition < 3) {
            score = kLastTriangleScore;  // in the triangle just emitted: no extra reward for order
        } else {
            const float scale = 1.0f / (kCacheSize - 3);
            score = std::pow(1.0f - static_cast<float>(v.cachePosition - 3) * scale, kDecayPower);
        }
    }
    score += kValenceScale * std::pow(static_cast<float>(v.remaining), -kValencePower);
    return score;
}

}  // namespace

std::vector<std::uint32_t> orderForVertexCache(const std::vector<std::uint32_t>& indices, std::uint32_t vertexCount) {
    const std::uint32_t triCount = static_cast<std::uint32_t>(indices.size() / 3);
    std::vector<VertexState> verts(vertexCount);
    for (std::uint32_t i : indices) verts[i].triangleCount++;
    std::uint32_t offset = 0;
    for (VertexState& v : verts) {
        v.firstTriangle = offset;
        offset += v.triangleCount;
        v.remaining = v.triangleCount;
    }
    std::vector<std::uint32_t> vertexTriangles(offset);
    {
        std::vector<std::uint32_t> fill(vertexCount, 0);
        for (std::uint32_t t = 0; t < triCount; ++t)
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t v = indices[3 * t + k];
                vertexTriangles[verts[v].firstTriangle + fill[v]++] = t;
            }
    }
    for (VertexState& v : verts) v.score = vertexScore(v);
    std::vector<bool> emitted(triCount, false);

    std::vector<std::uint32_t> order;
    order.reserve(triCount);
    // Most recent first; three extra slots hold what the last triangle pushed out, to rescore it.
    std::uint32_t cache[kCacheSize + 3];
    std::size_t cached = 0;
    std::uint32_t scanCursor = 0;
    std::int64_t best = -1;
    while (order.size() < triCount) {
        if (best < 0) {
            // Nothing next to the cache is left: start a fresh region at the first triangle not yet
            // emitted (searching the whole tail for the best score each time would be quadratic).
            while (emitted[scanCursor]) ++scanCursor;
            best = scanCursor;
        }
        const auto t = static_cast<std::uint32_t>(best);
        emitted[t] = true;
        order.push_back(t);
        // Move the triangle's vertices to the front of the cache.
        for (int k = 2; k >= 0; --k) {
            const std::uint32_t v = indices[3 * t + k];
            std::size_t at = std::find(cache, cache + cached, v) - cache;
            if (at == cached) ++cached;  // new entry: everything shifts down by one
            for (; at > 0; --at) cache[at] = cache[at - 1];
            cache[0] = v;
            VertexState& vs = verts[v];
            // Drop t from the vertex's remaining triangles.
            auto* list = vertexTriangles.data() + vs.firstTriangle;
            for (std::uint32_t j = 0; j < vs.remaining; ++j)
                if (list[j] == t) {
                    std::swap(list[j], list[vs.remaining - 1]);
                    break;
                }
            vs.remaining--;
        }
        // Rescore everything in (and just pushed out of) the cache, then the triangles they touch.
        for (std::size_t i = 0; i < cached; ++i) {
            VertexState& vs = verts[cache[i]];
            vs.cachePosition = i < static_cast<std::size_t>(kCacheSize) ? static_cast<int>(i) : -1;
            vs.score = vertexScore(vs);
        }
        best = -1;
        float bestScore = -1e30f;
        for (std::size_t i = 0; i < cached; ++i) {
            const VertexState& vs = verts[cache[i]];
            for (std::uint32_t j = 0; j < vs.remaining; ++j) {
                const std::uint32_t tri = vertexTriangles[vs.firstTriangle + j];
                const float s = verts[indices[3 * tri]].score + verts[indices[3 * tri + 1]].score +
                                verts[indices[3 * tri + 2]].score;
                if (s > bestScore) bestScore = s, best = tri;
            }
        }
        cached = std::min<std::size_t>(cached, kCacheSize);
    }
    return order;
}

double averageCacheMissRatio(const std::vector<std::uint32_t>& indices, std::uint32_t cacheSize) {
    if (indices.size() < 3 || cacheSize == 0) return 0.0;
    std::deque<std::uint32_t> fifo;
    std::size_t misses = 0;
    for (std::uint32_t v : indices) {
        if (std::find(fifo.begin(), fifo.end(), v) != fifo.end()) continue;
        ++misses;
        fifo.push_back(v);
        if (fifo.size() > cacheSize) fifo.pop_front();
    }
    return static_cast<double>(misses) / static_cast<double>(indices.size() / 3);
}

}  // namespace vm::d3dx
