#pragma once
// Bakes light maps with shadows and ambient occlusion by ray casting.
//
// For every texel the baker looks along the projection's thin axis from a point inside the room and takes
// the first surface of the map's own objects it meets on each side (a floor from above, a ceiling from
// below, the two side walls of an x-projected map): those are the points the renderer shows with that
// texel. Points buried inside a solid (the floor under a column's base, a wall behind a pane pressed onto
// it) are nobody's view and are skipped. Each remaining point is shaded once:
// - every light is a cluster of small spheres (a candelabrum's flames, a lamp glass, a patch of moonlit
//   window). Shadow rays go to points spread over the spheres, each sphere chosen in proportion to the
//   direct light it would give the point, so the strong nearby lights get most of the rays and the sum of
//   all direct light is estimated at once; partly hidden spheres give soft shadow edges;
// - the rest of a light's contribution (the light its surroundings bounce back) and the ambient sky are
//   scaled by ambient occlusion: the fraction of cosine-weighted rays that leave the point without meeting
//   anything within `occlusionDistance`.
// Texels are shaded independently with fixed per-texel sample patterns, so any number of threads gives the
// same bytes. Texels no surface reaches take their neighbours' light, so bilinear filtering never pulls in
// black at the edges.

#include <string>
#include <vector>

#include "church/church_model.h"
#include "church/light_projection.h"
#include "church/ray_caster.h"
#include "pictures/image.h"

namespace vm::church {

struct BakeLight {
    std::vector<Vec3> bodies;  // centres of the glowing spheres, world units
    float radius = 1;          // of each sphere: the larger, the softer its shadows
    Vec3 colour;               // per body: linear light on a surface facing it from close by
    float reach = 100;         // distance at which a body's light has fallen to half
};

struct BakeScene {
    RayCaster occluders;  // everything that casts shadows
    std::vector<BakeLight> lights;
    Vec3 ambient;             // moonlight and sky: reaches whatever the open hemisphere sees
    Vec3 interior;            // a point inside the room; surfaces are baked as seen from it
    float occlusionDistance = 250;  // world units an occlusion ray travels before it counts as open
};

struct LightMapSurface {
    std::string file;
    int width = 0, height = 0;
    Projection projection;                      // reference must not be null
    std::vector<const ChurchObject*> objects;   // the objects drawn with this map (nulls are skipped)
};

// Appends the world-space triangles of `object` (its mesh through its matrix), labelled with `tag`.
void appendTriangles(const ChurchObject& object, std::uint32_t tag, std::vector<Triangle>& out);

// One linear-light picture per surface (alpha 1), before tone mapping. threads <= 0 uses the machine's
// hardware threads; the result does not depend on the count.
std::vector<pictures::Image> bakeSurfaces(const std::vector<LightMapSurface>& surfaces, const BakeScene& scene,
                                          int threads);

}  // namespace vm::church
