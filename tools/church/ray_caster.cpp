#include "church/ray_caster.h"

#include <array>
#include <limits>

namespace vm::church {
namespace {

constexpr int kBins = 16;
constexpr std::uint32_t kLeafSize = 4;     // a node this small is a leaf without asking the heuristic
constexpr std::uint32_t kMaxLeafSize = 16;  // larger nodes always split if any split exists
constexpr int kMaxDepth = 48;               // keeps the traversal stack bounded whatever the input
constexpr int kStackSize = kMaxDepth + 2;

struct Bounds {
    Vec3 lo{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
    Vec3 hi{-std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(), -std::numeric_limits<float>::max()};

    void grow(Vec3 p) {
        lo = min(lo, p);
        hi = max(hi, p);
    }
    void grow(const Bounds& b) {
        lo = min(lo, b.lo);
        hi = max(hi, b.hi);
    }
    bool empty() const { return lo.x > hi.x; }
    float area() const {
        if (empty()) return 0;
        Vec3 d = hi - lo;
        return d.x * d.y + d.y * d.z + d.z * d.x;
    }
};

Bounds triangleBounds(const Triangle& t) {
    Bounds b;
    b.grow(t.a);
    b.grow(t.b);
    b.grow(t.c);
    return b;
}

Vec3 centroid(const Triangle& t) { return (t.a + t.b + t.c) * (1.0f / 3); }

bool finite(const Triangle& t) {
    for (Vec3 p : {t.a, t.b, t.c}) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
    }
    return true;
}

// Bin of a centroid coordinate, clamped before the conversion so no float (however scaled) is cast out of
// the int range.
int binOf(float coordinate, float lo, float binScale) {
    float f = (coordinate - lo) * binScale;
    if (!(f > 0)) return 0;
    return f >= kBins - 1 ? kBins - 1 : static_cast<int>(f);
}

// Entry distance of the ray into the box, or +inf when it misses within (tMin, tMax).
inline float enterBox(Vec3 lo, Vec3 hi, Vec3 origin, Vec3 inv, float tMin, float tMax) {
    float tx0 = (lo.x - origin.x) * inv.x, tx1 = (hi.x - origin.x) * inv.x;
    float ty0 = (lo.y - origin.y) * inv.y, ty1 = (hi.y - origin.y) * inv.y;
    float tz0 = (lo.z - origin.z) * inv.z, tz1 = (hi.z - origin.z) * inv.z;
    float near = std::max({std::min(tx0, tx1), std::min(ty0, ty1), std::min(tz0, tz1), tMin});
    float far = std::min({std::max(tx0, tx1), std::max(ty0, ty1), std::max(tz0, tz1), tMax});
    return near <= far ? near : std::numeric_limits<float>::infinity();
}

// 1/d with zero components replaced by a huge finite value, so the slab test never computes 0 × inf.
inline float safeInverse(float d) {
    constexpr float kTiny = 1e-30f;
    if (std::fabs(d) < kTiny) d = d < 0 ? -kTiny : kTiny;
    return 1 / d;
}

}  // namespace

namespace {

// Möller–Trumbore on a triangle given as a corner and its two edges from that corner.
inline bool intersectEdges(const Ray& ray, Vec3 a, Vec3 e1, Vec3 e2, float tMin, float tMax, float* t) {
    Vec3 p = cross(ray.direction, e2);
    float det = dot(e1, p);
    if (det == 0 || !std::isfinite(det)) return false;  // parallel, or a degenerate triangle
    float inv = 1 / det;
    Vec3 s = ray.origin - a;
    float u = dot(s, p) * inv;
    if (u < 0 || u > 1) return false;
    Vec3 q = cross(s, e1);
    float v = dot(ray.direction, q) * inv;
    if (v < 0 || u + v > 1) return false;
    float d = dot(e2, q) * inv;
    if (!(d > tMin && d < tMax)) return false;
    *t = d;
    return true;
}

}  // namespace

bool intersectTriangle(const Ray& ray, const Triangle& tri, float tMin, float tMax, float* t) noexcept {
    return intersectEdges(ray, tri.a, tri.b - tri.a, tri.c - tri.a, tMin, tMax, t);
}

RayCaster::RayCaster(std::vector<Triangle> triangles) : triangles_(std::move(triangles)) {
    std::erase_if(triangles_, [](const Triangle& t) { return !finite(t); });
    build();
}

void RayCaster::build() {
    nodes_.clear();
    const auto n = static_cast<std::uint32_t>(triangles_.size());
    if (n == 0) return;
    std::vector<Bounds> boxes(n);
    std::vector<Vec3> centres(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        boxes[i] = triangleBounds(triangles_[i]);
        centres[i] = centroid(triangles_[i]);
    }
    // Permutation of triangle indices; each node owns the range [first, first + count).
    std::vector<std::uint32_t> order(n);
    for (std::uint32_t i = 0; i < n; ++i) order[i] = i;

    nodes_.reserve(2 * static_cast<std::size_t>(n));
    nodes_.push_back({});
    nodes_[0].first = 0;
    nodes_[0].count = n;
    struct Pending {
        std::uint32_t node;
        int depth;
    };
    std::vector<Pending> work{{0, 0}};
    while (!work.empty()) {
        Pending job = work.back();
        work.pop_back();
        const std::uint32_t first = nodes_[job.node].first, count = nodes_[job.node].count;
        Bounds box, centreBox;
        for (std::uint32_t i = first; i < first + count; ++i) {
            box.grow(boxes[order[i]]);
            centreBox.grow(centres[order[i]]);
        }
        nodes_[job.node].lo = box.lo;
        nodes_[job.node].hi = box.hi;
        if (count <= kLeafSize || job.depth >= kMaxDepth) continue;

        // Best split over all three axes: bin the centroids, sweep the bin boundaries.
        float bestCost = std::numeric_limits<float>::infinity();
        int bestAxis = -1, bestBin = 0;
        for (int axis = 0; axis < 3; ++axis) {
            float lo = centreBox.lo[axis], hi = centreBox.hi[axis];
            if (!(hi > lo)) continue;
            float binScale = kBins / (hi - lo);
            std::array<Bounds, kBins> bin{};
            std::array<std::uint32_t, kBins> binCount{};
            for (std::uint32_t i = first; i < first + count; ++i) {
                int b = binOf(centres[order[i]][axis], lo, binScale);
                bin[b].grow(boxes[order[i]]);
                ++binCount[b];
            }
            std::array<float, kBins> rightArea{};
            std::array<std::uint32_t, kBins> rightCount{};
            Bounds acc;
            std::uint32_t accCount = 0;
            for (int b = kBins - 1; b > 0; --b) {
                acc.grow(bin[b]);
                accCount += binCount[b];
                rightArea[b] = acc.area();
                rightCount[b] = accCount;
            }
            acc = Bounds{};
            accCount = 0;
            for (int b = 0; b < kBins - 1; ++b) {
                acc.grow(bin[b]);
                accCount += binCount[b];
                if (accCount == 0 || rightCount[b + 1] == 0) continue;
                float cost = acc.area() * static_cast<float>(accCount) + rightArea[b + 1] * static_cast<float>(rightCount[b + 1]);
                if (cost < bestCost) {
                    bestCost = cost;
                    bestAxis = axis;
                    bestBin = b;
                }
            }
        }
        std::uint32_t mid = first;
        if (bestAxis >= 0) {
            const float leafCost = box.area() * static_cast<float>(count);
            if (bestCost >= leafCost && count <= kMaxLeafSize) continue;
            float lo = centreBox.lo[bestAxis], binScale = kBins / (centreBox.hi[bestAxis] - lo);
            auto goesLeft = [&](std::uint32_t tri) {
                return binOf(centres[tri][bestAxis], lo, binScale) <= bestBin;
            };
            // Stable partition keeps the order, and so the tree, independent of anything but the input.
            mid = static_cast<std::uint32_t>(
                std::stable_partition(order.begin() + first, order.begin() + first + count, goesLeft) - order.begin());
        } else {
            // Every centroid in one point: halve the list so the build still ends.
            if (count <= kMaxLeafSize) continue;
            mid = first + count / 2;
        }
        const auto left = static_cast<std::uint32_t>(nodes_.size());
        nodes_.push_back({});
        nodes_.push_back({});
        nodes_[left].first = first;
        nodes_[left].count = mid - first;
        nodes_[left + 1].first = mid;
        nodes_[left + 1].count = first + count - mid;
        nodes_[job.node].first = left;
        nodes_[job.node].count = 0;
        work.push_back({left + 1, job.depth + 1});
        work.push_back({left, job.depth + 1});
    }
    std::vector<Triangle> sorted(n);
    for (std::uint32_t i = 0; i < n; ++i) sorted[i] = triangles_[order[i]];
    triangles_ = std::move(sorted);
    packed_.resize(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const Triangle& t = triangles_[i];
        packed_[i] = {t.a, t.b - t.a, t.c - t.a};
    }
}

template <bool kAny>
bool RayCaster::traverse(const Ray& ray, float tMin, float tMax, RayHit* hit) const noexcept {
    if (nodes_.empty()) return false;
    const Vec3 inv{safeInverse(ray.direction.x), safeInverse(ray.direction.y), safeInverse(ray.direction.z)};
    std::array<std::uint32_t, kStackSize> stack{};
    int top = 0;
    if (enterBox(nodes_[0].lo, nodes_[0].hi, ray.origin, inv, tMin, tMax) == std::numeric_limits<float>::infinity()) {
        return false;
    }
    stack[top++] = 0;
    bool found = false;
    float best = tMax;
    while (top > 0) {
        const Node& node = nodes_[stack[--top]];
        if (node.count > 0) {
            for (std::uint32_t i = node.first; i < node.first + node.count; ++i) {
                float t;
                const Packed& tri = packed_[i];
                if (intersectEdges(ray, tri.a, tri.e1, tri.e2, tMin, best, &t)) {
                    if constexpr (kAny) return true;
                    best = t;
                    hit->t = t;
                    hit->triangle = i;
                    found = true;
                }
            }
            continue;
        }
        const Node& l = nodes_[node.first];
        const Node& r = nodes_[node.first + 1];
        float tl = enterBox(l.lo, l.hi, ray.origin, inv, tMin, best);
        float tr = enterBox(r.lo, r.hi, ray.origin, inv, tMin, best);
        constexpr float kMiss = std::numeric_limits<float>::infinity();
        // Push the farther child first so the nearer one is searched first and shrinks `best` early.
        if (tl <= tr) {
            if (tr != kMiss) stack[top++] = node.first + 1;
            if (tl != kMiss) stack[top++] = node.first;
        } else {
            if (tl != kMiss) stack[top++] = node.first;
            if (tr != kMiss) stack[top++] = node.first + 1;
        }
    }
    return found;
}

bool RayCaster::closestHit(const Ray& ray, float tMin, float tMax, RayHit* hit) const noexcept {
    return traverse<false>(ray, tMin, tMax, hit);
}

bool RayCaster::anyHit(const Ray& ray, float tMin, float tMax) const noexcept {
    return traverse<true>(ray, tMin, tMax, nullptr);
}

}  // namespace vm::church
