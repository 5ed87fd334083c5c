#pragma once
// Accumulates one mesh of the church: flat-shaded faces with planar texture coordinates in world units,
// materials deduplicated by look. Faces are given with the side they face; the builder orders the corners
// so that the front is clockwise on screen (the left-handed convention the renderer culls by).

#include <string>
#include <vector>

#include "platform/d3d/types.h"
#include "platform/d3dx/xfile/x_mesh.h"

namespace vm::church {

using d3d::Vector2;
using d3d::Vector3;

struct Look {
    std::string texture;            // file name in the scene archive; empty for none
    d3d::ColorValue diffuse{1, 1, 1, 1};
    float power = 0;
    d3d::ColorValue specular{0, 0, 0, 1};
    d3d::ColorValue emissive{0, 0, 0, 1};
    float uvScale = 200;            // world units per texture repeat
};

class MeshBuilder {
public:
    // A polygon (3+ corners, planar, convex) whose front faces `facing`.
    void polygon(std::vector<Vector3> corners, Vector3 facing, const Look& look);
    // A polygon with explicit texture coordinates, one per corner.
    void polygonUv(std::vector<Vector3> corners, std::vector<Vector2> uv, Vector3 facing, const Look& look);
    // An axis-aligned box seen from outside; `inside` turns every face inward (a room).
    void box(Vector3 min, Vector3 max, const Look& look, bool inside = false);
    // A surface of revolution about the vertical axis through `base`: profile points are (radius, height),
    // bottom to top; the caps close a zero-free end when wanted.
    void lathe(Vector3 base, const std::vector<Vector2>& profile, int segments, const Look& look,
               bool capBottom = false, bool capTop = true);
    void cylinder(Vector3 base, float radius, float height, int segments, const Look& look);
    // Cone-like shapes and spheres are lathes; a sphere of `radius` centred at `centre`:
    void sphere(Vector3 centre, float radius, int segments, const Look& look);

    bool empty() const noexcept { return mesh_.faceCorners.empty(); }
    d3dx::XMeshData take(const std::string& name);

private:
    std::uint32_t materialFor(const Look& look);
    void emit(const std::vector<Vector3>& corners, const std::vector<Vector2>& uv, Vector3 normal,
              std::uint32_t material);

    d3dx::XMeshData mesh_;
    std::vector<Look> looks_;
};

}  // namespace vm::church
