#pragma once
// The clock and frame-rate overlay: textured glyphs (0-9, colon, dot, A, M, P) from the glyph archive,
// each drawn twice, a slightly larger darkening pass and an additive coloured pass, through the
// shared rectangle buffer. Positions and sizes are fractions of the viewport, (0, 0) top-left.

#include <array>
#include <cstdint>
#include <vector>

#include "engine/texture_table.h"
#include "gfx/quad_buffer_pool.h"

namespace vm {
class LogFile;
}

namespace vm::gfx {

constexpr int kGlyphArchive = 452;
// Password of the glyph archive's entries; the media packaging writes the archive with the same.
inline constexpr const char* kGlyphArchivePassword = "vmdigits9";

constexpr int kGlyphColon = 10;
constexpr int kGlyphDot = 11;
constexpr int kGlyphA = 12;
constexpr int kGlyphM = 13;
constexpr int kGlyphP = 14;
constexpr int kGlyphCount = 15;

struct OverlayParams {
    std::uint8_t red = 255, green = 255, blue = 255;  // glow pass colour
    float glyphHeight = 0.06375f;
    float glyphWidth = 0.047f;
    float advance = 0.79f;  // step = glyphWidth × advance, so neighbours overlap
    float clockX = 0.69f, clockY = 0.92f;
    float fpsX = 0.01f, fpsY = 0.01f;
};

struct OverlaySwitches {
    bool showTime = false;
    bool clock24h = false;
    bool showFps = false;
};

struct LocalTime {
    int hour = 0, minute = 0, second = 0;
};

struct GlyphPlacement {
    int glyph;
    float x, y;
};

// Glyphs of the clock for the given time; the 12-hour clock starts two steps further left and leaves
// the first position empty for hours 1 to 9.
std::vector<GlyphPlacement> layoutClock(const LocalTime& time, bool clock24h, const OverlayParams& params);
// Glyphs of the frame rate text ("%i"; any character below '0' is the dot).
std::vector<GlyphPlacement> layoutFps(int framesPerSecond, const OverlayParams& params);

class Overlay {
public:
    // Loads the 15 glyphs from the glyph archive into the table; missing ones stay empty (-1) and
    // draw as plain rectangles.
    void loadGlyphs(engine::TextureTable& table, LogFile* log) noexcept;
    // Draws inside the caller's scene. rectBuffer is the loading screen's rectangle slot.
    void drawOverlay(d3d::Device* device, QuadBufferPool& pool, int rectBuffer, engine::TextureTable& table,
                     const OverlaySwitches& switches, const LocalTime& time, int framesPerSecond) noexcept;

    OverlayParams params;
    std::array<engine::TextureRef, kGlyphCount> glyphs;

private:
    void drawGlyph(d3d::Device* device, QuadBufferPool& pool, int rectBuffer, engine::TextureTable& table,
                   const GlyphPlacement& g) noexcept;
};

}  // namespace vm::gfx
