#pragma once
// Triangle meshes: a vertex buffer in one flexible vertex format, a triangle-list index buffer
// (16- or 32-bit), one attribute (subset id) per face, and an attribute table that lists each
// subset's faces as one contiguous range once the mesh has been sorted by attribute.
//
// Contract:
// - Create with counts and a format, then lock and fill. Locks hand out the mesh's own storage and
//   stay valid until the matching unlock; there is no locking twice and no drawing while locked.
// - Any writable lock of the attribute buffer drops the attribute table: a table that no longer
//   matched the attributes would draw the wrong faces. OptimizeInplace with kOptAttrSort builds it.
// - Indices are checked against the vertex count wherever they are read (adjacency, optimisation,
//   cloning, drawing): an index out of range fails with kErrInvalidData, never reads out of bounds.
// - Face remaps map new face -> old face; vertex remaps map new vertex -> old vertex.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d/types.h"
#include "platform/d3dx/fvf.h"
#include "platform/d3dx/result.h"

namespace vm::d3d {
class Device;
}

namespace vm::d3dx {

// Mesh options (bit values as stored by callers; only k32Bit changes what this layer does, the
// memory-placement bits are kept and reported back).
namespace meshopt {
inline constexpr std::uint32_t k32Bit = 0x001;
inline constexpr std::uint32_t kSystemMem = 0x110;
inline constexpr std::uint32_t kManaged = 0x220;
inline constexpr std::uint32_t kWriteOnly = 0x440;
inline constexpr std::uint32_t kDynamic = 0x880;
inline constexpr std::uint32_t kSoftwareProcessing = 0x18000;

// Optimisation flags.
inline constexpr std::uint32_t kOptCompact = 0x01000000;    // drop vertices no face uses
inline constexpr std::uint32_t kOptAttrSort = 0x02000000;   // faces grouped by attribute, table built
inline constexpr std::uint32_t kOptVertexCache = 0x04000000;  // faces reordered for the post-transform cache
inline constexpr std::uint32_t kOptStripReorder = 0x08000000;  // treated as kOptVertexCache
inline constexpr std::uint32_t kOptIgnoreVerts = 0x10000000;   // reorder faces only, vertices stay
}  // namespace meshopt

// Lock flags: read-only locks keep the attribute table.
inline constexpr std::uint32_t kLockReadOnly = 0x10;

inline constexpr std::uint32_t kNoNeighbour = 0xFFFFFFFFu;
inline constexpr std::uint32_t kUnusedBone = 0xFFFFFFFFu;

struct AttributeRange {
    std::uint32_t attribId = 0;
    std::uint32_t faceStart = 0;
    std::uint32_t faceCount = 0;
    std::uint32_t vertexStart = 0;
    std::uint32_t vertexCount = 0;
};

// Draws one subset. The mesh hands over its own storage; the device layer decides how to upload it.
class MeshDrawTarget {
public:
    virtual ~MeshDrawTarget() = default;
    // Triangle list of primitiveCount faces whose indices (16- or 32-bit, from `indices`) refer to
    // vertices minVertex .. minVertex + vertexCount - 1 of `vertices`.
    virtual Result drawIndexedTriangles(std::uint32_t format, const void* vertices, std::size_t stride,
                                        std::uint32_t minVertex, std::uint32_t vertexCount,
                                        const void* indices, bool indices32, std::uint32_t primitiveCount) = 0;
};

namespace detail {
struct MeshDeviceCopy;
struct MeshDeviceCopyDeleter {
    void (*destroy)(MeshDeviceCopy*) noexcept = nullptr;
    void operator()(MeshDeviceCopy* p) const noexcept {
        if (destroy != nullptr) destroy(p);
    }
};
}  // namespace detail

class Mesh {
public:
    // Faces and vertices must be positive, vertices at most 65536 without k32Bit; the format must have a
    // position. kErrInvalidCall otherwise, kErrOutOfMemory when storage cannot be had. The device (may
    // be null for meshes that are only computed on) is where DrawSubset draws; it must outlive the mesh.
    static Result Create(std::uint32_t faceCount, std::uint32_t vertexCount, std::uint32_t options,
                         std::uint32_t format, std::unique_ptr<Mesh>& out, d3d::Device* device = nullptr) noexcept;

    d3d::Device* GetDevice() const noexcept { return device_; }

    std::uint32_t GetNumFaces() const noexcept { return faceCount_; }
    std::uint32_t GetNumVertices() const noexcept { return vertexCount_; }
    std::uint32_t GetFVF() const noexcept { return format_; }
    std::uint32_t GetOptions() const noexcept { return options_; }
    std::size_t GetNumBytesPerVertex() const noexcept { return layout_.stride; }
    const VertexLayout& layout() const noexcept { return layout_; }
    bool uses32BitIndices() const noexcept { return (options_ & meshopt::k32Bit) != 0; }
    std::size_t indexSize() const noexcept { return uses32BitIndices() ? 4 : 2; }

    Result LockVertexBuffer(std::uint32_t flags, void** data) noexcept;
    Result UnlockVertexBuffer() noexcept;
    Result LockIndexBuffer(std::uint32_t flags, void** data) noexcept;
    Result UnlockIndexBuffer() noexcept;
    Result LockAttributeBuffer(std::uint32_t flags, std::uint32_t** data) noexcept;
    Result UnlockAttributeBuffer() noexcept;

    // Copies up to *count entries into table (when given) and sets *count to the table's size.
    Result GetAttributeTable(AttributeRange* table, std::uint32_t* count) const noexcept;
    const std::vector<AttributeRange>& attributeTable() const noexcept { return table_; }
    // Replaces the table; ranges must lie inside the mesh.
    Result SetAttributeTable(const AttributeRange* table, std::uint32_t count) noexcept;

    // Three entries per face: the face across edges (v0,v1), (v1,v2), (v2,v0), or kNoNeighbour.
    // Vertices whose positions differ by at most epsilon on every axis count as one point.
    Result GenerateAdjacency(float epsilon, std::uint32_t* adjacency) const noexcept;

    // Reorders faces (and, unless kOptIgnoreVerts, vertices) as the flags ask. adjacencyIn (3 per face,
    // may be null) is carried through to adjacencyOut (may be null, may equal adjacencyIn).
    // faceRemap gets one entry per face, vertexRemap one per resulting vertex.
    Result OptimizeInplace(std::uint32_t flags, const std::uint32_t* adjacencyIn, std::uint32_t* adjacencyOut,
                           std::uint32_t* faceRemap, std::vector<std::uint32_t>* vertexRemap) noexcept;
    // The same on a copy made with `options`; this mesh is untouched.
    Result Optimize(std::uint32_t flags, std::uint32_t options, const std::uint32_t* adjacencyIn,
                    std::uint32_t* adjacencyOut, std::uint32_t* faceRemap,
                    std::vector<std::uint32_t>* vertexRemap, std::unique_ptr<Mesh>& out) const noexcept;

    // A copy with other options and vertex format: elements both formats have are copied (the first
    // min(n, m) blend weights and texture sets, texture coordinates cut or zero-padded), new elements
    // are zero. Indices, attributes and the attribute table are kept.
    Result CloneMeshFVF(std::uint32_t options, std::uint32_t format, std::unique_ptr<Mesh>& out) const noexcept;

    // A new mesh of faces [firstFace, firstFace + faceCount) and only the vertices they use (in order of
    // first use), attributes kept, attribute table rebuilt when they are sorted. adjacencyIn (3 per face
    // of this mesh, may be null) is cut to the new faces into adjacencyOut (neighbours outside the range
    // become kNoNeighbour). Used to split a blended mesh where the device runs out of blend matrices.
    Result ExtractFaces(std::uint32_t firstFace, std::uint32_t faceCount, std::uint32_t options,
                        const std::uint32_t* adjacencyIn, std::vector<std::uint32_t>* adjacencyOut,
                        std::unique_ptr<Mesh>& out) const noexcept;

    // Draws the faces of subset attribId: from the attribute table when there is one, else every run of
    // faces carrying that id. A subset with no faces draws nothing and succeeds.
    // On the mesh's device: sets the vertex format, stream 0 and the indices (left bound afterwards) and
    // draws from managed device buffers, which are refreshed after any change to the mesh's data.
    Result DrawSubset(std::uint32_t attribId) noexcept;
    // The same through a caller's target (tests, software paths); no device involved.
    Result DrawSubset(std::uint32_t attribId, MeshDrawTarget& target) const noexcept;

    // Direct read access for callers that only look (bounds, clusters, tests).
    const std::vector<std::uint8_t>& vertexBytes() const noexcept { return vertices_; }
    const std::vector<std::uint8_t>& indexBytes() const noexcept { return indices_; }
    const std::vector<std::uint32_t>& attributes() const noexcept { return attributes_; }
    // Index i (of 3 × faces) widened to 32 bits.
    std::uint32_t index(std::size_t i) const noexcept;
    d3d::Vector3 position(std::uint32_t vertex) const noexcept;

private:
    struct Run {
        std::uint32_t faceStart, faceCount, minVertex, vertexCount;
    };
    Mesh() = default;
    // The face runs DrawSubset draws, with the vertex range their indices actually use.
    Result subsetRuns(std::uint32_t attribId, std::vector<Run>& runs) const;
    Result uploadToDevice() noexcept;
    void setIndex(std::size_t i, std::uint32_t v) noexcept;
    bool indicesInRange() const noexcept;
    friend class MeshBuilder;

    std::uint32_t faceCount_ = 0;
    std::uint32_t vertexCount_ = 0;
    std::uint32_t options_ = 0;
    std::uint32_t format_ = 0;
    VertexLayout layout_;
    std::vector<std::uint8_t> vertices_;
    std::vector<std::uint8_t> indices_;
    std::vector<std::uint32_t> attributes_;
    std::vector<AttributeRange> table_;
    bool vertexLocked_ = false;
    bool indexLocked_ = false;
    bool attributeLocked_ = false;

    // The device's copy of the buffers lives with the drawing code (mesh_device.cpp), behind a deleter
    // that code installs, so that meshes used only on the CPU (tools, tests) need no device at all.
    d3d::Device* device_ = nullptr;
    std::unique_ptr<detail::MeshDeviceCopy, detail::MeshDeviceCopyDeleter> deviceCopy_;
    bool deviceStale_ = true;  // the CPU data changed since the last upload
};

}  // namespace vm::d3dx
