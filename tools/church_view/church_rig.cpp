#include "church_view/church_rig.h"

#include <fstream>
#include <iterator>
#include <numbers>

#include "engine/mesh_draw.h"
#include "platform/d3dx/math.h"
#include "platform/d3dx/texture_from_memory.h"
#include "scene/preview_lights.h"

namespace vm::church_view {

namespace {

// The texture hook has no context argument; the rig is the tool's only user of it.
std::string gMediaDir;

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int loadTexture(d3d::Device* device, const char* name, std::shared_ptr<d3d::Texture>* out) {
    std::vector<std::uint8_t> bytes = readFile(gMediaDir + "/" + name);
    if (bytes.empty()) return -1;
    std::unique_ptr<d3d::Texture> texture;
    if (d3dx::failed(d3dx::CreateTextureFromFileInMemory(device, bytes.data(), bytes.size(), &texture))) return -1;
    *out = std::move(texture);
    return 0;
}

bool drawnUnlit(const std::string& name) {
    for (const char* part : {"Glass", "Window", "Lamp", "Candle", "back_door", "Object39"}) {
        if (name.find(part) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

std::string ChurchRig::open(const std::string& mediaDir, std::uint32_t width, std::uint32_t height) {
    gMediaDir = mediaDir;
    width_ = width;
    height_ = height;
    d3d::ObjectOptions options;
    options.headless = true;
    direct3D_ = d3d::Direct3D::Create(d3d::kSdkVersion, options);
    d3d::PresentParameters pp;
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = d3d::Format::X8R8G8B8;
    pp.Windowed = true;
    pp.EnableAutoDepthStencil = true;
    pp.AutoDepthStencilFormat = d3d::Format::D24S8;
    if (!direct3D_ || direct3D_->CreateDevice(0, d3d::DevType::Hal, d3d::PresentTarget::Headless(width, height),
                                              d3d::create::kHardwareVertexProcessing, &pp, &device_) != 0) {
        return "no OpenGL device";
    }
    church_.SetTextureLoader(loadTexture);
    church_.AttachDevice(device_.get());
    std::vector<std::uint8_t> bytes = readFile(mediaDir + "/church11.X");
    if (church_.LoadFromMemory(bytes.data(), bytes.size()) != 0) return "cannot load " + mediaDir + "/church11.X";
    church_.ComputeWorldMatrices(d3dx::identity());
    engine::CollectObjects(church_, objects_);
    for (auto& o : objects_) o.SplitIntoClusters();
    return {};
}

bool ChurchRig::render(const View& view, d3d::Image* out) {
    d3d::Device& device = *device_;
    d3d::Material look;
    look.Diffuse = {1, 1, 1, 1};
    look.Ambient = {1, 1, 1, 1};
    device.Clear(0, nullptr, d3d::clear::kTarget | d3d::clear::kZBuffer, 0xFF000000, 1.0f, 0);
    device.BeginScene();
    device.SetTransform(d3d::TransformState::View, d3dx::lookAtLH(view.eye, view.at, {0, 1, 0}));
    device.SetTransform(d3d::TransformState::Projection,
                        d3dx::perspectiveFovLH(std::numbers::pi_v<float> / 4, float(width_) / float(height_), 10, 2500));
    scene::SetCandlePreviewLights(device);
    for (const auto& o : objects_) {
        device.SetRenderState(d3d::RenderState::Lighting, !drawnUnlit(o.frame->name));
        device.SetTransform(d3d::TransformState::World, o.WorldMatrix());
        engine::DrawWithOptions(o, device, false, true, &look);
    }
    device.EndScene();
    return device.ReadRenderTarget(out) == 0 && out->width == width_ && out->height == height_;
}

}  // namespace vm::church_view
