// Candlesticks and candles. Every frame's origin is the holder's foot; the mesh runs from y = 0 up to
// the wick, so the flames, placed at the top of the bounding box, sit on the wicks.
#include <cstdio>
#include <numbers>

#include "church/church_layout.h"
#include "church/church_model.h"
#include "church/looks.h"
#include "platform/d3dx/math.h"

namespace vm::church {
namespace {

using namespace layout;
using d3d::Vector3;

// A standing candelabrum, 160 high: two candles on top at z +-6.5, two on arms at z +-15 twelve lower.
void candelabrum(MeshBuilder& b) {
    b.lathe({0, 0, 0}, {{22, 0}, {20, 6}, {8, 16}, {4, 30}, {3, 110}, {6, 116}, {3, 122}}, 12, looks::kBrass, true, false);
    b.box({-2, 112, -17}, {2, 116, 17}, looks::kBrass);  // arms along local z
    for (float z : {-15.0f, 15.0f}) {
        b.lathe({0, 112, z}, {{2, 0}, {4.5f, 4}, {4.5f, 6}}, 8, looks::kBrass, false, false);
        b.cylinder({0, 118, z}, 2.5f, 30, 8, looks::kCandle);  // top at 148 = 160 - 12
    }
    b.lathe({0, 122, 0}, {{3, 0}, {10, 6}, {10, 8}}, 10, looks::kBrass, false, true);
    for (float z : {-6.5f, 6.5f}) b.cylinder({0, 130, z}, 2.5f, 30, 8, looks::kCandle);  // top at 160
}

// A single altar candle in a low holder, 40 high.
void altarCandle(MeshBuilder& b) {
    b.lathe({0, 0, 0}, {{6, 0}, {5, 3}, {2.5f, 7}, {4, 10}}, 10, looks::kBrass, true, true);
    b.cylinder({0, 10, 0}, 2.2f, 30, 8, looks::kCandle);
}

// A tall single-candle stand, 150 high.
void candleStand(MeshBuilder& b) {
    b.lathe({0, 0, 0}, {{16, 0}, {14, 6}, {5, 16}, {3, 100}, {7, 108}, {7, 112}}, 12, looks::kBrass, true, true);
    b.cylinder({0, 112, 0}, 3.5f, 38, 8, looks::kCandle);
}

}  // namespace

void addCandles(PartMap& parts) {
    MeshBuilder b;
    // Candelabra 0..11 between the arcade columns, in pairs on one side each (their midpoint picks the
    // side whose candle lights they become): left, right, left, right ...
    const float leftX = kArcadeLeftX, rightX = kArcadeRightX;
    const float pairZ[3][2] = {{-285, -5}, {285, 575}, {865, 1155}};
    int n = 0;
    for (int pair = 0; pair < 3; ++pair) {
        for (float x : {leftX, rightX}) {
            for (float z : pairZ[pair]) {
                candelabrum(b);
                char name[32];
                if (n == 0) std::snprintf(name, sizeof name, "CandleStick");
                else std::snprintf(name, sizeof name, "CandleStick%02d", n);
                put(parts, name, b, d3dx::translation(x, 0, z));
                ++n;
            }
        }
    }
    // 12 and 13 beside the sanctuary steps (their flames turned across), 16 and 17 in the apse.
    const float h = kAltarFloorHeight;
    const std::pair<const char*, Vector3> sanctuary[] = {
        {"CandleStick12", {-650, h, 1560}}, {"CandleStick13", {-150, h, 1560}},
        {"CandleStick16", {-660, h, 1830}}, {"CandleStick17", {-140, h, 1830}},
    };
    for (const auto& [name, at] : sanctuary) {
        candelabrum(b);
        put(parts, name, b, d3dx::translation(at));
    }
    // Six candles on the altar table and the two tall stands flanking it.
    const float top = h + 134.6f, az = 1775;
    const float candleX[] = {-505, -480, -455, -345, -320, -295};
    for (int i = 0; i < 6; ++i) {
        altarCandle(b);
        char name[32];
        std::snprintf(name, sizeof name, "Candle%02d", i + 1);
        put(parts, name, b, d3dx::translation(candleX[i], top, az));
    }
    candleStand(b);
    put(parts, "CandleStick14", b, d3dx::translation(-625, h, 1650));
    candleStand(b);
    put(parts, "CandleStick15", b, d3dx::translation(-175, h, 1650));
}

}  // namespace vm::church
