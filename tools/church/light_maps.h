#pragma once
// Bakes the five light maps from the church geometry and its light sources (candle flames, wall lamps,
// moonlight through the windows), with soft shadows and ambient occlusion from ray casting. Each map is
// baked in the exact parameterisation the renderer uses to project it (see light_projection.h).

#include <string>
#include <vector>

#include "church/church_model.h"
#include "church/light_baker.h"
#include "church/light_projection.h"
#include "church/textures.h"

namespace vm::church {

// Flames of each candle holder, in the order the scene numbers them: four per candelabrum, one per candle.
std::vector<std::vector<d3d::Vector3>> flameClusters(const std::vector<ChurchObject>& church);
// The same flames, one list.
std::vector<d3d::Vector3> flamePositions(const std::vector<ChurchObject>& church);

// The church as the baker sees it: shadow casters (everything but window panes and lamp glasses) and the
// light sources.
BakeScene churchBakeScene(const std::vector<ChurchObject>& church);

// The five maps: file, size, the projection the renderer uses for it and the objects it is drawn on.
// A reference part missing from `church` leaves that entry's reference null.
std::vector<LightMapSurface> churchLightMapSurfaces(const std::vector<ChurchObject>& church);

// The five JPEG light maps, in the order above; a map whose reference part is missing is plain dim grey. threads <= 0 uses the machine's hardware threads; the bytes do not depend on it.
std::vector<TextureFile> bakeLightMaps(const std::vector<ChurchObject>& church, int threads = 0);

}  // namespace vm::church
