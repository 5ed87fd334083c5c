#pragma once
// Surface looks of the church: which texture each kind of surface carries and how it reacts to light.
// Unlit parts (glass, lamps, candlesticks, doors) show their texture as it is, so those textures are
// painted at night brightness.

#include "church/mesh_builder.h"

namespace vm::church::looks {

inline Look textured(const char* texture, float uvScale, float r = 1, float g = 1, float b = 1) {
    Look l;
    l.texture = texture;
    l.uvScale = uvScale;
    l.diffuse = {r, g, b, 1};
    return l;
}

inline const Look kStone = textured("stone_wall.jpg", 240);
inline const Look kStoneTrim = textured("stone_trim.jpg", 120);
inline const Look kColumn = textured("marble_column.jpg", 160);
inline const Look kFloor = textured("floor_marble.jpg", 220);
inline const Look kAltarFloor = textured("altar_floor.jpg", 160);
inline const Look kPlaster = textured("plaster.jpg", 300);
inline const Look kCeiling = textured("ceiling_coffers.jpg", 300);
inline const Look kFresco = textured("fresco.jpg", 1);
inline const Look kWood = textured("wood_pew.jpg", 120);
inline const Look kDarkWood = textured("wood_dark.jpg", 150);
inline const Look kDoor = textured("door.jpg", 1);
inline const Look kGold = textured("gold.jpg", 60);
inline const Look kBrass = textured("brass.jpg", 40);
inline const Look kCandle = textured("candle_wax.jpg", 30);
inline const Look kFabric = textured("altar_cloth.jpg", 1);
inline const Look kStatue = textured("statue_marble.jpg", 80);
inline const Look kPipes = textured("organ_pipes.jpg", 60);
inline const Look kStainedGlass = textured("stained_glass.jpg", 1);
inline const Look kWindowGlass = textured("window_glass.jpg", 1);
inline const Look kRoundGlass = textured("rose_window.jpg", 1);
inline const Look kLamp = textured("wall_lamp.jpg", 1);
inline const Look kIron = textured("iron.jpg", 60);

}  // namespace vm::church::looks
