#pragma once
// Counts of an X file as an independent importer reports them, computed from our reader, and the same
// counts parsed from `assimp info` when that tool is installed.

#include <cstdio>
#include <set>
#include <string>

#include "platform/d3dx/xfile/x_mesh.h"
#include "platform/d3dx/xfile/xfile.h"

namespace vm::d3dx::test {

struct XSummary {
    int frames = 0;
    int meshes = 0;  // one per (mesh, material that faces use), as importers split them
    int corners = 0;  // face corners: an importer's vertices before it merges any
    int faces = 0;
    int materials = 0;
    int bones = 0;
    int animationSets = 0;
    bool ok = true;

    bool operator==(const XSummary&) const = default;
};

inline void summarise(const XDataObject& o, XSummary& s) {
    if (o.type == "Frame") ++s.frames;
    if (o.type == "AnimationSet") ++s.animationSets;
    if (o.type == "Mesh") {
        XMeshData mesh;
        XRenderMesh r;
        if (readMeshData(o, mesh) != XResult::Ok || buildRenderMesh(mesh, r) != XResult::Ok) {
            s.ok = false;
            return;
        }
        const std::set<std::uint32_t> used(r.attributes.begin(), r.attributes.end());
        s.meshes += static_cast<int>(used.size());
        for (std::uint32_t n : mesh.faceCorners) s.corners += static_cast<int>(n);
        s.faces += static_cast<int>(mesh.faceCorners.size());
        s.materials += static_cast<int>(mesh.materials.size());
        s.bones += static_cast<int>(mesh.bones.size());
    }
    for (const auto& c : o.children)
        if (c.object) summarise(*c.object, s);
}

inline XSummary summarise(const XFile& f) {
    XSummary s;
    for (const auto& o : f.objects) summarise(*o, s);
    return s;
}

inline bool haveAssimp() {
    std::FILE* p = std::fopen("/usr/bin/assimp", "r");
    if (!p) return false;
    std::fclose(p);
    return true;
}

// `assimp info -r` (no post-processing) numbers in our terms: its node count less the root it adds when a file has several top
// frames, and no default material where the file has none.
inline XSummary assimpSummary(const std::string& path, const XSummary& ours) {
    XSummary s;
    const std::string cmd = "/usr/bin/assimp info '" + path + "' -r 2>/dev/null";
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) {
        s.ok = false;
        return s;
    }
    char line[512];
    bool dummyRoot = false;
    int animations = 0;
    while (std::fgets(line, sizeof line, p)) {
        int n = 0;
        if (std::sscanf(line, "Nodes: %d", &n) == 1) s.frames = n;
        else if (std::sscanf(line, "Meshes: %d", &n) == 1) s.meshes = n;
        else if (std::sscanf(line, "Vertices: %d", &n) == 1) s.corners = n;
        else if (std::sscanf(line, "Faces: %d", &n) == 1) s.faces = n;
        else if (std::sscanf(line, "Materials: %d", &n) == 1) s.materials = n;
        else if (std::sscanf(line, "Bones: %d", &n) == 1) s.bones = n;
        else if (std::sscanf(line, "Animations: %d", &n) == 1) animations = n;
        else if (std::string(line).rfind("$dummy_root", 0) == 0) dummyRoot = true;
    }
    if (pclose(p) != 0) s.ok = false;
    if (dummyRoot) --s.frames;
    if (ours.materials == 0 && s.materials == 1) s.materials = 0;
    // A file with meshes outside any frame gets a node from the importer.
    if (ours.frames == 0 && s.frames == 1) s.frames = 0;
    s.animationSets = animations;
    return s;
}

}  // namespace vm::d3dx::test
