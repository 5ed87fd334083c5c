#pragma once
// The named groups of the church: which mesh-carrying frames are lit and drawn how, found by frame name.
//
// Contract:
// - A MeshGroup refers to entries of the scene's object list by identity, owns nothing and may hold
//   nulls where an exact lookup found nothing; the render passes skip nulls.
// - Names compare case-sensitively; objects whose frame has no name never match.
// - The object list is a deque so that appending keeps every reference a group holds valid.

#include <array>
#include <deque>
#include <string_view>
#include <vector>

#include "engine/scene_object.h"

namespace vm::scene {

using SceneObjects = std::deque<engine::SceneObject>;
using MeshGroup = std::vector<engine::SceneObject*>;

inline constexpr int kGroupCount = 23;

struct ChurchGroups {
    MeshGroup columns, benches, altar, statues, floor, altarFloor, altarCeiling, frontWall, wallLamps, bigGlass,
        organGlass, stainedGlass, circularGlass, windows, ceiling, upperWalls, innerCeiling, organ, candleSticks,
        candles, backDoor, rest, glowLayers;

    struct Named {
        const char* name;
        const MeshGroup* group;
    };
    // All 23, in the order Create fills them.
    std::array<Named, kGroupCount> All() const;
    void Clear();
};

// The first object whose frame name equals name, else null.
engine::SceneObject* FindExact(SceneObjects& objects, std::string_view name);
// Appends the first exact match, null included.
void AppendExact(MeshGroup& group, SceneObjects& objects, std::string_view name);
// Appends every object whose frame name contains text, in list order.
void AppendContaining(MeshGroup& group, SceneObjects& objects, std::string_view text);

// The candle rule: exact "CandleStick" to candleSticks when found; then for n = 0..19 "Candle%02d" to
// candles and "CandleStick%02d" to candles for n = 14 and 15, to candleSticks otherwise. Missing names
// are skipped (no nulls).
void FillCandles(ChurchGroups& groups, SceneObjects& objects);

// Every object of objects that is in none of the 21 groups before rest (by identity), in list order.
MeshGroup CollectRest(const ChurchGroups& groups, SceneObjects& objects);

}  // namespace vm::scene
