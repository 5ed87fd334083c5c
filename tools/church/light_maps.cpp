#include "church/light_maps.h"

#include <algorithm>
#include <numbers>

#include "platform/d3dx/math.h"

namespace vm::church {
namespace {

using d3d::Vector3;
namespace dx = d3dx;

const ChurchObject* find(const std::vector<ChurchObject>& church, const std::string& name) {
    for (const ChurchObject& o : church) {
        if (o.name == name) return &o;
    }
    return nullptr;
}

float meshHeight(const ChurchObject& o) {
    if (o.mesh.positions.empty()) return 0;
    float lo = o.mesh.positions.front().y, hi = lo;
    for (const Vector3& p : o.mesh.positions) {
        lo = std::min(lo, p.y);
        hi = std::max(hi, p.y);
    }
    return hi - lo;
}

// Centre of the object's world-space bounding box.
Vec3 worldCentre(const ChurchObject& o) {
    if (o.mesh.positions.empty()) return dx::transformCoord({0, 0, 0}, o.matrix);
    Vec3 lo = dx::transformCoord(o.mesh.positions.front(), o.matrix), hi = lo;
    for (const Vector3& p : o.mesh.positions) {
        Vec3 w = dx::transformCoord(p, o.matrix);
        lo = min(lo, w);
        hi = max(hi, w);
    }
    return (lo + hi) * 0.5f;
}

// Window panes let the moonlight in and lamp glasses are light sources: neither casts shadows. Candle
// holders do not either: the dish and cups right under the flames would black out the middle of every
// candle's pool of light, and their thin stems cast next to nothing elsewhere.
bool castsShadow(const std::string& name) {
    if (name.find("Wall_Lamp") != std::string::npos || name.rfind("Candle", 0) == 0) return false;
    return name.find("Glass") == std::string::npos || name == "Big_Round_Glass";  // that one is stone tracery
}

Vec3 tone(Vec3 c) {
    // Filmic shoulder: bright pools near the candles saturate gently instead of clipping.
    auto t = [](float v) { return v / (1 + 0.35f * v) * 1.2f; };
    return {t(c.x), t(c.y), t(c.z)};
}

}  // namespace

std::vector<std::vector<Vector3>> flameClusters(const std::vector<ChurchObject>& church) {
    std::vector<std::vector<Vector3>> out;
    auto turn = [](const std::string& name) {
        if (name.find("12") != std::string::npos || name.find("13") != std::string::npos) return dx::rotationY(std::numbers::pi_v<float> / 2);
        if (name.find("16") != std::string::npos) return dx::rotationY(0.6981317f);
        if (name.find("17") != std::string::npos) return dx::rotationY(-0.6981317f);
        return dx::identity();
    };
    const Vector3 offsets[4] = {{0, 0, 6.5f}, {0, 0, -6.5f}, {0, -12, 15}, {0, -12, -15}};
    for (const ChurchObject& o : church) {
        bool single = o.name.rfind("Candle0", 0) == 0 || o.name == "CandleStick14" || o.name == "CandleStick15";
        float h = meshHeight(o);
        if (o.name.rfind("CandleStick", 0) == 0 && !single) {
            std::vector<Vector3> flames;
            for (const Vector3& off : offsets) {
                flames.push_back(dx::transformCoord({off.x, off.y + h, off.z}, dx::multiply(turn(o.name), o.matrix)));
            }
            out.push_back(std::move(flames));
        } else if (single) {
            out.push_back({dx::transformCoord({0, h, 0}, o.matrix)});
        }
    }
    return out;
}

std::vector<Vector3> flamePositions(const std::vector<ChurchObject>& church) {
    std::vector<Vector3> out;
    for (const auto& cluster : flameClusters(church)) out.insert(out.end(), cluster.begin(), cluster.end());
    return out;
}

BakeScene churchBakeScene(const std::vector<ChurchObject>& church) {
    BakeScene scene;
    std::vector<Triangle> casters;
    for (std::size_t i = 0; i < church.size(); ++i) {
        if (castsShadow(church[i].name)) appendTriangles(church[i], static_cast<std::uint32_t>(i), casters);
    }
    scene.occluders = RayCaster(std::move(casters));

    for (const auto& cluster : flameClusters(church)) {
        BakeLight l;
        // The glowing part of a flame stands about 4 units above its wick.
        for (const Vector3& f : cluster) l.bodies.push_back(Vec3(f) + Vec3{0, 4, 0});
        l.radius = 3;
        l.colour = {0.26f, 0.16f, 0.07f};
        l.reach = 170;
        scene.lights.push_back(std::move(l));
    }
    for (const ChurchObject& o : church) {
        if (o.name.rfind("Wall_Lamp", 0) != 0) continue;
        scene.lights.push_back({{worldCentre(o)}, 9, {0.45f, 0.3f, 0.13f}, 240});
    }
    // Moonlight falling through the apse windows and the round window: broad, so its shadows are soft.
    scene.lights.push_back({{{-400, 700, 1900}}, 60, {0.25f, 0.3f, 0.45f}, 700});
    scene.lights.push_back({{{-395, 983, 1400}}, 40, {0.3f, 0.25f, 0.3f}, 500});
    scene.ambient = {0.07f, 0.075f, 0.1f};  // moonlight and sky through the windows
    scene.interior = {-400, 500, 600};      // mid-nave, below every ceiling
    scene.occlusionDistance = 250;          // about a bay's depth: pews, columns and corners, not the hall
    return scene;
}

std::vector<LightMapSurface> churchLightMapSurfaces(const std::vector<ChurchObject>& church) {
    auto group = [&](std::initializer_list<const char*> parts) {
        std::vector<const ChurchObject*> out;
        for (const ChurchObject& o : church) {
            for (const char* part : parts) {
                if (o.name.find(part) != std::string::npos) {
                    out.push_back(&o);
                    break;
                }
            }
        }
        return out;
    };
    return {
        {"floor_light.jpg", 512, 512, {find(church, "Floor14"), 2, {1, 1, 0.97f}, {0, 0, -30}}, {find(church, "Floor14")}},
        {"altar_floor_light.jpg", 256, 256, {find(church, "Altar_Floor"), 0}, {find(church, "Altar_Floor")}},
        {"altar_wall_light.jpg", 256, 256, {find(church, "Altar_Ceil"), 1}, {find(church, "Altar_Ceil")}},
        {"front_wall_light.jpg", 512, 256, {find(church, "wall_front"), 1},
         group({"wall_front", "Cylinder10", "Object01", "ceil_trims"})},
        {"ceiling_light.jpg", 256, 256, {find(church, "Ceiling"), 0}, {find(church, "Ceiling"), find(church, "Ceil_Fresco")}},
    };
}

std::vector<TextureFile> bakeLightMaps(const std::vector<ChurchObject>& church, int threads) {
    const std::vector<LightMapSurface> all = churchLightMapSurfaces(church);
    // A surface whose reference part is missing has nothing to project onto: it gets a plain dim map.
    std::vector<LightMapSurface> baked;
    for (const LightMapSurface& s : all) {
        if (s.projection.reference) baked.push_back(s);
    }
    std::vector<pictures::Image> images = bakeSurfaces(baked, churchBakeScene(church), threads);

    std::vector<TextureFile> out;
    std::size_t next = 0;
    for (const LightMapSurface& s : all) {
        pictures::Image image(s.width, s.height, {0.2f, 0.2f, 0.24f, 1});
        if (s.projection.reference) image = std::move(images[next++]);
        for (pictures::Rgba& px : image.pixels) {
            Vec3 c = tone({px.r, px.g, px.b});
            px = {c.x, c.y, c.z, 1};
        }
        out.push_back({s.file, pictures::encodeJpeg(image, 90)});
    }
    return out;
}

}  // namespace vm::church
