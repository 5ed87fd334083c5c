// The camera tracks against the church model itself: every eye position playback can reach keeps
// the near plane plus a margin away from every triangle of church11.X, in world space.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "media_support.h"
#include "track_clearance.h"
#include "platform/d3dx/xfile/x_mesh.h"
#include "platform/d3dx/xfile/xfile.h"
#include "tracks/hall_frame.h"
#include "tracks/track_design.h"

namespace vm::media_test {
namespace {

using tracks::Vec3;

Vec3 sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 madd(Vec3 a, Vec3 d, float k) { return {a.x + d.x * k, a.y + d.y * k, a.z + d.z * k}; }

struct Triangle {
    Vec3 a, b, c;
};

// Closest point on a triangle to p, by the Voronoi regions of its corners and edges.
float distanceToTriangle(const Vec3& p, const Triangle& t)
{
    const Vec3 ab = sub(t.b, t.a), ac = sub(t.c, t.a), ap = sub(p, t.a);
    const float d1 = dot(ab, ap), d2 = dot(ac, ap);
    Vec3 q;
    if (d1 <= 0 && d2 <= 0) {
        q = t.a;
    } else {
        const Vec3 bp = sub(p, t.b);
        const float d3 = dot(ab, bp), d4 = dot(ac, bp);
        const Vec3 cp = sub(p, t.c);
        const float d5 = dot(ab, cp), d6 = dot(ac, cp);
        const float vc = d1 * d4 - d3 * d2, vb = d5 * d2 - d1 * d6, va = d3 * d6 - d5 * d4;
        if (d3 >= 0 && d4 <= d3)
            q = t.b;
        else if (d6 >= 0 && d5 <= d6)
            q = t.c;
        else if (vc <= 0 && d1 >= 0 && d3 <= 0)
            q = madd(t.a, ab, d1 / (d1 - d3));
        else if (vb <= 0 && d2 >= 0 && d6 <= 0)
            q = madd(t.a, ac, d2 / (d2 - d6));
        else if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
            q = madd(t.b, sub(t.c, t.b), (d4 - d3) / ((d4 - d3) + (d5 - d6)));
        else {
            const float denom = 1.0f / (va + vb + vc);
            q = madd(madd(t.a, ab, vb * denom), ac, vc * denom);
        }
    }
    const Vec3 d = sub(p, q);
    return std::sqrt(dot(d, d));
}

d3d::Matrix multiply(const d3d::Matrix& a, const d3d::Matrix& b)
{
    d3d::Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = 0;
            for (int k = 0; k < 4; ++k)
                r.m[i][j] += a.m[i][k] * b.m[k][j];
        }
    return r;
}

Vec3 transform(const d3d::Vector3& v, const d3d::Matrix& m)
{
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + m.m[3][0],
            v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + m.m[3][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + m.m[3][2]};
}

// Frames nest; a frame's matrix applies before its parent's (row vectors: local x parent).
void collect(const d3dx::XDataObject& object, const d3d::Matrix& parent, std::vector<Triangle>& out)
{
    if (object.type == "Mesh") {
        d3dx::XMeshData mesh;
        ASSERT_EQ(d3dx::readMeshData(object, mesh), d3dx::XResult::Ok) << object.name;
        size_t at = 0;
        for (uint32_t corners : mesh.faceCorners) {
            for (uint32_t k = 1; k + 1 < corners; ++k)
                out.push_back({transform(mesh.positions[mesh.faceIndices[at]], parent),
                               transform(mesh.positions[mesh.faceIndices[at + k]], parent),
                               transform(mesh.positions[mesh.faceIndices[at + k + 1]], parent)});
            at += corners;
        }
        return;
    }
    if (object.type != "Frame")
        return;
    d3d::Matrix local;
    for (const auto& child : object.children)
        if (child.object && child.object->type == "FrameTransformMatrix") {
            d3dx::XDataCursor c(*child.object);
            for (auto& row : local.m)
                for (float& v : row)
                    v = c.f32();
            ASSERT_FALSE(c.failed());
        }
    const d3d::Matrix combined = multiply(local, parent);
    for (const auto& child : object.children)
        if (child.object)
            collect(*child.object, combined, out);
}

// Triangles bucketed by the grid cells their bounds touch, so each eye sample only meets its neighbours.
class TriangleGrid {
public:
    static constexpr float kCell = 64.0f;

    explicit TriangleGrid(const std::vector<Triangle>& tris) : tris_(tris)
    {
        for (size_t i = 0; i < tris.size(); ++i) {
            const Triangle& t = tris[i];
            const int x0 = cell(std::min({t.a.x, t.b.x, t.c.x})), x1 = cell(std::max({t.a.x, t.b.x, t.c.x}));
            const int y0 = cell(std::min({t.a.y, t.b.y, t.c.y})), y1 = cell(std::max({t.a.y, t.b.y, t.c.y}));
            const int z0 = cell(std::min({t.a.z, t.b.z, t.c.z})), z1 = cell(std::max({t.a.z, t.b.z, t.c.z}));
            for (int x = x0; x <= x1; ++x)
                for (int y = y0; y <= y1; ++y)
                    for (int z = z0; z <= z1; ++z)
                        cells_[key(x, y, z)].push_back(static_cast<uint32_t>(i));
        }
    }

    // Nearest triangle distance, exact up to kCell (beyond that it may report kCell).
    float nearest(const Vec3& p) const
    {
        float best = kCell;
        const int cx = cell(p.x), cy = cell(p.y), cz = cell(p.z);
        for (int x = cx - 1; x <= cx + 1; ++x)
            for (int y = cy - 1; y <= cy + 1; ++y)
                for (int z = cz - 1; z <= cz + 1; ++z) {
                    const auto it = cells_.find(key(x, y, z));
                    if (it == cells_.end())
                        continue;
                    for (uint32_t i : it->second)
                        best = std::min(best, distanceToTriangle(p, tris_[i]));
                }
        return best;
    }

private:
    static int cell(float v) { return static_cast<int>(std::floor(v / kCell)); }
    static int64_t key(int x, int y, int z)
    {
        return (static_cast<int64_t>(x + 1024) << 40) | (static_cast<int64_t>(y + 1024) << 20) | (z + 1024);
    }

    const std::vector<Triangle>& tris_;
    std::unordered_map<int64_t, std::vector<uint32_t>> cells_;
};

TEST(CameraTracksOnModel, EveryTrackKeepsClearOfTheChurch)
{
    const auto bytes = readFileBytes(genDir() + "/church/church11.X");
    if (!bytes)
        GTEST_SKIP() << "the church has not been built into " << genDir() << "/church (no church11.X)";
    d3dx::XFile file;
    d3dx::XReadError error;
    ASSERT_EQ(d3dx::readXFile(*bytes, file, &error), d3dx::XResult::Ok) << error.message;
    std::vector<Triangle> tris;
    for (const auto& object : file.objects)
        collect(*object, d3d::Matrix{}, tris);
    ASSERT_FALSE(tris.empty());
    const TriangleGrid grid(tris);

    expectEveryTrackKeepsClear([&](Vec3 eye) { return grid.nearest(eye); });
}

}  // namespace
}  // namespace vm::media_test
