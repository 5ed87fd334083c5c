#pragma once
// The program's table of named textures made from image bytes already in memory (the overlay glyphs),
// and the loader hook that reads model and flame textures from the scene archive.
//
// Contract:
// - Without a device nothing is loaded: LoadFromMemory returns index -1 and BindTexture does nothing.
// - A (name, group) pair is loaded once; asking again returns the same index, even after a failure.
// - A failed first attempt is retried at min(256, MaxTextureWidth) square in the fallback format
//   (A1R5G5B5 when the adapter offers it, else R5G6B5). A failed retry leaves an entry with no texture
//   and shows one warning box per table; the entry still gets an index.
// - Capacity 1000 entries, names and groups of 127 bytes: a full table returns -1 without loading,
//   longer names are cut to 127 bytes (so they still dedupe among themselves).
// - BindTexture(stage, -1) clears the stage; other indexes outside 0..count-1 or stages outside 0..7
//   do nothing.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d/d3d.h"
#include "platform/os/window_types.h"

namespace vm {
class LogFile;
}

namespace vm::engine {

struct TextureRef {
    std::string name;
    int index = -1;
};

class TextureTable {
public:
    static constexpr int kCapacity = 1000;
    static constexpr std::size_t kMaxName = 127;

    // The program's one table.
    static TextureTable& instance() noexcept;

    void setLog(LogFile* log) noexcept { log_ = log; }
    void Init(d3d::Direct3D* direct3d, d3d::Device* device, d3d::Format adapterFormat, os::WindowHandle window) noexcept;
    void Clear() noexcept;
    TextureRef LoadFromMemory(const void* data, std::size_t size, const char* name, const char* group) noexcept;
    void BindTexture(std::uint32_t stage, int index) noexcept;
    void ReleaseAll() noexcept;

    int count() const noexcept { return static_cast<int>(entries_.size()); }
    d3d::Format fallbackFormat() const noexcept { return fallbackFormat_; }
    bool loaded(int index) const noexcept;
    d3d::Texture* texture(int index) const noexcept;

private:
    struct Entry {
        std::unique_ptr<d3d::Texture> texture;
        std::string name, group;
        bool loaded = false;
        bool used = false;
    };
    void warn(d3d::Result failure) noexcept;

    d3d::Format fallbackFormat_ = d3d::Format::R5G6B5;
    std::uint32_t maxTextureWidth_ = 0;
    std::vector<Entry> entries_;
    os::WindowHandle window_ = os::WindowHandle::None;
    d3d::Device* device_ = nullptr;
    bool warningShown_ = false;
    LogFile* log_ = nullptr;
};

// Password of the scene archive's entries; the media packaging writes the archive with the same.
inline constexpr const char* kSceneArchivePassword = "vm";

// Scene archive (MediaData 469) texture loader for models and the flame: the D3DX result, or a
// failure when the file is not in the archive (out untouched).
int LoadArchiveTexture(d3d::Device* device, const char* fileName, std::shared_ptr<d3d::Texture>* out);

}  // namespace vm::engine
