#pragma once
// Formats, pools, usages and the other small vocabularies of resources. Format and multisample values
// are stored in settings and shown in the configuration dialog, so they keep their numbers.

#include <cstdint>

namespace vm::d3d {

enum class Format : std::uint32_t {
    Unknown = 0,
    R8G8B8 = 20,    // desktop only; never a back buffer or texture here
    A8R8G8B8 = 21,  // 0xAARRGGBB in a little-endian 32-bit word
    X8R8G8B8 = 22,  // as A8R8G8B8, alpha ignored (reads as 1)
    R5G6B5 = 23,    // 16-bit: r in bits 11-15, g 5-10, b 0-4
    X1R5G5B5 = 24,
    A1R5G5B5 = 25,  // 16-bit: a in bit 15, r 10-14, g 5-9, b 0-4
    D16 = 80,
    D24S8 = 75,
    D24X8 = 77,
    Index16 = 101,
    Index32 = 102,
};

// Bytes per pixel (or per index) of a format, 0 for Unknown and unsupported values.
constexpr std::uint32_t BytesPerPixel(Format f) {
    switch (f) {
        case Format::A8R8G8B8:
        case Format::X8R8G8B8:
        case Format::D24S8:
        case Format::D24X8:
        case Format::Index32: return 4;
        case Format::R8G8B8: return 3;
        case Format::R5G6B5:
        case Format::X1R5G5B5:
        case Format::A1R5G5B5:
        case Format::D16:
        case Format::Index16: return 2;
        default: return 0;
    }
}

constexpr bool IsTextureFormat(Format f) {
    return f == Format::A8R8G8B8 || f == Format::X8R8G8B8 || f == Format::R5G6B5 ||
           f == Format::A1R5G5B5 || f == Format::X1R5G5B5;
}
constexpr bool IsBackBufferFormat(Format f) {
    return f == Format::A8R8G8B8 || f == Format::X8R8G8B8 || f == Format::R5G6B5 ||
           f == Format::X1R5G5B5 || f == Format::A1R5G5B5;
}
constexpr bool IsDepthFormat(Format f) {
    return f == Format::D16 || f == Format::D24X8 || f == Format::D24S8;
}

// Type 1 does not exist; 0 is none, 2..16 are sample counts.
enum class MultisampleType : std::uint32_t {
    None = 0,
    Samples2 = 2, Samples3, Samples4, Samples5, Samples6, Samples7, Samples8, Samples9,
    Samples10, Samples11, Samples12, Samples13, Samples14, Samples15, Samples16,
};

enum class DevType : std::uint32_t { Hal = 1, Ref = 2, Sw = 3 };

enum class Pool : std::uint32_t {
    Default = 0,  // render targets; this device keeps them across a reset as well
    Managed = 1,  // a system-memory copy backs every level; survives reset
    SystemMem = 2,
    Scratch = 3,
};

// Bit set.
namespace usage {
constexpr std::uint32_t kRenderTarget = 0x1;
constexpr std::uint32_t kDepthStencil = 0x2;
constexpr std::uint32_t kWriteOnly = 0x8;
constexpr std::uint32_t kSoftwareProcessing = 0x10;
constexpr std::uint32_t kDynamic = 0x200;
}  // namespace usage

enum class ResourceType : std::uint32_t { Surface = 1, Volume = 2, Texture = 3, VertexBuffer = 6, IndexBuffer = 7 };

// Lock flags (bit set).
namespace lock {
constexpr std::uint32_t kReadOnly = 0x10;
constexpr std::uint32_t kNoSysLock = 0x800;
constexpr std::uint32_t kNoOverwrite = 0x1000;
constexpr std::uint32_t kDiscard = 0x2000;
}  // namespace lock

// CreateDevice behaviour flags (bit set).
namespace create {
constexpr std::uint32_t kSoftwareVertexProcessing = 0x20;
constexpr std::uint32_t kHardwareVertexProcessing = 0x40;
constexpr std::uint32_t kMixedVertexProcessing = 0x80;
}  // namespace create

// Capability bits the program looks at.
namespace devcaps {
constexpr std::uint32_t kTlVertexSystemMemory = 0x40;
constexpr std::uint32_t kTlVertexVideoMemory = 0x80;
constexpr std::uint32_t kHwTransformAndLight = 0x10000;
}  // namespace devcaps

// Shader version words: 0xFFFE0000 | major << 8 | minor.
constexpr std::uint32_t VertexShaderVersion(std::uint32_t major, std::uint32_t minor) {
    return 0xFFFE0000u | (major << 8) | minor;
}

}  // namespace vm::d3d
