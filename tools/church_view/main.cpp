// Renders six fixed views of the generated church (nave, altar, organ, clerestory, aisle, ceiling) into
// one PNG, so the model, its textures and its light placement can be judged by eye. A preview lighting
// rig stands in for the scene's own passes: candle-warm point lights, unlit glass, lamps and candles.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "engine/mesh_draw.h"
#include "engine/scene_object.h"
#include "engine/x_model.h"
#include "platform/d3d/d3d.h"
#include "platform/d3dx/math.h"
#include "platform/d3dx/png_writer.h"
#include "platform/d3dx/texture_from_memory.h"

namespace {

using namespace vm;

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

void pointLight(d3d::Device& device, std::uint32_t index, d3d::Vector3 at, d3d::ColorValue colour, float range) {
    d3d::Light l;
    l.Type = d3d::LightType::Point;
    l.Diffuse = colour;
    l.Position = at;
    l.Range = range;
    l.Attenuation0 = 0.4f;
    l.Attenuation1 = 0.0015f;
    device.SetLight(index, l);
    device.LightEnable(index, true);
}

struct View {
    d3d::Vector3 eye, at;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: church_view GENDIR OUT.png\n");
        return 2;
    }
    gMediaDir = argv[1];
    constexpr std::uint32_t kW = 480, kH = 360;
    d3d::ObjectOptions options;
    options.headless = true;
    auto direct3D = d3d::Direct3D::Create(d3d::kSdkVersion, options);
    std::unique_ptr<d3d::Device> device;
    d3d::PresentParameters pp;
    pp.BackBufferWidth = kW;
    pp.BackBufferHeight = kH;
    pp.BackBufferFormat = d3d::Format::X8R8G8B8;
    pp.Windowed = true;
    pp.EnableAutoDepthStencil = true;
    pp.AutoDepthStencilFormat = d3d::Format::D24S8;
    if (!direct3D || direct3D->CreateDevice(0, d3d::DevType::Hal, d3d::PresentTarget::Headless(kW, kH),
                                            d3d::create::kHardwareVertexProcessing, &pp, &device) != 0) {
        std::fprintf(stderr, "church_view: no OpenGL device\n");
        return 1;
    }

    engine::XModel church;
    church.SetTextureLoader(loadTexture);
    church.AttachDevice(device.get());
    std::vector<std::uint8_t> bytes = readFile(gMediaDir + "/church11.X");
    if (church.LoadFromMemory(bytes.data(), bytes.size()) != 0) {
        std::fprintf(stderr, "church_view: cannot load %s/church11.X\n", gMediaDir.c_str());
        return 1;
    }
    church.ComputeWorldMatrices(d3dx::identity());
    std::vector<engine::SceneObject> objects;
    engine::CollectObjects(church, objects);
    for (auto& o : objects) o.SplitIntoClusters();

    const View views[] = {
        {{-400, 170, -330}, {-400, 230, 1700}},  // the nave from the entrance
        {{-400, 210, 1180}, {-400, 180, 1900}},  // at the altar
        {{-400, 320, 1000}, {-400, 640, -420}},  // back to the organ
        {{-560, 420, -260}, {-850, 760, 900}},   // along the clerestory windows
        {{-1060, 170, -330}, {-1060, 190, 1400}},  // the left aisle
        {{-400, 120, 250}, {-400, 1050, 760}},   // up at the ceiling
    };
    std::vector<std::uint32_t> sheet(std::size_t{kW} * 3 * kH * 2, 0);
    d3d::Material look;
    look.Diffuse = {1, 1, 1, 1};
    look.Ambient = {1, 1, 1, 1};
    for (int v = 0; v < 6; ++v) {
        device->Clear(0, nullptr, d3d::clear::kTarget | d3d::clear::kZBuffer, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->SetTransform(d3d::TransformState::View, d3dx::lookAtLH(views[v].eye, views[v].at, {0, 1, 0}));
        device->SetTransform(d3d::TransformState::Projection,
                             d3dx::perspectiveFovLH(std::numbers::pi_v<float> / 4, float(kW) / float(kH), 10, 2500));
        device->SetRenderState(d3d::RenderState::Ambient, std::uint32_t{0xFF262320});
        pointLight(*device, 0, {-850, 200, 430}, {1.0f, 0.7f, 0.4f, 1}, 900);
        pointLight(*device, 1, {50, 200, 430}, {1.0f, 0.7f, 0.4f, 1}, 900);
        pointLight(*device, 2, {-400, 300, 1650}, {1.0f, 0.8f, 0.55f, 1}, 900);
        pointLight(*device, 3, {-400, 850, 1100}, {0.7f, 0.62f, 0.5f, 1}, 900);
        pointLight(*device, 4, {-400, 700, -150}, {0.7f, 0.65f, 0.6f, 1}, 900);
        pointLight(*device, 5, {-1100, 300, 600}, {0.9f, 0.65f, 0.35f, 1}, 700);
        pointLight(*device, 6, {300, 300, 600}, {0.9f, 0.65f, 0.35f, 1}, 700);
        for (const auto& o : objects) {
            bool unlit = drawnUnlit(o.frame->name);
            device->SetRenderState(d3d::RenderState::Lighting, !unlit);
            device->SetTransform(d3d::TransformState::World, o.WorldMatrix());
            engine::DrawWithOptions(o, *device, false, true, &look);
        }
        device->EndScene();
        d3d::Image image;
        if (device->ReadRenderTarget(&image) != 0 || image.width != kW || image.height != kH) {
            std::fprintf(stderr, "church_view: cannot read the picture back\n");
            return 1;
        }
        std::size_t ox = std::size_t(v % 3) * kW, oy = std::size_t(v / 3) * kH;
        for (std::uint32_t y = 0; y < kH; ++y) {
            for (std::uint32_t x = 0; x < kW; ++x) sheet[(oy + y) * kW * 3 + ox + x] = image.At(x, y);
        }
    }
    std::vector<std::uint8_t> png = d3dx::EncodePng(sheet, kW * 3, kH * 2);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return out ? 0 : 1;
}
