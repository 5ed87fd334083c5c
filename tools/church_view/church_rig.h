#pragma once
// The generated church on a headless device, lit by a preview rig that stands in for the scene's own
// passes: candle-warm point lights, unlit glass, lamps and candles. Renders one view at a time.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/scene_object.h"
#include "engine/x_model.h"
#include "platform/d3d/d3d.h"

namespace vm::church_view {

struct View {
    d3d::Vector3 eye, at;
};

class ChurchRig {
public:
    // Empty when it worked, else the reason.
    std::string open(const std::string& mediaDir, std::uint32_t width, std::uint32_t height);
    // Clears, draws the church from view and reads the picture back; false when it cannot be read.
    bool render(const View& view, d3d::Image* out);

private:
    std::unique_ptr<d3d::Direct3D> direct3D_;
    std::unique_ptr<d3d::Device> device_;
    engine::XModel church_;
    std::vector<engine::SceneObject> objects_;
    std::uint32_t width_ = 0, height_ = 0;
};

}  // namespace vm::church_view
