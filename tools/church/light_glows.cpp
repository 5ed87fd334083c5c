// lights.X: the additive glow geometry. The scene draws only the first four objects, each under its own
// world matrix, so the meshes are modelled about the origin:
//   layer 0  a light shaft leaving a window along +z (apse windows, organ window)
//   layer 1  the glow of the round window over the apse arch, facing the nave (-z)
//   layer 2  the glow in the entrance door, facing the nave (+z), with its spill on the floor
//   layer 3  a coloured shaft leaving a clerestory window along -x (mirrored for the other side)
#include "church/church_model.h"
#include "church/looks.h"

namespace vm::church {
namespace {

using d3d::Vector3;

Look glow(const char* texture) {
    Look l;
    l.texture = texture;
    l.uvScale = 1;
    return l;
}

// Four faces of a widening beam from a w x h opening at `from`, running along `dir` for `length`.
void beam(MeshBuilder& b, Vector3 from, Vector3 across, Vector3 up, Vector3 dir, float length, float spread,
          const Look& look) {
    auto at = [&](float s, float a, float u) {
        float widen = 1 + spread * s;
        return Vector3{from.x + dir.x * length * s + (across.x * a + up.x * u) * widen,
                       from.y + dir.y * length * s + (across.y * a + up.y * u) * widen,
                       from.z + dir.z * length * s + (across.z * a + up.z * u) * widen};
    };
    const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
    for (int i = 0; i < 4; ++i) {
        const float* c0 = corners[i];
        const float* c1 = corners[(i + 1) % 4];
        Vector3 facing{across.x * (c0[0] + c1[0]) + up.x * (c0[1] + c1[1]), across.y * (c0[0] + c1[0]) + up.y * (c0[1] + c1[1]),
                       across.z * (c0[0] + c1[0]) + up.z * (c0[1] + c1[1])};
        b.polygonUv({at(0, c0[0], c0[1]), at(1, c0[0], c0[1]), at(1, c1[0], c1[1]), at(0, c1[0], c1[1])},
                    {{0, 0}, {0, 1}, {1, 1}, {1, 0}}, facing, look);
    }
    // A middle sheet, so the beam reads from the side as well as from inside.
    b.polygonUv({at(0, -1, 0), at(1, -1, 0), at(1, 1, 0), at(0, 1, 0)}, {{0, 0}, {0, 1}, {1, 1}, {1, 0}}, up, look);
}

void card(MeshBuilder& b, Vector3 c, Vector3 right, Vector3 up, Vector3 n, const Look& look) {
    auto P = [&](float a, float u) {
        return Vector3{c.x + right.x * a + up.x * u, c.y + right.y * a + up.y * u, c.z + right.z * a + up.z * u};
    };
    b.polygonUv({P(-1, -1), P(-1, 1), P(1, 1), P(1, -1)}, {{0, 1}, {0, 0}, {1, 0}, {1, 1}}, n, look);
}

}  // namespace

std::vector<ChurchObject> buildLightGlows() {
    MeshBuilder b;
    std::vector<ChurchObject> layers;
    auto put = [&](const char* name) { layers.push_back({name, {}, b.take(name)}); };

    beam(b, {0, 0, 0}, {60, 0, 0}, {0, 150, 0}, {0, -0.45f, 1}, 700, 0.8f, glow("glow_shaft.jpg"));
    put("Glow_Layer0");
    card(b, {0, 0, -6}, {170, 0, 0}, {0, 170, 0}, {0, 0, -1}, glow("glow_round.jpg"));
    beam(b, {0, 0, -6}, {80, 0, 0}, {0, 80, 0}, {0, -0.6f, -1}, 600, 1.2f, glow("glow_round_shaft.jpg"));
    put("Glow_Layer1");
    card(b, {0, 0, 4}, {190, 0, 0}, {0, 250, 0}, {0, 0, 1}, glow("glow_door.jpg"));
    b.polygonUv({{-200, -244, 2}, {-320, -244, 420}, {320, -244, 420}, {200, -244, 2}}, {{0, 0}, {0, 1}, {1, 1}, {1, 0}},
                {0, 1, 0}, glow("glow_shaft.jpg"));
    put("Glow_Layer2");
    beam(b, {0, 0, 0}, {0, 0, 34}, {0, 140, 0}, {-1, -0.55f, 0}, 420, 0.5f, glow("glow_stained.jpg"));
    put("Glow_Layer3");

    // The file holds every layer twice; the copies are never drawn.
    for (int i = 0; i < 4; ++i) {
        ChurchObject copy = layers[static_cast<std::size_t>(i)];
        copy.name += "_copy";
        copy.mesh.name = copy.name;
        layers.push_back(std::move(copy));
    }
    return layers;
}

}  // namespace vm::church
