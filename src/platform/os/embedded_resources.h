#pragma once
// The table of resources linked into the executable (generated from resources/manifest.txt).
// Executables link either vm_resources (the real table) or vm_resources_none (empty, for the
// build-time tools that make the content).

#include <span>

namespace vm::os {

struct EmbeddedResource {
    const char* type;             // "MediaData", "CustomData", "SOUND", "BITMAP", "ICON" ...
    int id;                       // numeric resource id
    const unsigned char* begin;   // bytes live as long as the process
    const unsigned char* end;
};

std::span<const EmbeddedResource> embeddedResources() noexcept;

}  // namespace vm::os
