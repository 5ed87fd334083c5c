// Stand-in for the render passes: the whole church from one fixed viewpoint down the nave toward the
// altar, lit by a few warm point lights as if by candles, glass and candles unlit, the glow layers added
// on top. The real passes replace this file; nothing else depends on how it draws.

#include <cstdint>
#include <unordered_set>

#include "engine/mesh_draw.h"
#include "platform/d3dx/math.h"
#include "scene/church_scene.h"
#include "scene/preview_lights.h"

namespace vm::scene {

namespace {

// From the west entrance (the organ end, z < 0) along the nave axis x = -400 toward the altar apse.
constexpr d3d::Vector3 kFixedEye{-400, 170, -330};
constexpr d3d::Vector3 kFixedTarget{-400, 230, 1700};

// The floor is a few huge triangles: per-vertex point lights hardly reach its corners, so it gets an
// even, dim glow from above instead.
void setFloorLight(d3d::Device& device) {
    for (std::uint32_t i = 0; i < 8; ++i) device.LightEnable(i, false);
    d3d::Light light;
    light.Type = d3d::LightType::Directional;
    light.Diffuse = {0.45f, 0.34f, 0.24f, 1};
    light.Direction = {0, -1, 0};
    device.SetLight(0, light);
    device.LightEnable(0, true);
}

void clearLights(d3d::Device& device) {
    for (std::uint32_t i = 0; i < 8; ++i) device.LightEnable(i, false);
    device.SetRenderState(d3d::RenderState::Ambient, std::uint32_t{0});
}

}  // namespace

int ChurchScene::Render() {
    if (!device_) return d3d::kErrInvalidCall;
    d3d::Device& device = *device_;
    d3d::Matrix savedWorld, savedView;
    device.GetTransform(d3d::TransformState::World, &savedWorld);
    device.GetTransform(d3d::TransformState::View, &savedView);
    device.SetTransform(d3d::TransformState::View, d3dx::lookAtLH(kFixedEye, kFixedTarget, {0, 1, 0}));

    device.SetRenderState(d3d::RenderState::AlphaBlendEnable, false);
    device.SetRenderState(d3d::RenderState::ZEnable, d3d::ZBuffer::True);
    device.SetRenderState(d3d::RenderState::ZWriteEnable, true);
    device.SetRenderState(d3d::RenderState::CullMode, d3d::Cull::CCW);
    device.SetRenderState(d3d::RenderState::FillMode, d3d::Fill::Solid);
    device.SetRenderState(d3d::RenderState::SpecularEnable, false);
    churchModel_.ComputeWorldMatrices(savedWorld);

    // What the hall pass draws without lighting: glass shows its own night-painted texture.
    std::unordered_set<const engine::SceneObject*> unlit;
    for (const MeshGroup* g : {&groups_.wallLamps, &groups_.bigGlass, &groups_.organGlass, &groups_.circularGlass,
                               &groups_.stainedGlass, &groups_.windows, &groups_.candleSticks, &groups_.candles,
                               &groups_.backDoor}) {
        unlit.insert(g->begin(), g->end());
    }
    const std::unordered_set<const engine::SceneObject*> glows(groups_.glowLayers.begin(), groups_.glowLayers.end());

    const std::unordered_set<const engine::SceneObject*> floors(groups_.floor.begin(), groups_.floor.end());

    SetCandlePreviewLights(device);
    std::size_t index = 0;
    for (const engine::SceneObject& o : allObjects_) {
        engine::XModel& model = index++ < churchObjectCount_ ? churchModel_ : lightModel_;
        if (glows.contains(&o) || floors.contains(&o)) continue;
        device.SetRenderState(d3d::RenderState::Lighting, !unlit.contains(&o));
        engine::DrawObject(model, o);
    }
    setFloorLight(device);
    device.SetRenderState(d3d::RenderState::Lighting, true);
    for (const engine::SceneObject* o : groups_.floor) {
        if (o) engine::DrawObject(churchModel_, *o);
    }
    clearLights(device);

    // Glow layers add light: colour × colour + what is there, behind nothing they would hide.
    device.SetRenderState(d3d::RenderState::CullMode, d3d::Cull::None);
    device.SetRenderState(d3d::RenderState::ZWriteEnable, false);
    device.SetRenderState(d3d::RenderState::Lighting, false);
    device.SetRenderState(d3d::RenderState::AlphaBlendEnable, true);
    device.SetRenderState(d3d::RenderState::SrcBlend, d3d::Blend::SrcColor);
    device.SetRenderState(d3d::RenderState::DestBlend, d3d::Blend::One);
    for (const engine::SceneObject* o : groups_.glowLayers) {
        if (o) engine::DrawObject(lightModel_, *o);
    }

    device.SetRenderState(d3d::RenderState::AlphaBlendEnable, false);
    device.SetRenderState(d3d::RenderState::ZWriteEnable, true);
    device.SetRenderState(d3d::RenderState::Lighting, true);
    device.SetRenderState(d3d::RenderState::CullMode, d3d::Cull::CCW);
    device.SetTransform(d3d::TransformState::World, savedWorld);
    device.SetTransform(d3d::TransformState::View, savedView);
    return 0;
}

}  // namespace vm::scene
