#include "gfx/overlay.h"

#include <cstdio>
#include <string>

#include "app/base/log_file.h"
#include "archive/media_archive.h"
#include "archive/resource/media_resource.h"

namespace vm::gfx {

namespace {

constexpr const char* kGlyphNames[kGlyphCount] = {
    "digit_0.JPG", "digit_1.JPG", "digit_2.JPG", "digit_3.JPG",    "digit_4.JPG",   "digit_5.JPG",
    "digit_6.JPG", "digit_7.JPG", "digit_8.JPG", "digit_9.JPG",    "digit_ddot.JPG", "digit_dot.JPG",
    "digit_A.JPG", "digit_M.JPG", "digit_P.JPG"};
constexpr const char* kGlyphGroup = "Digits\\";

}  // namespace

std::vector<GlyphPlacement> layoutClock(const LocalTime& time, bool clock24h, const OverlayParams& params) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hour % 100, time.minute % 100, time.second % 100);
    const float step = params.glyphWidth * params.advance;
    std::vector<GlyphPlacement> out;
    if (clock24h) {
        for (int p = 0; p < 8; ++p) out.push_back({text[p] - '0', params.clockX + static_cast<float>(p) * step, params.clockY});
        return out;
    }
    // Two steps further left, so the longer text ends where the 24-hour clock does.
    const float x0 = params.clockX - 2 * step;
    int h = time.hour;
    bool am = true;
    int tens = text[0] - '0', units = text[1] - '0';
    if (h >= 12) {
        am = false;
        if (h != 12) h -= 12;
        tens = h < 10 ? 0 : 1;
        units = h < 10 ? h : h - 10;
    }
    if (h == 0) {
        tens = 1;
        units = 2;
    }
    for (int p = 0; p < 8; ++p) {
        int glyph = text[p] - '0';
        if (p == 0) {
            if (tens == 0) continue;  // position stays empty
            glyph = tens;
        } else if (p == 1) {
            glyph = units;
        }
        out.push_back({glyph, x0 + static_cast<float>(p) * step, params.clockY});
    }
    out.push_back({am ? kGlyphA : kGlyphP, x0 + 8 * step, params.clockY});
    out.push_back({kGlyphM, x0 + 9 * step, params.clockY});
    return out;
}

std::vector<GlyphPlacement> layoutFps(int framesPerSecond, const OverlayParams& params) {
    char text[16];
    std::snprintf(text, sizeof text, "%i", framesPerSecond);
    const float step = params.glyphWidth * params.advance;
    std::vector<GlyphPlacement> out;
    for (int p = 0; text[p] != '\0'; ++p) {
        int glyph = text[p] - '0';
        if (glyph < 0) glyph = kGlyphDot;
        out.push_back({glyph, params.fpsX + static_cast<float>(p) * step, params.fpsY});
    }
    return out;
}

void Overlay::loadGlyphs(engine::TextureTable& table, LogFile* log) noexcept {
    MediaBlob blob = loadMediaBlob(kGlyphArchive);
    for (int i = 0; i < kGlyphCount; ++i) {
        char path[64];
        std::snprintf(path, sizeof path, "%s%s", kGlyphGroup, kGlyphNames[i]);
        std::uint8_t* bytes = nullptr;
        std::uint32_t size = 0;
        if (!blob.data || !MediaArchive::extractFile(path, blob, kGlyphArchivePassword, bytes, size)) continue;
        MediaFile file(bytes);
        glyphs[static_cast<std::size_t>(i)] = table.LoadFromMemory(file.get(), size, kGlyphNames[i], kGlyphGroup);
    }
    if (log) log->writeLine("Load Digit textures complete");
}

void Overlay::drawGlyph(d3d::Device* device, QuadBufferPool& pool, int rectBuffer, engine::TextureTable& table,
                        const GlyphPlacement& g) noexcept {
    // Glyph numbers come from layout, but a bad one must never index past the table.
    const int index = g.glyph >= 0 && g.glyph < kGlyphCount ? glyphs[static_cast<std::size_t>(g.glyph)].index : -1;
    table.BindTexture(0, index);
    // Darkening: destination × (1 − texel) over a rectangle 7 % larger, lifting the glyph off bright
    // backgrounds.
    device->SetRenderState(d3d::RenderState::SrcBlend, d3d::Blend::Zero);
    device->SetRenderState(d3d::RenderState::DestBlend, d3d::Blend::InvSrcColor);
    pool.setQuad(rectBuffer, g.x, g.y, params.glyphWidth * 1.07f, params.glyphHeight * 1.07f, 0xFFFFFFFFu, 0, 0, 1, 1);
    device->DrawPrimitive(d3d::PrimitiveType::TriangleStrip, 0, 2);
    // Glow: additive in the glyph colour.
    device->SetRenderState(d3d::RenderState::SrcBlend, d3d::Blend::SrcAlpha);
    device->SetRenderState(d3d::RenderState::DestBlend, d3d::Blend::One);
    const std::uint32_t color = 0xFF000000u + params.red * 65536u + params.green * 256u + params.blue;
    pool.setQuad(rectBuffer, g.x, g.y, params.glyphWidth, params.glyphHeight, color, 0, 0, 1, 1);
    device->DrawPrimitive(d3d::PrimitiveType::TriangleStrip, 0, 2);
}

void Overlay::drawOverlay(d3d::Device* device, QuadBufferPool& pool, int rectBuffer, engine::TextureTable& table,
                          const OverlaySwitches& switches, const LocalTime& time, int framesPerSecond) noexcept {
    if (!device) return;
    device->SetRenderState(d3d::RenderState::ZEnable, d3d::ZBuffer::False);
    device->SetRenderState(d3d::RenderState::AlphaBlendEnable, true);
    device->SetTexture(0, nullptr);
    device->SetRenderState(d3d::RenderState::AlphaRef, std::uint32_t{0});
    pool.bind(0, rectBuffer);
    try {
        if (switches.showTime)
            for (const GlyphPlacement& g : layoutClock(time, switches.clock24h, params))
                drawGlyph(device, pool, rectBuffer, table, g);
        if (switches.showFps)
            for (const GlyphPlacement& g : layoutFps(framesPerSecond, params)) drawGlyph(device, pool, rectBuffer, table, g);
    } catch (const std::bad_alloc&) {
        // An overlay that cannot be laid out this frame is simply not drawn.
    }
    device->SetRenderState(d3d::RenderState::ZEnable, d3d::ZBuffer::True);
    device->SetRenderState(d3d::RenderState::AlphaBlendEnable, false);
}

}  // namespace vm::gfx
