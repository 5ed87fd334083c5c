#pragma once
// The mesh a FrameMesh holds: vertices in the renderer's layout (position, normal, one texture set,
// diffuse colour), a triangle list, one attribute per triangle and, after SortByAttribute, an attribute
// table listing each attribute's faces as one contiguous range in ascending attribute order.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3dx/xfile/x_mesh.h"

namespace vm::engine {

struct AttributeRange {
    std::uint32_t attribId = 0;
    std::uint32_t faceStart = 0;
    std::uint32_t faceCount = 0;
};

class CpuMesh {
public:
    explicit CpuMesh(d3dx::XRenderMesh data) : data_(std::move(data)) {}

    std::uint32_t GetNumFaces() const noexcept { return static_cast<std::uint32_t>(data_.attributes.size()); }
    std::uint32_t GetNumVertices() const noexcept { return static_cast<std::uint32_t>(data_.vertices.size()); }
    std::uint32_t index(std::size_t i) const noexcept { return data_.indices[i]; }
    d3d::Vector3 position(std::uint32_t v) const noexcept { return data_.vertices[v].position; }
    std::vector<std::uint32_t>& attributes() noexcept { return data_.attributes; }
    const std::vector<AttributeRange>& attributeTable() const noexcept { return table_; }
    const d3dx::XRenderMesh& data() const noexcept { return data_; }
    bool hasBones() const noexcept { return !data_.bones.empty(); }

    // Stable: faces keep their order within an attribute.
    void SortByAttribute();

private:
    d3dx::XRenderMesh data_;
    std::vector<AttributeRange> table_;
};

}  // namespace vm::engine
