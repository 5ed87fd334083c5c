#pragma once
// The scene graph: a tree of SceneFrame nodes mirroring the Frame objects of an X file, with the
// child order, world matrices and name searches the scene relies on.
//
// Contract:
// - Matrices are row-vector matrices (A × B applies A first); combined = rotation × parent × translation.
// - AppendChild keeps the first child first and puts every later child directly after it, so reading
//   A, B, C under one parent yields A, C, B.
// - A frame owns its meshes, its first-child subtree and its sibling chain; destroying it frees them
//   all without recursing along sibling chains (a file may hold any number of siblings).
// - Names: an empty name means the frame has none; searches never match such a frame.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/d3d/types.h"

namespace vm::engine {

struct FrameMesh;

// Animation keys; times in ticks of 1/4800 s.
struct PositionKey {
    std::uint32_t time = 0;
    d3d::Vector3 value;
};
struct RotationKey {
    std::uint32_t time = 0;
    d3d::Quaternion value;  // stored x, y, z, w (files hold w first)
};
struct ScaleKey {
    std::uint32_t time = 0;
    d3d::Vector3 value;
};
struct MatrixKey {
    std::uint32_t time = 0;
    d3d::Matrix value;
};

struct SceneFrame {
    SceneFrame();
    ~SceneFrame();
    SceneFrame(const SceneFrame&) = delete;
    SceneFrame& operator=(const SceneFrame&) = delete;

    std::unique_ptr<FrameMesh> meshes;  // most recently attached first
    d3d::Matrix rotation;     // local matrix: FrameTransformMatrix, rewritten by animation
    d3d::Matrix translation;  // second local matrix; identity
    d3d::Matrix fileMatrix;   // FrameTransformMatrix as loaded
    d3d::Matrix combined;     // world matrix from ComputeWorldMatrices

    std::vector<PositionKey> positionKeys;
    std::vector<RotationKey> rotationKeys;
    std::vector<ScaleKey> scaleKeys;
    std::vector<MatrixKey> matrixKeys;

    SceneFrame* nextAnimated = nullptr;  // owning root's list of animated frames
    SceneFrame* target = nullptr;        // frame this animation frame drives
    std::unique_ptr<SceneFrame> sibling;
    std::unique_ptr<SceneFrame> firstChild;
    bool isAnimation = false;
    std::string name;
};

void AppendChild(SceneFrame& parent, std::unique_ptr<SceneFrame> child);
void AttachMesh(SceneFrame& frame, std::unique_ptr<FrameMesh> mesh);

// combined = rotation × parentMatrix × translation for frame, then for its children with the frame's
// combined matrix as parent. Returns 0.
int ComputeWorldMatrices(SceneFrame& frame, const d3d::Matrix& parentMatrix);

// Pre-order from root: the frame itself, its first-child subtree, then its sibling chain. Exact
// (case-sensitive) or substring comparison; frames without a name never match. Null when none does.
SceneFrame* FindFrameByName(SceneFrame* root, std::string_view name, bool bySubstring);

}  // namespace vm::engine
