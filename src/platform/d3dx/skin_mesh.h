#pragma once
// A skin mesh: a base mesh plus the bones that move it. Each bone has a name (the frame that drives
// it), an offset matrix (mesh space -> bone space at rest) and the vertices it influences with a
// weight each.
//
// ConvertToBlendedMesh prepares it for non-indexed vertex blending, where the device blends each
// vertex between at most four world matrices: faces are grouped so that no group needs more than
// maxFaceInfluences bones, and the bone-combination table names, per group, its attribute (material)
// and which bone goes into each world-matrix slot. The blended mesh's subset g is group g.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d/types.h"
#include "platform/d3dx/mesh.h"

namespace vm::d3dx {

// The device blends between at most this many world matrices per vertex.
inline constexpr std::uint32_t kMaxBlendMatrices = 4;

struct BoneCombination {
    std::uint32_t attribId = 0;  // the faces' original attribute
    std::uint32_t faceStart = 0;
    std::uint32_t faceCount = 0;
    std::uint32_t vertexStart = 0;
    std::uint32_t vertexCount = 0;
    // Bone per world-matrix slot, kUnusedBone where the slot is free; slots >= maxFaceInfluences unused.
    std::array<std::uint32_t, kMaxBlendMatrices> boneId{kUnusedBone, kUnusedBone, kUnusedBone, kUnusedBone};
};

struct Bone {
    std::string name;
    d3d::Matrix offset;
    std::vector<std::uint32_t> vertices;
    std::vector<float> weights;
};

struct BlendedMesh {
    std::unique_ptr<Mesh> mesh;
    // 1 when the mesh holds no blend weights (one bone per group), else the stored weights + 1.
    std::uint32_t maxFaceInfluences = 0;
    std::vector<BoneCombination> combinations;
    std::vector<std::uint32_t> faceRemap;    // new face -> original face
    std::vector<std::uint32_t> vertexRemap;  // new vertex -> original vertex
    std::vector<std::uint32_t> adjacency;    // 3 per face of the new mesh
};

class SkinMesh {
public:
    // Takes the base mesh; bones are added with the setters below.
    static Result Create(std::unique_ptr<Mesh> base, std::uint32_t boneCount, std::unique_ptr<SkinMesh>& out) noexcept;

    std::uint32_t GetNumBones() const noexcept { return static_cast<std::uint32_t>(bones_.size()); }
    const Mesh* GetOriginalMesh() const noexcept { return base_.get(); }
    Mesh* GetOriginalMesh() noexcept { return base_.get(); }
    // Hands the base mesh over (a mesh without bones is drawn as is); the skin mesh is empty afterwards.
    std::unique_ptr<Mesh> TakeOriginalMesh() noexcept { return std::move(base_); }

    // Bone index must be below GetNumBones; vertices must exist in the base mesh; weights are finite and
    // not negative. kErrInvalidCall otherwise.
    Result SetBoneName(std::uint32_t bone, std::string name) noexcept;
    Result SetBoneOffsetMatrix(std::uint32_t bone, const d3d::Matrix& offset) noexcept;
    Result SetBoneInfluence(std::uint32_t bone, std::uint32_t count, const std::uint32_t* vertices,
                            const float* weights) noexcept;
    const Bone& GetBone(std::uint32_t bone) const noexcept { return bones_[bone]; }
    const char* GetBoneName(std::uint32_t bone) const noexcept {
        return bone < bones_.size() ? bones_[bone].name.c_str() : nullptr;
    }

    // Most bones influencing one vertex, and the three vertices of one face (capped at kMaxBlendMatrices).
    std::uint32_t GetMaxVertexInfluences() const noexcept;
    std::uint32_t GetMaxFaceInfluences() const noexcept;

    // Builds the vertex-blended copy (options for the new mesh, e.g. meshopt::kManaged). adjacencyIn
    // (3 per base face, may be null) is carried to out.adjacency. The base mesh is not changed.
    // A face touched by more than kMaxBlendMatrices bones keeps its strongest ones, renormalised.
    Result ConvertToBlendedMesh(std::uint32_t options, const std::uint32_t* adjacencyIn, BlendedMesh& out) const noexcept;

private:
    SkinMesh() = default;
    std::unique_ptr<Mesh> base_;
    std::vector<Bone> bones_;
};

}  // namespace vm::d3dx
