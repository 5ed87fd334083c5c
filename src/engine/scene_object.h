#pragma once
// Handles on mesh-carrying frames: the frame, its material clusters and their bounds in mesh space.
//
// Contract:
// - An empty box has minimum (100000, 100000, 100000) and maximum (-100000, -100000, -100000), so the
//   first point extends it to itself.
// - SplitIntoClusters renumbers the subsets of an unskinned mesh 0, 1, 2 ... in ascending order of the
//   materials its faces use; a material no face uses gets no subset. The FrameMesh keeps the map from
//   subset to material.

#include <cstdint>
#include <vector>

#include "engine/frame_mesh.h"
#include "engine/scene_frame.h"
#include "engine/x_model.h"

namespace vm::engine {

struct BoundingBox {
    d3d::Vector3 min{100000, 100000, 100000};
    d3d::Vector3 max{-100000, -100000, -100000};

    void Reset() { *this = BoundingBox{}; }
    void Extend(const d3d::Vector3& p);
    void Extend(const BoundingBox& b);
    d3d::Vector3 Size() const { return {max.x - min.x, max.y - min.y, max.z - min.z}; }
    d3d::Vector3 Centre() const;
    bool IsEmpty() const { return min.x > max.x; }
};

struct MeshCluster {
    std::int32_t id = 0;        // subset id written into the mesh
    std::int32_t material = 0;  // index into the FrameMesh's materials and textures
    std::int32_t faceCount = 0;
    BoundingBox box;            // mesh space
};

inline constexpr std::uint32_t kOptimizeAttrSort = d3dx::meshopt::kOptAttrSort;

class SceneObject {
public:
    explicit SceneObject(SceneFrame* f = nullptr) : frame(f) {}

    bool HasNoMesh() const;
    bool IsSkinned() const;
    FrameMesh* GetFrameMesh() const;
    d3dx::Mesh* GetMesh() const;
    const d3d::Matrix& WorldMatrix() const { return frame->combined; }
    const BoundingBox& Bounds() const { return bounds; }
    // 1 when there is no mesh, else 0.
    int OptimizeMesh(std::uint32_t flags);
    // Number of clusters; 0 for an object without a mesh or with a skinned mesh.
    int SplitIntoClusters();

    SceneFrame* frame = nullptr;  // not owned
    std::vector<MeshCluster> clusters;
    BoundingBox bounds;
};

// Empties list and appends an object for every frame of the head root (pre-order) whose first FrameMesh
// has a mesh and, when text is given, whose name contains text. Returns the number of objects.
int CollectObjects(XModel& model, std::vector<SceneObject>& list, const char* text = nullptr);

}  // namespace vm::engine
