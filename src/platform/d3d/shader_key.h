#pragma once
// The part of the fixed-function state that changes the generated shader program. Everything else
// (matrices, colours, the enabled lights and their kinds, alpha reference) travels in uniforms: each
// program costs a compile (about 0.1 s on llvmpipe), so the lights loop in the shader rather than
// multiply the programs. One byte per field,
// zero-initialised, so the key compares and hashes as plain bytes.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace vm::d3d::detail {

// Texture-coordinate source of a stage: a vertex set 0..7, or a generated value.
enum : std::uint8_t { kTexSrcCameraPosition = 8, kTexSrcCameraNormal = 9, kTexSrcReflection = 10 };

struct StageKey {
    std::uint8_t colorOp;  // TextureOp number; 0 when the stage does not run
    std::uint8_t colorArg1, colorArg2;
    std::uint8_t alphaOp;
    std::uint8_t alphaArg1, alphaArg2;
    std::uint8_t texSource;     // see above
    std::uint8_t vertexSetSize; // floats in the vertex set (0 = set absent, reads 0)
    std::uint8_t transformCount;  // 0 = no texture matrix, else 1..4
    std::uint8_t projected;
    std::uint8_t hasTexture;
};

struct ShaderKey {
    std::uint8_t pretransformed;
    std::uint8_t lighting;     // lit per vertex
    std::uint8_t specular;     // SpecularEnable (only meaningful when lit)
    std::uint8_t hasNormal;
    std::uint8_t hasDiffuse;   // vertex carries a diffuse colour
    std::uint8_t hasSpecular;  // vertex carries a specular colour
    std::uint8_t diffuseSrc, ambientSrc, specularSrc, emissiveSrc;  // MaterialSource, resolved
    std::uint8_t blendWeights;  // VertexBlend weights in use (0..3)
    std::uint8_t vertexWeights; // weights stored in the vertex
    std::uint8_t alphaFunc;     // Cmp number, 0 = alpha test off
    std::uint8_t localViewer;
    StageKey stage[2];

    bool operator==(const ShaderKey& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};

struct ShaderKeyHash {
    std::size_t operator()(const ShaderKey& k) const noexcept {
        // FNV-1a over the bytes.
        const auto* p = reinterpret_cast<const unsigned char*>(&k);
        std::uint64_t h = 1469598103934665603ull;
        for (std::size_t i = 0; i < sizeof k; ++i) h = (h ^ p[i]) * 1099511628211ull;
        return static_cast<std::size_t>(h);
    }
};

// GLSL 3.30 sources for the key. Uniform and attribute names are fixed (see the generator).
void GenerateShaders(const ShaderKey& key, std::string* vertexSource, std::string* fragmentSource);

}  // namespace vm::d3d::detail
