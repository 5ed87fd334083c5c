#include "media_support.h"

#include <fstream>
#include <iterator>

#include "archive/media_archive.h"
#include "archive/resource/media_resource.h"

namespace vm::media_test {

std::string genDir() { return VM_GEN_DIR; }

std::optional<std::vector<uint8_t>> readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<std::vector<uint8_t>> extract(int resourceId, const char* name, const char* password)
{
    MediaBlob blob = loadMediaBlob(resourceId);
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!MediaArchive::extractFile(name, blob, password, data, size))
        return std::nullopt;
    MediaFile owned(data);
    return std::vector<uint8_t>(data, data + size);
}

std::vector<std::string> churchFiles()
{
    std::ifstream in(genDir() + "/church/files.txt");
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (!line.empty() && line[0] != '#')
            names.push_back(line);
    }
    return names;
}

}  // namespace vm::media_test
