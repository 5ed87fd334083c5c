#include "gfx/loading_screen.h"

#include <memory>

#include "app/base/log_file.h"
#include "gfx/quad_buffer_pool.h"
#include "platform/d3dx/texture_from_memory.h"
#include "platform/os/resources.h"

namespace vm::gfx {

namespace {

void writeLog(LogFile* log, std::string_view line) {
    if (log) log->writeLine(line);
}

std::unique_ptr<d3d::Texture> loadPicture(d3d::Device* device, int id) {
    std::unique_ptr<d3d::Texture> texture;
    const os::ResourceBytes bytes = os::findResource("CustomData", id);
    if (bytes.empty()) return texture;
    if (d3d::Failed(d3dx::CreateTextureFromFileInMemoryEx(device, bytes.data(), bytes.size(), 0, 0, 0, 0,
                                                          d3d::Format::Unknown, d3d::Pool::Managed, d3dx::kDefault,
                                                          d3dx::kDefault, 0, nullptr, &texture)))
        d3dx::CreateTextureFromFileInMemoryEx(device, bytes.data(), bytes.size(), 128, 128, 0, 0,
                                              d3d::Format::R5G6B5, d3d::Pool::Managed, d3dx::kDefault,
                                              d3dx::kDefault, 0, nullptr, &texture);
    return texture;
}

}  // namespace

int showLoadingScreen(d3d::Device* device, QuadBufferPool& pool, int& rectBuffer, int& presentParity,
                      LogFile* log) noexcept {
    if (!device) return 0;
    writeLog(log, "Load Not_table_alpha texture complete");
    rectBuffer = -1;
    pool.create(rectBuffer, kRectVertexFormat, 4);
    if (auto* v = static_cast<RectVertex*>(pool.lock(rectBuffer))) {
        const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
        for (int i = 0; i < 4; ++i) v[i] = {0, 0, 0.99f, 1, 0xFFFFFFFFu, uv[i][0], uv[i][1]};
        pool.unlock(rectBuffer);
    }
    const auto picture = loadPicture(device, 476);
    const auto bottomRight = loadPicture(device, 479);
    const auto bottomLeft = loadPicture(device, 480);
    const auto topRight = loadPicture(device, 481);
    const auto topLeft = loadPicture(device, 482);
    writeLog(log, "Load Loading Texture complete.");

    std::uint32_t savedBlend = 0, savedSrc = 0, savedDest = 0, savedAlphaOp = 0;
    device->GetRenderState(d3d::RenderState::AlphaBlendEnable, &savedBlend);
    device->GetRenderState(d3d::RenderState::SrcBlend, &savedSrc);
    device->GetRenderState(d3d::RenderState::DestBlend, &savedDest);
    device->GetTextureStageState(0, d3d::TextureStageState::AlphaOp, &savedAlphaOp);

    for (int pass = 0; pass < 2; ++pass) {
        device->Clear(0, nullptr, d3d::clear::kZBuffer, 0, 1.0f, 0);  // the colour target is kept
        device->BeginScene();
        d3d::Viewport vp;
        device->GetViewport(&vp);
        device->SetRenderState(d3d::RenderState::ZEnable, d3d::ZBuffer::False);
        pool.setQuad(rectBuffer, 0, 0, 1, 1, 0xFFFFFFFFu, 0, 0, 1, 1);
        pool.bind(0, rectBuffer);
        device->SetTexture(0, picture.get());
        device->SetRenderState(d3d::RenderState::AlphaBlendEnable, false);
        device->DrawPrimitive(d3d::PrimitiveType::TriangleStrip, 0, 2);
        device->SetRenderState(d3d::RenderState::AlphaBlendEnable, true);
        device->SetRenderState(d3d::RenderState::SrcBlend, d3d::Blend::SrcAlpha);
        device->SetRenderState(d3d::RenderState::DestBlend, d3d::Blend::InvSrcAlpha);
        // Corner size in viewport fractions: 256 x 128 pixels.
        const float w = vp.Width ? 256.0f / static_cast<float>(vp.Width) : 0.0f;
        const float h = vp.Height ? 128.0f / static_cast<float>(vp.Height) : 0.0f;
        const struct {
            float x, y;
            d3d::Texture* texture;
        } corners[4] = {{1 - w, 1 - h, bottomRight.get()},
                        {0, 1 - h, bottomLeft.get()},
                        {0, 0, topLeft.get()},
                        {1 - w, 0, topRight.get()}};
        for (const auto& c : corners) {
            pool.setQuad(rectBuffer, c.x, c.y, w, h, 0xFFFFFFFFu, 0, 0, 1, 1);
            device->SetTexture(0, c.texture);
            device->SetTextureStageState(0, d3d::TextureStageState::AlphaOp, d3d::TextureOp::Modulate);
            device->DrawPrimitive(d3d::PrimitiveType::TriangleStrip, 0, 2);
        }
        device->SetRenderState(d3d::RenderState::ZEnable, d3d::ZBuffer::True);
        device->EndScene();
        presentParity = 1 - presentParity;
        device->Present();
    }
    writeLog(log, "Draw Loading Screen complete.");
    device->SetTexture(0, nullptr);  // the pictures go now; nothing may keep pointing at them
    writeLog(log, "Unload Loading Data complete.");
    device->SetRenderState(d3d::RenderState::AlphaBlendEnable, savedBlend);
    device->SetRenderState(d3d::RenderState::SrcBlend, savedSrc);
    device->SetRenderState(d3d::RenderState::DestBlend, savedDest);
    device->SetTextureStageState(0, d3d::TextureStageState::AlphaOp, savedAlphaOp);
    return 0;
}

}  // namespace vm::gfx
