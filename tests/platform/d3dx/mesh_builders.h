#pragma once
// Meshes built in tests: positions (plus optional extras) and triangles, filled through the locks the
// way the X-file loader fills them.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/d3dx/mesh.h"

namespace vm::d3dx::testing {

struct Tri {
    std::uint32_t a, b, c, attrib;
};

// Format xyz | normal | tex1; the normal holds (i, 0, 0) and the texture (i, -i) so every vertex is
// recognisable after reordering.
inline std::unique_ptr<Mesh> makeMesh(const std::vector<d3d::Vector3>& positions, const std::vector<Tri>& tris,
                                      std::uint32_t options = 0) {
    std::unique_ptr<Mesh> mesh;
    const std::uint32_t format = fvf::kXyz | fvf::kNormal | fvf::kTex1;
    EXPECT_EQ(Mesh::Create(static_cast<std::uint32_t>(tris.size()), static_cast<std::uint32_t>(positions.size()),
                           options, format, mesh),
              kOk);
    if (!mesh) return nullptr;
    void* vb = nullptr;
    void* ib = nullptr;
    std::uint32_t* ab = nullptr;
    EXPECT_EQ(mesh->LockVertexBuffer(0, &vb), kOk);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const float v[8] = {positions[i].x, positions[i].y, positions[i].z, static_cast<float>(i), 0, 0,
                            static_cast<float>(i), -static_cast<float>(i)};
        std::memcpy(static_cast<std::uint8_t*>(vb) + 32 * i, v, 32);
    }
    mesh->UnlockVertexBuffer();
    mesh->LockIndexBuffer(0, &ib);
    mesh->LockAttributeBuffer(0, &ab);
    for (std::size_t f = 0; f < tris.size(); ++f) {
        const std::uint32_t idx[3] = {tris[f].a, tris[f].b, tris[f].c};
        for (int k = 0; k < 3; ++k) {
            if (options & meshopt::k32Bit)
                std::memcpy(static_cast<std::uint8_t*>(ib) + 4 * (3 * f + k), &idx[k], 4);
            else {
                const auto s = static_cast<std::uint16_t>(idx[k]);
                std::memcpy(static_cast<std::uint8_t*>(ib) + 2 * (3 * f + k), &s, 2);
            }
        }
        ab[f] = tris[f].attrib;
    }
    mesh->UnlockAttributeBuffer();
    mesh->UnlockIndexBuffer();
    return mesh;
}

// n × n quads of two triangles each, vertices shared, in row order.
inline std::unique_ptr<Mesh> makeGrid(std::uint32_t n, std::uint32_t options = 0) {
    std::vector<d3d::Vector3> p;
    for (std::uint32_t y = 0; y <= n; ++y)
        for (std::uint32_t x = 0; x <= n; ++x) p.push_back({static_cast<float>(x), 0, static_cast<float>(y)});
    std::vector<Tri> t;
    for (std::uint32_t y = 0; y < n; ++y)
        for (std::uint32_t x = 0; x < n; ++x) {
            const std::uint32_t i = y * (n + 1) + x;
            t.push_back({i, i + n + 1, i + 1, 0});
            t.push_back({i + 1, i + n + 1, i + n + 2, 0});
        }
    return makeMesh(p, t, options);
}

}  // namespace vm::d3dx::testing
