#pragma once
// Ray casting over a fixed set of triangles for the light-map baker: a bounding volume hierarchy built
// with the surface-area heuristic over binned centroids, closest-hit queries (which surface a texel
// shows) and any-hit queries (is this segment blocked: shadows and occlusion).
//
// Contract:
// - Triangles are double-sided; degenerate ones (zero area) never report a hit, and ones with a corner that
//   is not finite are dropped at construction (triangles() then holds fewer than were given).
// - A hit counts when its distance t along the ray satisfies tMin < t < tMax; the direction need not be
//   unit length (t is then in multiples of it), but must not be zero.
// - The build and every query are deterministic: the same triangles in the same order give the same tree
//   and the same answers, whatever thread asks. Queries are const and safe to run concurrently.
// - closestHit reports the smallest t; when two triangles meet the ray at exactly the same t, the one
//   found first wins, which depends only on the tree, so it is still repeatable.

#include <cstdint>
#include <vector>

#include "church/ray_math.h"

namespace vm::church {

struct Triangle {
    Vec3 a, b, c;
    std::uint32_t tag = 0;  // caller's label, e.g. the index of the object the triangle came from
};

struct Ray {
    Vec3 origin;
    Vec3 direction;
};

struct RayHit {
    float t = 0;
    std::uint32_t triangle = 0;  // index into the caster's triangle list
};

// Möller–Trumbore, both sides. Writes t and returns true when the ray meets the triangle with
// tMin < t < tMax.
bool intersectTriangle(const Ray& ray, const Triangle& tri, float tMin, float tMax, float* t) noexcept;

class RayCaster {
public:
    RayCaster() = default;
    explicit RayCaster(std::vector<Triangle> triangles);

    bool closestHit(const Ray& ray, float tMin, float tMax, RayHit* hit) const noexcept;
    bool anyHit(const Ray& ray, float tMin, float tMax) const noexcept;

    const std::vector<Triangle>& triangles() const noexcept { return triangles_; }
    std::size_t nodeCount() const noexcept { return nodes_.size(); }

private:
    struct Node {
        Vec3 lo, hi;
        std::uint32_t first = 0;  // leaf: first triangle index; inner: index of the left child
        std::uint32_t count = 0;  // leaf: number of triangles (> 0); inner: 0, right child = left + 1
    };
    void build();
    template <bool kAny>
    bool traverse(const Ray& ray, float tMin, float tMax, RayHit* hit) const noexcept;

    struct Packed {
        Vec3 a, e1, e2;  // a corner and the two edges from it, ready for the intersection test
    };
    std::vector<Triangle> triangles_;  // reordered so every leaf's triangles are contiguous
    std::vector<Packed> packed_;       // the same triangles, in the same order
    std::vector<Node> nodes_;
};

}  // namespace vm::church
