#include "engine/frame_mesh.h"

namespace vm::engine {

FrameMesh::FrameMesh() = default;

FrameMesh::~FrameMesh() {
    // A frame may carry many meshes: free the chain iteratively.
    std::unique_ptr<FrameMesh> n = std::move(next);
    while (n) {
        std::unique_ptr<FrameMesh> after = std::move(n->next);
        n.reset();
        n = std::move(after);
    }
}

}  // namespace vm::engine
