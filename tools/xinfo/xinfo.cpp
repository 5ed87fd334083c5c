// xinfo FILE: what an X file holds, as our reader sees it. Exit status 1 with a one-line reason when the
// file cannot be read.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <string>
#include <vector>

#include "platform/d3dx/xfile/x_mesh.h"
#include "platform/d3dx/xfile/xfile.h"

namespace {

using vm::d3dx::XDataObject;

bool printMesh(const XDataObject& o, int depth) {
    vm::d3dx::XMeshData mesh;
    std::string why;
    if (vm::d3dx::readMeshData(o, mesh, &why) != vm::d3dx::XResult::Ok) {
        std::printf("error: mesh '%s': %s\n", o.name.c_str(), why.c_str());
        return false;
    }
    std::size_t triangles = 0;
    for (std::uint32_t n : mesh.faceCorners) triangles += n >= 3 ? n - 2 : 0;
    std::printf("%*smesh '%s': vertices %zu, faces %zu, triangles %zu, materials %zu, bones %zu\n", depth * 2 + 2,
                "", mesh.name.c_str(), mesh.positions.size(), mesh.faceCorners.size(), triangles,
                mesh.materials.size(), mesh.bones.size());
    for (const auto& m : mesh.materials)
        if (!m.textureFilename.empty())
            std::printf("%*stexture '%s'\n", depth * 2 + 4, "", m.textureFilename.c_str());
    return true;
}

bool printFrame(const XDataObject& o, int depth) {
    int meshes = 0;
    for (const auto& c : o.children)
        if (c.object && c.object->type == "Mesh") ++meshes;
    std::printf("%*sframe %d '%s': meshes %d\n", depth * 2, "", depth, o.name.c_str(), meshes);
    for (const auto& c : o.children) {
        if (!c.object) continue;
        if (c.object->type == "Mesh" && !printMesh(*c.object, depth)) return false;
        if (c.object->type == "Frame" && !printFrame(*c.object, depth + 1)) return false;
    }
    return true;
}

// The whole file, at most kMaxXBytes. C stdio rather than a stream: iostreams would add their start-up
// (locales, the standard streams) to every run of a tool whose runs are mostly start-up.
bool readWhole(const char* path, std::vector<std::uint8_t>& out) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    bool ok = size >= 0 && static_cast<std::uint64_t>(size) <= vm::d3dx::kMaxXBytes && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        out.resize(static_cast<std::size_t>(size));
        ok = std::fread(out.data(), 1, out.size(), f) == out.size();
    }
    std::fclose(f);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xinfo FILE\n");
        return 2;
    }
    std::vector<std::uint8_t> bytes;
    if (!readWhole(argv[1], bytes)) {
        std::printf("error: cannot read %s\n", argv[1]);
        return 1;
    }
    vm::d3dx::XFile file;
    vm::d3dx::XReadError err;
    if (vm::d3dx::readXFile(bytes, file, &err) != vm::d3dx::XResult::Ok) {
        std::printf("error: %s at byte %zu: %s\n", vm::d3dx::describe(err.result), err.offset, err.message.c_str());
        return 1;
    }
    std::printf("encoding %s, version %02d%02d, floats %d-bit\n", vm::d3dx::describe(file.encoding),
                file.versionMajor, file.versionMinor, file.floatBits);
    for (const auto& o : file.objects) {
        bool ok = true;
        if (o->type == "Frame") ok = printFrame(*o, 0);
        else if (o->type == "Mesh") ok = printMesh(*o, -1);
        else if (o->type == "AnimationSet") {
            int animations = 0;
            for (const auto& c : o->children)
                if (c.object && c.object->type == "Animation") ++animations;
            std::printf("animation set '%s': animations %d\n", o->name.c_str(), animations);
        }
        if (!ok) return 1;
    }
    return 0;
}
