#include "church/light_baker.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "church/sampling.h"
#include "platform/d3dx/math.h"

namespace vm::church {
namespace {

namespace dx = d3dx;

// Rays per shaded point. A few spread pilot rays go first; where they all agree (fully open or fully
// shut, fully lit or fully in shadow) the point is done, and only the mixed cases pay for the full set.
constexpr int kOcclusionPilot = 6, kOcclusionRays = 12;
constexpr int kShadowPilot = 6, kShadowRays = 18;
constexpr float kLift = 0.5f;  // world units a shaded point is moved off its surface
constexpr float kRayStart = 0.01f;
constexpr float kHiddenReach = 120;  // how far above a point a covering solid still counts as burying it
constexpr float kPressedGap = 4;     // a gap this narrow between a surface and what covers it is never seen
constexpr float kDirectShare = 0.8f;  // of a light's strength that arrives directly; the rest is bounce

float luminance(Vec3 c) { return 0.3f * c.x + 0.59f * c.y + 0.11f * c.z; }

struct Prepared {
    const LightMapSurface* surface = nullptr;
    d3d::Matrix toWorld;  // (u, v, w) to world
    RayCaster probe;      // the surface's own objects
    float interiorW = 0;  // the interior point's position along the thin axis
};

// One glowing sphere as seen from the point being shaded.
struct Source {
    Vec3 centre;
    float radius;
    Vec3 direct;    // what it adds when fully visible
    float share;    // luminance of `direct`
};

// Per-worker scratch so the inner loop does not allocate.
struct Scratch {
    std::vector<Source> sources;
    std::vector<float> cumulative;  // running sum of the shares
};

Vec3 toWorld(const Prepared& p, float u, float v, float w) {
    return dx::transformCoord({u, v, w}, p.toWorld);
}

// How many of `count` cosine-weighted rays from p leave without meeting anything within `reach`.
int openRays(const RayCaster& occluders, Vec3 p, Vec3 n, float reach, int count, std::uint32_t key) {
    int open = 0;
    for (int i = 0; i < count; ++i) {
        Vec3 dir = sampling::cosineHemisphere(
            sampling::hammersley(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(count), key), n);
        if (!occluders.anyHit({p, dir}, kRayStart, reach)) ++open;
    }
    return open;
}

// Sends `count` shadow rays, each to a point on one source's disc as p sees it, the source picked with
// probability proportional to its share (stratified over the running sum of shares). Returns the sum of
// the rays' estimates of the direct light (a ray that gets through stands for direct / probability) and
// counts the rays that got through.
Vec3 shadowRays(const RayCaster& occluders, const Scratch& s, float total, Vec3 p, int count, std::uint32_t key,
                int* lit) {
    Vec3 sum;
    for (int j = 0; j < count; ++j) {
        sampling::Point2 xi = sampling::hammersley(static_cast<std::uint32_t>(j), static_cast<std::uint32_t>(count), key);
        float pick = xi.x * total;
        std::size_t k = static_cast<std::size_t>(
            std::upper_bound(s.cumulative.begin(), s.cumulative.end(), pick) - s.cumulative.begin());
        k = std::min(k, s.sources.size() - 1);
        const Source& src = s.sources[k];
        const float below = k == 0 ? 0 : s.cumulative[k - 1];
        // What is left of the first coordinate inside the picked source's slice is again uniform in [0, 1).
        float u = std::clamp((pick - below) / src.share, 0.0f, 0.99999994f);
        sampling::Point2 d = sampling::concentricDisk({u, xi.y});
        Vec3 t, b;
        sampling::basis(normalized(src.centre - p), &t, &b);
        Vec3 seg = src.centre + t * (d.x * src.radius) + b * (d.y * src.radius) - p;
        float len = length(seg);
        // The holder right around a flame (wax, cup, the lamp's own glass) does not shade its light.
        float stop = len - (src.radius + 1);
        if (stop <= kRayStart || !occluders.anyHit({p, seg * (1 / len)}, kRayStart, stop)) {
            ++*lit;
            sum = sum + src.direct * (total / src.share);
        }
    }
    return sum;
}

// True when the point lies inside a solid (the first thing above it shows its back) or has something
// pressed almost onto it (a pane or a frame a few units off a wall). Nobody sees such a point, so its
// texel borrows its visible neighbours' light instead of bleeding black into them through bilinear
// filtering.
bool hidden(const RayCaster& occluders, Vec3 p, Vec3 n) {
    RayHit hit;
    if (!occluders.closestHit({p, n}, kRayStart, kHiddenReach, &hit)) return false;
    if (hit.t < kPressedGap) return true;
    const Triangle& t = occluders.triangles()[hit.triangle];
    return dot(cross(t.b - t.a, t.c - t.a), n) > 0;  // cross(b - a, c - a) is the side a face shows
}

Vec3 shade(const BakeScene& scene, Vec3 p, Vec3 n, std::uint32_t key, Scratch& scratch) {
    const float reach = scene.occlusionDistance;
    float ao;
    {
        const std::uint32_t aoKey = sampling::mix(key ^ 0xa0a0a0a0u);
        const int pilot = openRays(scene.occluders, p, n, reach, kOcclusionPilot, aoKey);
        if (pilot == 0 || pilot == kOcclusionPilot) {
            ao = static_cast<float>(pilot) / kOcclusionPilot;
        } else {
            const int more = openRays(scene.occluders, p, n, reach, kOcclusionRays, sampling::mix(aoKey));
            ao = static_cast<float>(pilot + more) / (kOcclusionPilot + kOcclusionRays);
        }
    }

    Vec3 bounce, direct;
    scratch.sources.clear();
    scratch.cumulative.clear();
    float total = 0;
    for (const BakeLight& light : scene.lights) {
        for (Vec3 body : light.bodies) {
            Vec3 d = body - p;
            float dist2 = dot(d, d);
            // Past five reaches a body adds under 4 % of its strength: not worth the rays.
            if (dist2 > 25 * light.reach * light.reach || dist2 < 1e-6f) continue;
            float dist = std::sqrt(dist2);
            float falloff = 1 / (1 + dist2 / (light.reach * light.reach));
            float facing = std::max(0.0f, dot(n, d) / dist);
            bounce = bounce + light.colour * (falloff * (1 - kDirectShare));
            Vec3 full = light.colour * (falloff * kDirectShare * facing);
            float share = luminance(full);
            if (!(share > 0)) continue;
            direct = direct + full;
            total += share;
            scratch.sources.push_back({body, light.radius, full, share});
            scratch.cumulative.push_back(total);
        }
    }
    Vec3 sum = (scene.ambient + bounce) * ao;
    if (scratch.sources.empty()) return sum;

    const std::uint32_t shadowKey = sampling::mix(key ^ 0x5ad05ad0u);
    int pilotLit = 0;
    Vec3 estimate = shadowRays(scene.occluders, scratch, total, p, kShadowPilot, shadowKey, &pilotLit);
    if (pilotLit == kShadowPilot) return sum + direct;
    if (pilotLit == 0) return sum;
    int moreLit = 0;
    estimate = estimate + shadowRays(scene.occluders, scratch, total, p, kShadowRays, sampling::mix(shadowKey), &moreLit);
    return sum + estimate * (1.0f / (kShadowPilot + kShadowRays));
}

// Softens the per-texel sampling noise with a 5x5 binomial filter over covered texels (never reaching into
// empty ones), then lets uncovered texels borrow from covered neighbours, ring by ring.
constexpr float kBinomial[5] = {1, 4, 6, 4, 1};

pictures::Image finish(int w, int h, const std::vector<Vec3>& light, std::vector<std::uint8_t> covered) {
    auto index = [w](int x, int y) { return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x); };
    std::vector<Vec3> smooth(light.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!covered[index(x, y)]) continue;
            Vec3 sum;
            float weight = 0;
            for (int dy = -2; dy <= 2; ++dy) {
                for (int dxo = -2; dxo <= 2; ++dxo) {
                    int xx = x + dxo, yy = y + dy;
                    if (xx < 0 || yy < 0 || xx >= w || yy >= h || !covered[index(xx, yy)]) continue;
                    float k = kBinomial[dxo + 2] * kBinomial[dy + 2];
                    sum = sum + light[index(xx, yy)] * k;
                    weight += k;
                }
            }
            smooth[index(x, y)] = sum * (1 / weight);
        }
    }
    for (int pass = 0; pass < 8; ++pass) {
        std::vector<std::uint8_t> filled = covered;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (covered[index(x, y)]) continue;
                Vec3 sum;
                int n = 0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dxo = -1; dxo <= 1; ++dxo) {
                        int xx = x + dxo, yy = y + dy;
                        if (xx < 0 || yy < 0 || xx >= w || yy >= h || !covered[index(xx, yy)]) continue;
                        sum = sum + smooth[index(xx, yy)];
                        ++n;
                    }
                }
                if (n > 0) {
                    smooth[index(x, y)] = sum * (1 / static_cast<float>(n));
                    filled[index(x, y)] = 1;
                }
            }
        }
        covered = std::move(filled);
    }
    pictures::Image image(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            // Texels too far from any surface keep a dim neutral grey; nothing ever samples them.
            Vec3 c = covered[index(x, y)] ? smooth[index(x, y)] : Vec3{0.2f, 0.2f, 0.24f};
            image.at(x, y) = {c.x, c.y, c.z, 1};
        }
    }
    return image;
}

}  // namespace

void appendTriangles(const ChurchObject& object, std::uint32_t tag, std::vector<Triangle>& out) {
    const auto& m = object.mesh;
    std::size_t corner = 0;
    for (std::uint32_t corners : m.faceCorners) {
        if (corner + corners > m.faceIndices.size()) break;  // a short index list ends the mesh
        auto at = [&](std::size_t k) -> Vec3 {
            std::uint32_t index = m.faceIndices[corner + k];
            return index < m.positions.size() ? Vec3(dx::transformCoord(m.positions[index], object.matrix)) : Vec3{};
        };
        for (std::uint32_t k = 1; k + 1 < corners; ++k) out.push_back({at(0), at(k), at(k + 1), tag});
        corner += corners;
    }
}

std::vector<pictures::Image> bakeSurfaces(const std::vector<LightMapSurface>& surfaces, const BakeScene& scene,
                                          int threads) {
    std::vector<Prepared> prepared(surfaces.size());
    for (std::size_t s = 0; s < surfaces.size(); ++s) {
        Prepared& p = prepared[s];
        p.surface = &surfaces[s];
        d3d::Matrix toUvw = projectionMatrix(surfaces[s].projection);
        if (!dx::inverse(toUvw, &p.toWorld)) p.toWorld = dx::identity();
        std::vector<Triangle> own;
        for (const ChurchObject* o : surfaces[s].objects) {
            if (o) appendTriangles(*o, 0, own);
        }
        p.probe = RayCaster(std::move(own));
        p.interiorW = dx::transformCoord(scene.interior.toD3d(), toUvw).z;
    }

    // Linear light and coverage per texel, filled row by row by whichever worker takes the row.
    std::vector<std::vector<Vec3>> light(surfaces.size());
    std::vector<std::vector<std::uint8_t>> covered(surfaces.size());
    struct Row {
        std::size_t surface;
        int y;
    };
    std::vector<Row> rows;
    for (std::size_t s = 0; s < surfaces.size(); ++s) {
        const auto texels = static_cast<std::size_t>(std::max(0, surfaces[s].width)) * static_cast<std::size_t>(std::max(0, surfaces[s].height));
        light[s].assign(texels, {});
        covered[s].assign(texels, 0);
        for (int y = 0; y < surfaces[s].height; ++y) rows.push_back({s, y});
    }
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        Scratch scratch;
        for (std::size_t r = next++; r < rows.size(); r = next++) {
            const Prepared& p = prepared[rows[r].surface];
            const int w = p.surface->width, h = p.surface->height, y = rows[r].y;
            for (int x = 0; x < w; ++x) {
                float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(w);
                float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(h);
                Vec3 origin = toWorld(p, u, v, p.interiorW);
                Vec3 along = normalized(toWorld(p, u, v, p.interiorW + 1) - origin);
                Vec3 sum;
                int seen = 0;
                for (int side = 0; side < 2; ++side) {
                    Vec3 dir = side == 0 ? along : along * -1;
                    RayHit hit;
                    if (!p.probe.closestHit({origin, dir}, 0, 1e7f, &hit)) continue;
                    const Triangle& tri = p.probe.triangles()[hit.triangle];
                    Vec3 n = normalized(cross(tri.b - tri.a, tri.c - tri.a));
                    if (dot(n, dir) > 0) n = n * -1;  // the side that faces the room
                    Vec3 at = origin + dir * hit.t + n * kLift;
                    if (hidden(scene.occluders, at, n)) continue;
                    auto key = sampling::seed(static_cast<std::uint32_t>(rows[r].surface), static_cast<std::uint32_t>(x),
                                              static_cast<std::uint32_t>(y), static_cast<std::uint32_t>(side));
                    sum = sum + shade(scene, at, n, key, scratch);
                    ++seen;
                }
                if (seen == 0) continue;
                const std::size_t idx = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
                light[rows[r].surface][idx] = sum * (1.0f / static_cast<float>(seen));
                covered[rows[r].surface][idx] = 1;
            }
        }
    };
    int workers = threads > 0 ? threads : static_cast<int>(std::thread::hardware_concurrency());
    workers = std::clamp(workers, 1, 64);
    {
        std::vector<std::jthread> pool;
        for (int i = 1; i < workers; ++i) pool.emplace_back(work);
        work();
    }

    std::vector<pictures::Image> out;
    for (std::size_t s = 0; s < surfaces.size(); ++s) {
        out.push_back(finish(std::max(0, surfaces[s].width), std::max(0, surfaces[s].height), light[s], covered[s]));
    }
    return out;
}

}  // namespace vm::church
