#include "tracks/track_design.h"

namespace vm::tracks {
namespace {

struct Key {
    Vec3 at;
    float speed;
    bool look = false;
    Vec3 target{};
};

struct Design {
    std::vector<Key> keys;  // segment ends; handles are derived
    uint16_t highBits = 0;
    uint8_t flagA = 0;
    uint8_t flagB = 0;
    uint8_t noLookByte = 0;  // what "no target" is written as on this track's segment ends
};

Vec3 add(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 scale(Vec3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }

// Catmull-Rom tangents turned into Bezier handles: the flight passes every key without a kink,
// and the handles stay within the keys' neighbourhood so the curve does not swing out.
Track build(const Design& d)
{
    Track t;
    t.highBits = d.highBits;
    t.flagA = d.flagA;
    t.flagB = d.flagB;
    const size_t n = d.keys.size();
    auto tangent = [&](size_t i) {
        const Vec3 prev = d.keys[i == 0 ? 0 : i - 1].at;
        const Vec3 next = d.keys[i + 1 == n ? i : i + 1].at;
        return scale(sub(next, prev), (i == 0 || i + 1 == n) ? 1.0f : 0.5f);
    };
    for (size_t i = 0; i < n; ++i) {
        TrackPoint end;
        end.position = d.keys[i].at;
        end.speed = d.keys[i].speed;
        end.lookByte = d.keys[i].look ? 1 : d.noLookByte;
        end.lookTarget = d.keys[i].target;
        t.points.push_back(end);
        if (i + 1 == n)
            break;
        TrackPoint h1, h2;  // handles: speed, pause and look are not read
        h1.position = add(d.keys[i].at, scale(tangent(i), 1.0f / 3.0f));
        h2.position = sub(d.keys[i + 1].at, scale(tangent(i + 1), 1.0f / 3.0f));
        t.points.push_back(h1);
        t.points.push_back(h2);
    }
    return t;
}

// Things worth looking at, in the hall frame.
constexpr Vec3 kAltar{-400, 150, 1470};
constexpr Vec3 kRoundWindow{-395, 983, 1475};
constexpr Vec3 kOrgan{-400, 760, -380};
constexpr Vec3 kLeftStatue{-1220, 230, 700};
constexpr Vec3 kRightStatue{420, 230, 480};
constexpr Vec3 kCandles{-725, 160, 560};

std::vector<Design> designs()
{
    return {
        // Near-still shots: one segment, a few units in many seconds.
        {{{{-440, 190, 1200}, 0.6f, true, kAltar}, {{-415, 196, 1215}, 0.45f}}, 0, 1, 0, 0},
        {{{{-900, 180, 640}, 0.4f, true, kLeftStatue}, {{-905, 186, 660}, 0.3f}}, 0x8DF4, 0, 1, 0},
        {{{{-400, 420, 150}, 0.15f, true, kOrgan}, {{-404, 430, 138}, 0.2f}}, 0, 1, 1, 2},
        {{{{-380, 300, 980}, 0.8f, true, kRoundWindow}, {{-372, 318, 1000}, 0.7f}}, 0, 0, 0, 0},
        {{{{-600, 200, 520}, 0.5f, true, kCandles}, {{-590, 204, 545}, 0.35f}}, 0x0001, 1, 0, 0},
        // Slow glides.
        {{{{-400, 160, -190}, 6.0f}, {{-420, 180, 100}, 8.5f}, {{-380, 210, 500}, 7.0f, true, kAltar}}, 0, 1, 0, 0x3C},
        {{{{140, 250, 1230}, 4.0f, true, kRightStatue},
          {{160, 260, 900}, 5.5f},
          {{120, 240, 500}, 5.0f},
          {{150, 220, 150}, 3.5f, true, kOrgan}},
         0, 1, 1, 0},
        // Sweeps through the hall at 25 to 31 units a second.
        {{{{-400, 180, -190}, 25.0f},
          {{-400, 260, 200}, 27.5f},
          {{-420, 340, 700}, 29.0f},
          {{-380, 280, 1150}, 26.0f, true, kAltar},
          {{-560, 420, 1250}, 24.5f},
          {{-400, 620, 1000}, 25.75f},
          {{-250, 700, 500}, 28.0f, true, kRoundWindow},
          {{-400, 520, 0}, 30.79f}},
         0xFFFF, 1, 0, 2},
        {{{{-1060, 200, -200}, 25.75f},
          {{-1050, 230, 250}, 26.5f},
          {{-1070, 250, 700}, 27.0f, true, kLeftStatue},
          {{-1050, 240, 1000}, 25.5f},
          {{-850, 300, 1155}, 24.15f},
          {{-600, 380, 1250}, 25.0f, true, kAltar},
          {{-450, 450, 1100}, 26.0f}},
         0, 1, 0, 0},
        {{{{250, 200, 1300}, 26.0f},
          {{230, 240, 900}, 28.0f},
          {{260, 260, 450}, 29.5f, true, kRightStatue},
          {{220, 230, 0}, 27.0f},
          {{250, 300, -300}, 25.0f, true, kOrgan},
          {{150, 380, -360}, 25.5f}},
         0x0100, 1, 0, 0},
        {{{{-400, 750, -150}, 31.0f},
          {{-400, 820, 400}, 30.5f},
          {{-450, 860, 900}, 29.0f, true, kRoundWindow},
          {{-350, 800, 1300}, 27.0f},
          {{-400, 700, 1400}, 25.0f}},
         0, 0, 1, 0},
        {{{{-200, 220, 1300}, 12.0f},
          {{-400, 260, 1330}, 10.0f, true, kAltar},
          {{-600, 220, 1300}, 11.0f},
          {{-560, 300, 1200}, 14.0f}},
         0, 1, 1, 0},
        {{{{-400, 200, 1150}, 18.0f},
          {{-400, 380, 700}, 22.0f},
          {{-420, 560, 250}, 24.0f, true, kOrgan},
          {{-400, 480, -100}, 20.0f}},
         0, 1, 0, 0},
        {{{{-550, 150, 0}, 9.0f},
          {{-570, 200, 350}, 12.0f, true, kCandles},
          {{-560, 240, 700}, 10.0f}},
         0, 0, 0, 0},
        {{{{-300, 200, -200}, 25.0f},
          {{-500, 300, 250}, 26.0f},
          {{-300, 400, 700}, 27.5f},
          {{-500, 450, 1100}, 28.0f, true, kAltar},
          {{-300, 500, 1250}, 27.0f},
          {{-450, 600, 800}, 26.0f}},
         0, 1, 1, 0},
    };
}

}  // namespace

std::vector<Track> designTracks()
{
    std::vector<Track> tracks;
    for (const Design& d : designs())
        tracks.push_back(build(d));
    return tracks;
}

Vec3 bezierPoint(const Track& track, int segment, float t)
{
    const auto& p = track.points;
    const size_t i = static_cast<size_t>(segment) * 3;
    const float u = 1 - t;
    const Vec3 a = scale(p[i].position, u * u * u);
    const Vec3 b = scale(p[i + 1].position, 3 * u * u * t);
    const Vec3 c = scale(p[i + 2].position, 3 * u * t * t);
    const Vec3 d = scale(p[i + 3].position, t * t * t);
    return add(add(a, b), add(c, d));
}

}  // namespace vm::tracks
