#include "engine/texture_table.h"

#include <algorithm>
#include <new>

#include "app/base/log_file.h"
#include "archive/media_archive.h"
#include "archive/resource/media_resource.h"
#include "platform/d3dx/texture_from_memory.h"
#include "platform/os/system.h"

namespace vm::engine {

namespace {

constexpr int kSceneArchive = 469;

std::string clipped(const char* text) {
    if (!text) return {};
    std::string s(text);
    if (s.size() > TextureTable::kMaxName) s.resize(TextureTable::kMaxName);
    return s;
}

}  // namespace

TextureTable& TextureTable::instance() noexcept {
    static TextureTable table;
    return table;
}

void TextureTable::Init(d3d::Direct3D* direct3d, d3d::Device* device, d3d::Format adapterFormat,
                        os::WindowHandle window) noexcept {
    if (!device) return;
    window_ = window;
    device_ = device;
    d3d::Caps caps;
    device->GetDeviceCaps(&caps);
    maxTextureWidth_ = caps.MaxTextureWidth;
    const bool a1 = direct3d && d3d::Succeeded(direct3d->CheckDeviceFormat(0, d3d::DevType::Hal, adapterFormat, 0,
                                                                          d3d::ResourceType::Texture,
                                                                          d3d::Format::A1R5G5B5));
    fallbackFormat_ = a1 ? d3d::Format::A1R5G5B5 : d3d::Format::R5G6B5;
}

void TextureTable::Clear() noexcept {
    entries_.clear();
    device_ = nullptr;
    maxTextureWidth_ = 0;
    warningShown_ = false;
}

bool TextureTable::loaded(int index) const noexcept {
    return index >= 0 && index < count() && entries_[static_cast<std::size_t>(index)].loaded;
}

d3d::Texture* TextureTable::texture(int index) const noexcept {
    return index >= 0 && index < count() ? entries_[static_cast<std::size_t>(index)].texture.get() : nullptr;
}

TextureRef TextureTable::LoadFromMemory(const void* data, std::size_t size, const char* name,
                                        const char* group) noexcept {
    TextureRef ref;
    try {
        ref.name = name ? name : "";
        if (!device_) return ref;
        const std::string key = clipped(name), keyGroup = clipped(group);
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].name == key && entries_[i].group == keyGroup) {
                ref.index = static_cast<int>(i);
                return ref;
            }
        }
        if (count() >= kCapacity) return ref;  // full: drawn untextured rather than written past the table
        Entry& e = entries_.emplace_back();
        e.name = key;
        e.group = keyGroup;
        e.used = true;
        ref.index = count() - 1;

        d3d::Result r = d3dx::CreateTextureFromFileInMemoryEx(
            device_, data, size, 0, 0, 0, 0, d3d::Format::Unknown, d3d::Pool::Managed, d3dx::kDefault,
            d3dx::kDefault, 0, nullptr, &e.texture);
        if (d3d::Failed(r)) {
            const std::uint32_t side = std::min<std::uint32_t>(256, maxTextureWidth_);
            r = d3dx::CreateTextureFromFileInMemoryEx(device_, data, size, side, side, 0, 0, fallbackFormat_,
                                                      d3d::Pool::Managed, d3dx::kDefault, d3dx::kDefault, 0,
                                                      nullptr, &e.texture);
        }
        if (d3d::Succeeded(r) && e.texture) {
            e.loaded = true;
            if (log_) {
                log_->writeLine("Texture " + std::string(ref.name) + " was Loaded.");
                log_->writeLine("");
            }
        } else {
            e.loaded = false;
            e.texture.reset();
            warn(r);
        }
    } catch (const std::bad_alloc&) {
        // Out of memory while naming the entry: the caller gets an untextured reference.
    }
    return ref;
}

void TextureTable::warn(d3d::Result failure) noexcept {
    if (warningShown_) return;
    warningShown_ = true;
    const char* text = failure == d3d::kErrOutOfVideoMemory
                           ? "Not enought video memory. There why some objects will be white color."
                           : "Some textures was not loaded. There why some objects will be white color.";
    os::messageBox(window_, text, "Warning!", os::MessageBoxIcon::Warning);
    os::hideCursor();  // the box brought the cursor back
}

void TextureTable::BindTexture(std::uint32_t stage, int index) noexcept {
    if (!device_) return;
    if (index == -1) {
        if (stage <= 7) device_->SetTexture(stage, nullptr);
        return;
    }
    if (index < 0 || index >= count() || stage > 7) return;
    device_->SetTexture(stage, entries_[static_cast<std::size_t>(index)].texture.get());
}

void TextureTable::ReleaseAll() noexcept {
    for (Entry& e : entries_) {
        e.texture.reset();
        e.loaded = false;
    }
}

int LoadArchiveTexture(d3d::Device* device, const char* fileName, std::shared_ptr<d3d::Texture>* out) {
    if (!fileName || !out) return d3d::kErrInvalidCall;
    MediaBlob blob = loadMediaBlob(kSceneArchive);
    std::uint8_t* bytes = nullptr;
    std::uint32_t size = 0;
    if (!MediaArchive::extractFile(fileName, blob, kSceneArchivePassword, bytes, size)) return d3d::kErrNotFound;
    MediaFile file(bytes);
    std::unique_ptr<d3d::Texture> texture;
    const d3d::Result r = d3dx::CreateTextureFromFileInMemory(device, file.get(), size, &texture);
    if (d3d::Succeeded(r)) {
        try {
            *out = std::shared_ptr<d3d::Texture>(std::move(texture));
        } catch (const std::bad_alloc&) {
            return d3d::kErrOutOfMemory;
        }
    }
    return r;
}

}  // namespace vm::engine
