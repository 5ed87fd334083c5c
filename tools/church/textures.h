#pragma once
// The church's surface textures, painted procedurally. Every texture tiles where the model repeats it.

#include <string>
#include <vector>

#include "pictures/image.h"

namespace vm::church {

using pictures::Image;
using pictures::Rgba;

struct TextureFile {
    std::string name;                 // as the model names it
    std::vector<std::uint8_t> bytes;  // JPEG, or TGA for textures with alpha
};

std::vector<TextureFile> paintTextures();

}  // namespace vm::church
