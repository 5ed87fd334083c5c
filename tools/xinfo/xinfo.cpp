// xinfo FILE: what an X file holds, as our reader sees it. Exit status 1 with a one-line reason when the
// file cannot be read.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif
#include <string>
#include <vector>

#include "platform/d3dx/xfile/x_mesh.h"
#include "platform/d3dx/xfile/xfile.h"

namespace {

using vm::d3dx::XDataObject;

// A load touches a few times the file's size in fresh memory (file, inflated stream, objects, meshes), and
// on small virtual machines a 4 KiB page fault costs tens of microseconds: for a large file the faults
// cost more than the reading. So the heap is set up front as one region that is never handed back and
// asks for transparent huge pages, where the kernel offers them ("madvise" mode). Best effort: any step
// that fails leaves the ordinary allocator, which is correct, only slower.
void useLargePages() {
#if defined(__linux__) && defined(__GLIBC__)
    constexpr std::size_t kRegion = std::size_t{64} << 20;
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    // Blocks up to 32 MiB (the allocator's ceiling for this setting) come from the heap, so freed ones are
    // reused; the heap grows in steps of kRegion and is never trimmed.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_TOP_PAD, static_cast<int>(kRegion));
    // Ask for just more than the heap has left on top, so that it grows by the pad. The allocator writes
    // a header right past that block; a 2 MiB range written to before madvise() keeps small pages for
    // good, so the huge-page region starts past it.
    const std::size_t top = mallinfo2().keepcost;  // free bytes at the top of the heap
    const auto before = reinterpret_cast<std::uintptr_t>(sbrk(0));
    void* volatile probe = std::malloc(top + 4096);
    std::free(probe);  // (volatile: the pair must not be optimised away)
    const auto after = reinterpret_cast<std::uintptr_t>(sbrk(0));
    const std::uintptr_t start = (before + 3 * 4096 + kHuge - 1) & ~(kHuge - 1);
    if (before == ~std::uintptr_t{0} || after <= start) return;
    if (madvise(reinterpret_cast<void*>(start), after - start, MADV_HUGEPAGE) != 0) return;
    // The heap below that boundary cannot have huge pages: fill it with a block that is kept and never
    // written, so that everything the load allocates lies above (the top's free bytes start at before - top).
    void* volatile filler = std::malloc(start - before + top - 4096);
    static_cast<void>(filler);
#endif
}

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
    useLargePages();
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
