#include "scene/default_view.h"

#include "platform/d3dx/math.h"

namespace vm::scene {

int SetDefaultView(d3d::Device& device) {
    d3d::Viewport viewport;
    if (const d3d::Result r = device.GetViewport(&viewport); r < 0) return r;
    // A zero-height viewport would make the aspect infinite; the projection falls back to identity
    // for aspect 0 instead.
    const float aspect = viewport.Height > 0 ? static_cast<float>(viewport.Width) / static_cast<float>(viewport.Height)
                                             : 0.0f;
    const d3d::Matrix projection = d3dx::perspectiveFovLH(kFieldOfViewY, aspect, kNearPlane, kFarPlane);
    if (const d3d::Result r = device.SetTransform(d3d::TransformState::Projection, projection); r < 0) return r;
    const d3d::Matrix view = d3dx::lookAtLH({0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    return device.SetTransform(d3d::TransformState::View, view);
}

}  // namespace vm::scene
