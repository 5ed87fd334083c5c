#include "church/light_maps.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>

#include "platform/d3dx/math.h"

namespace vm::church {
namespace {

using d3d::Vector2;
using d3d::Vector3;
namespace dx = d3dx;

struct Box {
    Vector3 min{1e30f, 1e30f, 1e30f}, max{-1e30f, -1e30f, -1e30f};
};

Box meshBox(const d3dx::XMeshData& mesh) {
    Box b;
    for (const Vector3& p : mesh.positions) {
        b.min = {std::min(b.min.x, p.x), std::min(b.min.y, p.y), std::min(b.min.z, p.z)};
        b.max = {std::max(b.max.x, p.x), std::max(b.max.y, p.y), std::max(b.max.z, p.z)};
    }
    return b;
}

const ChurchObject* find(const std::vector<ChurchObject>& church, const std::string& name) {
    for (const ChurchObject& o : church) {
        if (o.name == name) return &o;
    }
    return nullptr;
}

struct Light {
    Vector3 position;
    Vector3 colour;  // intensity at the reference distance
    float reach;     // distance at which the light falls to half
};

struct Surface {
    const char* file;
    int width, height;
    Projection projection;
    std::vector<const ChurchObject*> objects;
};

Vector3 lightAt(Vector3 p, Vector3 n, const std::vector<Light>& lights) {
    Vector3 sum{0.07f, 0.075f, 0.1f};  // moonlight and sky through the windows
    for (const Light& l : lights) {
        Vector3 d = dx::subtract(l.position, p);
        float dist2 = dx::dot(d, d);
        // Past five reaches a light adds under 4 % of its strength: not worth the time.
        if (dist2 > 25 * l.reach * l.reach) continue;
        float dist = std::sqrt(dist2);
        if (dist < 1e-3f) continue;
        float lambert = std::max(0.0f, dx::dot(n, dx::scale(d, 1 / dist)));
        // Soft wrap so surfaces seen edge-on still catch a little candle light.
        lambert = 0.2f + 0.8f * lambert;
        float falloff = 1 / (1 + (dist / l.reach) * (dist / l.reach));
        sum = dx::add(sum, dx::scale(l.colour, lambert * falloff));
    }
    return sum;
}

void bakeOne(const Surface& s, const std::vector<Light>& lights, Image& out) {
    const int w = s.width, h = s.height;
    std::vector<Vector3> acc(static_cast<std::size_t>(w * h), {0, 0, 0});
    std::vector<int> count(static_cast<std::size_t>(w * h), 0);
    Box box = meshBox(s.projection.reference->mesh);
    Vector3 size = dx::subtract(box.max, box.min);
    float texel = std::max({size.x, size.y, size.z}) / static_cast<float>(std::max(w, h));
    for (const ChurchObject* o : s.objects) {
        const auto& m = o->mesh;
        std::size_t corner = 0;
        for (std::uint32_t faceCorners : m.faceCorners) {
            for (std::uint32_t k = 1; k + 1 < faceCorners; ++k) {
                Vector3 a = dx::transformCoord(m.positions[m.faceIndices[corner]], o->matrix);
                Vector3 b = dx::transformCoord(m.positions[m.faceIndices[corner + k]], o->matrix);
                Vector3 c = dx::transformCoord(m.positions[m.faceIndices[corner + k + 1]], o->matrix);
                Vector3 n = dx::normalize(dx::transformNormal(m.normals[m.normalFaceIndices[corner]], o->matrix));
                float edge = std::max({dx::length(dx::subtract(b, a)), dx::length(dx::subtract(c, a)), dx::length(dx::subtract(c, b))});
                int steps = std::clamp(static_cast<int>(edge / (texel * 0.7f)) + 1, 1, 4096);
                for (int i = 0; i <= steps; ++i) {
                    for (int j = 0; i + j <= steps; ++j) {
                        float fi = static_cast<float>(i) / static_cast<float>(steps);
                        float fj = static_cast<float>(j) / static_cast<float>(steps);
                        Vector3 p = dx::add(a, dx::add(dx::scale(dx::subtract(b, a), fi), dx::scale(dx::subtract(c, a), fj)));
                        Vector2 uv = projectPoint(s.projection, p);
                        int x = static_cast<int>(std::floor(uv.x * static_cast<float>(w)));
                        int y = static_cast<int>(std::floor(uv.y * static_cast<float>(h)));
                        if (x < 0 || y < 0 || x >= w || y >= h) continue;
                        std::size_t idx = static_cast<std::size_t>(y * w + x);
                        acc[idx] = dx::add(acc[idx], lightAt(dx::add(p, dx::scale(n, 2)), n, lights));
                        ++count[idx];
                    }
                }
            }
            corner += faceCorners;
        }
    }
    // Texels no surface reached take their neighbours' light, so bilinear filtering never pulls in black.
    for (int pass = 0; pass < 8; ++pass) {
        std::vector<int> filled = count;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                std::size_t idx = static_cast<std::size_t>(y * w + x);
                if (count[idx] > 0) continue;
                Vector3 sum{0, 0, 0};
                int n = 0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dxo = -1; dxo <= 1; ++dxo) {
                        int xx = x + dxo, yy = y + dy;
                        if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
                        std::size_t j = static_cast<std::size_t>(yy * w + xx);
                        if (count[j] > 0) {
                            sum = dx::add(sum, dx::scale(acc[j], 1.0f / static_cast<float>(count[j])));
                            ++n;
                        }
                    }
                }
                if (n > 0) {
                    acc[idx] = dx::scale(sum, 1.0f / static_cast<float>(n));
                    filled[idx] = 1;
                }
            }
        }
        count = filled;
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::size_t idx = static_cast<std::size_t>(y * w + x);
            Vector3 c = count[idx] > 0 ? dx::scale(acc[idx], 1.0f / static_cast<float>(count[idx])) : Vector3{0.2f, 0.2f, 0.24f};
            // Filmic shoulder: bright pools near the candles saturate gently instead of clipping.
            auto tone = [](float v) { return v / (1 + 0.35f * v) * 1.2f; };
            out.at(x, y) = {tone(c.x), tone(c.y), tone(c.z), 1};
        }
    }
}

}  // namespace

Vector2 projectPoint(const Projection& pr, Vector3 p) {
    Box box = meshBox(pr.reference->mesh);
    Vector3 size = dx::subtract(box.max, box.min);
    Vector3 centre = dx::add(box.min, dx::scale(size, 0.5f));
    float t = std::min({size.x, size.y, size.z});
    if (pr.axis == 1) t = size.x;
    if (pr.axis == 2) t = size.y;
    if (pr.axis == 3) t = size.z;
    const float half = std::numbers::pi_v<float> / 2;
    d3d::Matrix r;
    if (t == size.y) {
        r = dx::rotationX(half);
        size.y = 1;
    } else if (t == size.x) {
        r = dx::rotationY(half);
        size.x = 1;
    } else {
        r = dx::identity();
        size.z = 1;
    }
    size.y = -size.y;
    size = {size.x * pr.scale.x, size.y * pr.scale.y, size.z * pr.scale.z};
    centre = dx::add(centre, pr.offset);
    d3d::Matrix x = dx::multiply(dx::multiply(dx::scaling(size.x, size.y, size.z), dx::translation(centre)),
                                 pr.reference->matrix);
    d3d::Matrix xi;
    dx::inverse(x, &xi);
    d3d::Matrix m = dx::multiply(dx::multiply(xi, r), dx::translation(0.5f, 0.5f, 0));
    Vector3 uvw = dx::transformCoord(p, m);
    return {uvw.x, uvw.y};
}

std::vector<Vector3> flamePositions(const std::vector<ChurchObject>& church) {
    std::vector<Vector3> out;
    auto height = [](const ChurchObject& o) {
        Box b = meshBox(o.mesh);
        return b.max.y - b.min.y;
    };
    auto turn = [](const std::string& name) {
        if (name.find("12") != std::string::npos || name.find("13") != std::string::npos) return dx::rotationY(std::numbers::pi_v<float> / 2);
        if (name.find("16") != std::string::npos) return dx::rotationY(0.6981317f);
        if (name.find("17") != std::string::npos) return dx::rotationY(-0.6981317f);
        return dx::identity();
    };
    const Vector3 offsets[4] = {{0, 0, 6.5f}, {0, 0, -6.5f}, {0, -12, 15}, {0, -12, -15}};
    for (const ChurchObject& o : church) {
        bool single = o.name.rfind("Candle0", 0) == 0 || o.name == "CandleStick14" || o.name == "CandleStick15";
        if (o.name.rfind("CandleStick", 0) == 0 && !single) {
            float h = height(o);
            for (const Vector3& off : offsets) {
                Vector3 v{off.x, off.y + h, off.z};
                out.push_back(dx::transformCoord(v, dx::multiply(turn(o.name), o.matrix)));
            }
        } else if (single) {
            out.push_back(dx::transformCoord({0, height(o), 0}, o.matrix));
        }
    }
    return out;
}

std::vector<TextureFile> bakeLightMaps(const std::vector<ChurchObject>& church) {
    std::vector<Light> lights;
    for (const Vector3& f : flamePositions(church)) lights.push_back({f, {0.26f, 0.16f, 0.07f}, 170});
    for (const ChurchObject& o : church) {
        if (o.name.rfind("Wall_Lamp", 0) != 0) continue;
        Box b = meshBox(o.mesh);
        Vector3 c = dx::scale(dx::add(b.min, b.max), 0.5f);
        lights.push_back({c, {0.45f, 0.3f, 0.13f}, 240});
    }
    // Moonlight falling through the apse windows and the round window.
    lights.push_back({{-400, 700, 1900}, {0.25f, 0.3f, 0.45f}, 700});
    lights.push_back({{-395, 983, 1400}, {0.3f, 0.25f, 0.3f}, 500});

    auto group = [&](std::initializer_list<const char*> prefixes) {
        std::vector<const ChurchObject*> out;
        for (const ChurchObject& o : church) {
            for (const char* prefix : prefixes) {
                if (o.name.find(prefix) != std::string::npos) {
                    out.push_back(&o);
                    break;
                }
            }
        }
        return out;
    };
    std::vector<Surface> surfaces = {
        {"floor_light.jpg", 512, 512, {find(church, "Floor14"), 2, {1, 1, 0.97f}, {0, 0, -30}}, {find(church, "Floor14")}},
        {"altar_floor_light.jpg", 256, 256, {find(church, "Altar_Floor"), 0}, {find(church, "Altar_Floor")}},
        {"altar_wall_light.jpg", 256, 256, {find(church, "Altar_Ceil"), 1}, {find(church, "Altar_Ceil")}},
        {"front_wall_light.jpg", 512, 256, {find(church, "wall_front"), 1},
         group({"wall_front", "Cylinder10", "Object01", "ceil_trims"})},
        {"ceiling_light.jpg", 256, 256, {find(church, "Ceiling"), 0}, {find(church, "Ceiling"), find(church, "Ceil_Fresco")}},
    };
    std::vector<Image> images;
    for (const Surface& s : surfaces) images.emplace_back(s.width, s.height);
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < surfaces.size(); ++i) {
        workers.emplace_back([&, i] { bakeOne(surfaces[i], lights, images[i]); });
    }
    for (std::thread& t : workers) t.join();
    std::vector<TextureFile> out;
    for (std::size_t i = 0; i < surfaces.size(); ++i) out.push_back({surfaces[i].file, pictures::encodeJpeg(images[i], 90)});
    return out;
}

}  // namespace vm::church
