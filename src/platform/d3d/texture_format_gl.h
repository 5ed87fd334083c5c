#pragma once
// How each texture format is stored in GL and how its bytes are handed over. The in-memory layouts
// are little-endian words: A8R8G8B8 is bytes B, G, R, A; the 16-bit formats are one word per pixel.

#include "platform/d3d/formats.h"
#include "platform/d3d/gl_api.h"

namespace vm::d3d::detail {

struct GlTextureFormat {
    GLenum internal = GL_RGBA8;
    GLenum format = GL_BGRA;
    GLenum type = GL_UNSIGNED_INT_8_8_8_8_REV;
    bool alphaOne = false;  // X formats: alpha reads as 1 whatever the bytes hold
};

inline GlTextureFormat TextureFormatGl(Format f) {
    switch (f) {
        case Format::X8R8G8B8: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, true};
        case Format::R5G6B5: return {GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, false};
        case Format::A1R5G5B5: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, false};
        case Format::X1R5G5B5: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, true};
        default: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, false};
    }
}

}  // namespace vm::d3d::detail
