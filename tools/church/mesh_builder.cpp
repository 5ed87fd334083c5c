#include "church/mesh_builder.h"

#include <cmath>
#include <numbers>

#include "platform/d3dx/math.h"

namespace vm::church {
namespace {

using d3dx::add;
using d3dx::cross;
using d3dx::dot;
using d3dx::normalize;
using d3dx::subtract;

bool sameLook(const Look& a, const Look& b) {
    auto same = [](const d3d::ColorValue& x, const d3d::ColorValue& y) {
        return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
    };
    return a.texture == b.texture && same(a.diffuse, b.diffuse) && a.power == b.power &&
           same(a.specular, b.specular) && same(a.emissive, b.emissive);
}

// Planar mapping in world units: walls run u along the wall and v downward, floors and ceilings map x/z.
Vector2 planarUv(Vector3 p, Vector3 n, float scale) {
    float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (ay >= ax && ay >= az) return {p.x / scale, -p.z / scale};
    if (ax >= az) return {(n.x > 0 ? -p.z : p.z) / scale, -p.y / scale};
    return {(n.z > 0 ? p.x : -p.x) / scale, -p.y / scale};
}

}  // namespace

std::uint32_t MeshBuilder::materialFor(const Look& look) {
    for (std::size_t i = 0; i < looks_.size(); ++i) {
        if (sameLook(looks_[i], look)) return static_cast<std::uint32_t>(i);
    }
    looks_.push_back(look);
    d3dx::XMaterial m;
    m.diffuse = look.diffuse;
    m.power = look.power;
    m.specular = look.specular;
    m.emissive = look.emissive;
    m.textureFilename = look.texture;
    mesh_.materials.push_back(m);
    return static_cast<std::uint32_t>(looks_.size() - 1);
}

void MeshBuilder::emit(const std::vector<Vector3>& corners, const std::vector<Vector2>& uv, Vector3 normal,
                       std::uint32_t material) {
    auto base = static_cast<std::uint32_t>(mesh_.positions.size());
    // Clockwise on screen seen from the front: cross(p1 - p0, p2 - p0) points at the viewer.
    Vector3 n = cross(subtract(corners[1], corners[0]), subtract(corners[2], corners[0]));
    bool reverse = dot(n, normal) < 0;
    std::size_t count = corners.size();
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t k = reverse ? count - 1 - i : i;
        mesh_.positions.push_back(corners[k]);
        mesh_.normals.push_back(normal);
        mesh_.texCoords.push_back(uv[k]);
    }
    mesh_.faceCorners.push_back(static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        mesh_.faceIndices.push_back(base + static_cast<std::uint32_t>(i));
        mesh_.normalFaceIndices.push_back(base + static_cast<std::uint32_t>(i));
    }
    mesh_.faceMaterials.push_back(material);
}

void MeshBuilder::polygon(std::vector<Vector3> corners, Vector3 facing, const Look& look) {
    Vector3 n = normalize(facing);
    std::vector<Vector2> uv;
    uv.reserve(corners.size());
    for (const Vector3& p : corners) uv.push_back(planarUv(p, n, look.uvScale));
    emit(corners, uv, n, materialFor(look));
}

void MeshBuilder::polygonUv(std::vector<Vector3> corners, std::vector<Vector2> uv, Vector3 facing, const Look& look) {
    emit(corners, uv, normalize(facing), materialFor(look));
}

void MeshBuilder::box(Vector3 lo, Vector3 hi, const Look& look, bool inside) {
    float s = inside ? -1.0f : 1.0f;
    auto P = [](float x, float y, float z) { return Vector3{x, y, z}; };
    polygon({P(lo.x, lo.y, lo.z), P(lo.x, hi.y, lo.z), P(hi.x, hi.y, lo.z), P(hi.x, lo.y, lo.z)}, {0, 0, -s}, look);
    polygon({P(lo.x, lo.y, hi.z), P(lo.x, hi.y, hi.z), P(hi.x, hi.y, hi.z), P(hi.x, lo.y, hi.z)}, {0, 0, s}, look);
    polygon({P(lo.x, lo.y, lo.z), P(lo.x, hi.y, lo.z), P(lo.x, hi.y, hi.z), P(lo.x, lo.y, hi.z)}, {-s, 0, 0}, look);
    polygon({P(hi.x, lo.y, lo.z), P(hi.x, hi.y, lo.z), P(hi.x, hi.y, hi.z), P(hi.x, lo.y, hi.z)}, {s, 0, 0}, look);
    polygon({P(lo.x, hi.y, lo.z), P(hi.x, hi.y, lo.z), P(hi.x, hi.y, hi.z), P(lo.x, hi.y, hi.z)}, {0, s, 0}, look);
    polygon({P(lo.x, lo.y, lo.z), P(hi.x, lo.y, lo.z), P(hi.x, lo.y, hi.z), P(lo.x, lo.y, hi.z)}, {0, -s, 0}, look);
}

void MeshBuilder::lathe(Vector3 base, const std::vector<Vector2>& profile, int segments, const Look& look,
                        bool capBottom, bool capTop) {
    std::uint32_t material = materialFor(look);
    const float step = 2 * std::numbers::pi_v<float> / static_cast<float>(segments);
    auto at = [&](Vector2 rh, int i) {
        float a = step * static_cast<float>(i);
        return Vector3{base.x + rh.x * std::cos(a), base.y + rh.y, base.z + rh.x * std::sin(a)};
    };
    for (std::size_t k = 0; k + 1 < profile.size(); ++k) {
        Vector2 a = profile[k], b = profile[k + 1];
        // Profile slope gives the normal's vertical part; smooth normals around, flat along the profile.
        float dr = b.x - a.x, dh = b.y - a.y;
        for (int i = 0; i < segments; ++i) {
            std::vector<Vector3> quad{at(a, i), at(b, i), at(b, i + 1), at(a, i + 1)};
            float mid = step * (static_cast<float>(i) + 0.5f);
            Vector3 n = normalize({std::cos(mid) * dh, -dr, std::sin(mid) * dh});
            if (dh == 0 && dr == 0) continue;
            float u0 = static_cast<float>(i) / static_cast<float>(segments);
            float u1 = static_cast<float>(i + 1) / static_cast<float>(segments);
            float v0 = -a.y / look.uvScale, v1 = -b.y / look.uvScale;
            std::vector<Vector2> uv{{u0, v0}, {u0, v1}, {u1, v1}, {u1, v0}};
            if (a.x == 0) {  // apex at the bottom
                emit({quad[0], quad[1], quad[2]}, {uv[0], uv[1], uv[2]}, n, material);
            } else if (b.x == 0) {  // apex at the top
                emit({quad[0], quad[1], quad[3]}, {uv[0], uv[1], uv[3]}, n, material);
            } else {
                emit(quad, uv, n, material);
            }
        }
    }
    auto cap = [&](Vector2 rh, Vector3 n) {
        if (rh.x <= 0) return;
        std::vector<Vector3> ring;
        for (int i = 0; i < segments; ++i) ring.push_back(at(rh, i));
        polygon(ring, n, look);
    };
    if (capBottom) cap(profile.front(), {0, -1, 0});
    if (capTop) cap(profile.back(), {0, 1, 0});
}

void MeshBuilder::cylinder(Vector3 base, float radius, float height, int segments, const Look& look) {
    lathe(base, {{radius, 0}, {radius, height}}, segments, look, false, true);
}

void MeshBuilder::sphere(Vector3 centre, float radius, int segments, const Look& look) {
    std::vector<Vector2> profile;
    int rings = segments / 2;
    for (int k = 0; k <= rings; ++k) {
        float a = -std::numbers::pi_v<float> / 2 + std::numbers::pi_v<float> * static_cast<float>(k) / static_cast<float>(rings);
        profile.push_back({radius * std::cos(a), radius * std::sin(a) + radius});
    }
    profile.front().x = 0;
    profile.back().x = 0;
    lathe({centre.x, centre.y - radius, centre.z}, profile, segments, look, false, false);
}

d3dx::XMeshData MeshBuilder::take(const std::string& name) {
    d3dx::XMeshData out = std::move(mesh_);
    out.name = name;
    mesh_ = {};
    looks_.clear();
    return out;
}

}  // namespace vm::church
