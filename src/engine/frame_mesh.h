#pragma once
// One mesh of a frame, with its materials, textures and subset table. Skinned meshes also keep their
// bones: names, offsets and pointers to the combined matrices of the frames that move them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d/device.h"
#include "platform/d3dx/mesh.h"
#include "platform/d3dx/skin_mesh.h"

namespace vm::engine {

// Skinning method of a FrameMesh whose blended mesh has not been generated.
inline constexpr int kSkinningNone = 3;

struct FrameMesh {
    FrameMesh();
    ~FrameMesh();
    FrameMesh(const FrameMesh&) = delete;
    FrameMesh& operator=(const FrameMesh&) = delete;

    std::unique_ptr<d3dx::Mesh> mesh;  // for a skinned mesh: its vertex-blended form
    std::unique_ptr<d3dx::Mesh> hardwareMesh, softwareMesh;  // halves of a split skinned mesh
    std::vector<d3d::Material> materials;
    std::vector<std::shared_ptr<d3d::Texture>> textures;  // parallel to materials; null: untextured
    std::uint32_t subsetCount = 0;
    std::uint32_t splitAttribute = 0;
    std::vector<std::uint32_t> subsetVisible;   // 1: drawn
    std::vector<std::uint32_t> subsetMaterial;  // subset -> index into materials/textures
    std::unique_ptr<FrameMesh> next;
    std::string meshName;
    std::unique_ptr<d3dx::SkinMesh> skinMesh;  // the mesh with its bones; null when it has none
    std::vector<std::uint32_t> adjacencyCopy;
    std::vector<const d3d::Matrix*> boneMatrices;  // per bone; null when no frame has the bone's name
    std::vector<std::string> boneNames;
    std::vector<d3d::Matrix> boneOffsets;
    std::uint32_t maxFaceInfluences = 0;
    std::vector<d3dx::BoneCombination> boneCombinations;  // per group of the blended mesh
    int generatedMethod = kSkinningNone;
};

}  // namespace vm::engine
