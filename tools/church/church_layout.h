#pragma once
// The hall's measurements, in scene units (about a centimetre). Left-handed, y up, the floor at y = 0,
// looking at the altar means looking along +z. The scene's fixed lights and glows assume these places:
// the nave axis at x = -400, the back wall with the entrance and the organ loft at z = -420, the arch wall
// with the round window at z = 1475 and the apse behind it, the clerestory windows centred at y = 758.

namespace vm::church::layout {

inline constexpr float kAxisX = -400;
inline constexpr float kHallMinX = -1276, kHallMaxX = 476;   // outer aisle walls
inline constexpr float kHallMinZ = -420, kHallMaxZ = 1567;   // the floor's extent
inline constexpr float kArchWallZ = 1475;                    // wall between nave and apse
inline constexpr float kArcadeLeftX = -850, kArcadeRightX = 50;  // column rows and clerestory walls
inline constexpr float kAisleHeight = 600;                   // aisle ceiling
inline constexpr float kArcadeHeight = 520;                  // column tops
inline constexpr float kNaveHeight = 1050;                   // nave ceiling
inline constexpr float kWindowCentreY = 758;                 // clerestory windows
inline constexpr float kWindowHalfHeight = 160, kWindowHalfWidth = 130;
inline constexpr float kColumnRadius = 38;
inline constexpr int kBays = 5;
inline constexpr float kFirstColumnZ = -150, kBaySpacing = 290;  // columns at -150 + 290 k, k = 0..5
inline constexpr float kApseDepth = 560;
inline constexpr float kAltarFloorStartZ = 1380, kAltarFloorHeight = 36;

inline constexpr float columnZ(int k) { return kFirstColumnZ + kBaySpacing * static_cast<float>(k); }
inline constexpr float bayCentreZ(int k) { return columnZ(k) + kBaySpacing / 2; }

}  // namespace vm::church::layout
