#pragma once
// Value records the device takes and gives: viewport, light, material, gamma ramp, display mode,
// capabilities, adapter identity, presentation parameters and surface descriptions.

#include <cstdint>

#include "platform/d3d/formats.h"
#include "platform/d3d/types.h"

namespace vm::d3d {

// Pixels of the current render target, (X, Y) its top-left corner; depth maps NDC z 0..1 to MinZ..MaxZ.
struct Viewport {
    std::uint32_t X = 0, Y = 0, Width = 0, Height = 0;
    float MinZ = 0, MaxZ = 1;
};

enum class LightType : std::uint32_t { Point = 1, Spot = 2, Directional = 3 };

// Positions and directions are in world space. Direction is the way the light travels; the device
// normalises it. Range and the attenuation factors (1 / (a0 + a1·d + a2·d²)) apply to point and spot
// lights only.
struct Light {
    LightType Type = LightType::Point;
    ColorValue Diffuse, Specular, Ambient;
    Vector3 Position, Direction;
    float Range = 0, Falloff = 0;
    float Attenuation0 = 0, Attenuation1 = 0, Attenuation2 = 0;
    float Theta = 0, Phi = 0;  // spot cone angles, radians
};

struct Material {
    ColorValue Diffuse, Ambient, Specular, Emissive;
    float Power = 0;
};

// Sixteen-bit entries per channel; entry i is the output for an 8-bit input i.
struct GammaRamp {
    std::uint16_t red[256] = {};
    std::uint16_t green[256] = {};
    std::uint16_t blue[256] = {};
};

struct DisplayMode {
    std::uint32_t Width = 0, Height = 0, RefreshRate = 0;
    d3d::Format Format = d3d::Format::Unknown;
};

struct Caps {
    DevType DeviceType = DevType::Hal;
    std::uint32_t AdapterOrdinal = 0;
    std::uint32_t DevCaps = 0;
    std::uint32_t MaxTextureWidth = 0, MaxTextureHeight = 0;
    std::uint32_t MaxActiveLights = 0;
    std::uint32_t MaxVertexBlendMatrices = 0;
    std::uint32_t MaxTextureBlendStages = 0;
    std::uint32_t MaxSimultaneousTextures = 0;
    std::uint32_t MaxPrimitiveCount = 0;
    std::uint32_t MaxVertexIndex = 0;
    std::uint32_t VertexShaderVersion = 0;
    std::uint32_t PixelShaderVersion = 0;
};

struct AdapterIdentifier {
    char Driver[512] = {};
    char Description[512] = {};
    std::uint32_t VendorId = 0, DeviceId = 0, SubSysId = 0, Revision = 0;
};

enum class SwapEffect : std::uint32_t { Discard = 1, Flip = 2, Copy = 3 };

// Zero-initialised fields mean "default": width and height 0 take the window's client size.
struct PresentParameters {
    std::uint32_t BackBufferWidth = 0, BackBufferHeight = 0;
    Format BackBufferFormat = Format::Unknown;  // Unknown: the adapter's desktop format
    std::uint32_t BackBufferCount = 1;
    MultisampleType MultiSampleType = MultisampleType::None;
    d3d::SwapEffect SwapEffect = d3d::SwapEffect::Discard;
    bool Windowed = false;
    bool EnableAutoDepthStencil = false;
    Format AutoDepthStencilFormat = Format::Unknown;
    std::uint32_t Flags = 0;
    std::uint32_t FullScreenRefreshRateInHz = 0;
    std::uint32_t FullScreenPresentationInterval = 0;
};

struct SurfaceDesc {
    d3d::Format Format = d3d::Format::Unknown;
    ResourceType Type = ResourceType::Surface;
    std::uint32_t Usage = 0;
    d3d::Pool Pool = d3d::Pool::Default;
    std::uint32_t Size = 0;
    MultisampleType MultiSampleType = MultisampleType::None;
    std::uint32_t Width = 0, Height = 0;
};

// A locked texture level: Pitch bytes from one row to the next, rows top to bottom.
struct LockedRect {
    std::int32_t Pitch = 0;
    void* Bits = nullptr;
};

}  // namespace vm::d3d
