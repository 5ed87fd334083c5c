#include "scene/preview_lights.h"

#include <cstdint>

namespace vm::scene {
namespace {

void pointLight(d3d::Device& device, std::uint32_t index, d3d::Vector3 at, d3d::ColorValue colour, float range) {
    d3d::Light light;
    light.Type = d3d::LightType::Point;
    light.Diffuse = colour;
    light.Position = at;
    light.Range = range;
    light.Attenuation0 = 0.4f;
    light.Attenuation1 = 0.0015f;  // per world unit
    device.SetLight(index, light);
    device.LightEnable(index, true);
}

}  // namespace

void SetCandlePreviewLights(d3d::Device& device) {
    device.SetRenderState(d3d::RenderState::Ambient, std::uint32_t{0xFF262320});
    pointLight(device, 0, {-850, 200, 430}, {1.0f, 0.7f, 0.4f, 1}, 900);
    pointLight(device, 1, {50, 200, 430}, {1.0f, 0.7f, 0.4f, 1}, 900);
    pointLight(device, 2, {-400, 300, 1650}, {1.0f, 0.8f, 0.55f, 1}, 900);
    pointLight(device, 3, {-400, 850, 1100}, {0.7f, 0.62f, 0.5f, 1}, 900);
    pointLight(device, 4, {-400, 700, -150}, {0.7f, 0.65f, 0.6f, 1}, 900);
    pointLight(device, 5, {-1100, 300, 600}, {0.9f, 0.65f, 0.35f, 1}, 700);
    pointLight(device, 6, {300, 300, 600}, {0.9f, 0.65f, 0.35f, 1}, 700);
}

}  // namespace vm::scene
