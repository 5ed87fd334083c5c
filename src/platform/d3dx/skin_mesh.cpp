#include "platform/d3dx/skin_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numeric>

namespace vm::d3dx {

namespace {

struct Influence {
    std::uint32_t bone;
    float weight;
};

}  // namespace

Result SkinMesh::Create(std::unique_ptr<Mesh> base, std::uint32_t boneCount, std::unique_ptr<SkinMesh>& out) noexcept {
    out.reset();
    if (!base || boneCount > (1u << 16)) return kErrInvalidCall;
    try {
        std::unique_ptr<SkinMesh> skin(new SkinMesh());
        skin->bones_.resize(boneCount);
        skin->base_ = std::move(base);
        out = std::move(skin);
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    return kOk;
}

Result SkinMesh::SetBoneName(std::uint32_t bone, std::string name) noexcept {
    if (bone >= bones_.size()) return kErrInvalidCall;
    bones_[bone].name = std::move(name);
    return kOk;
}

Result SkinMesh::SetBoneOffsetMatrix(std::uint32_t bone, const d3d::Matrix& offset) noexcept {
    if (bone >= bones_.size()) return kErrInvalidCall;
    bones_[bone].offset = offset;
    return kOk;
}

Result SkinMesh::SetBoneInfluence(std::uint32_t bone, std::uint32_t count, const std::uint32_t* vertices,
                                  const float* weights) noexcept {
    if (bone >= bones_.size() || !base_ || (count != 0 && (vertices == nullptr || weights == nullptr)))
        return kErrInvalidCall;
    for (std::uint32_t i = 0; i < count; ++i)
        if (vertices[i] >= base_->GetNumVertices() || !std::isfinite(weights[i]) || weights[i] < 0.0f)
            return kErrInvalidCall;
    try {
        bones_[bone].vertices.assign(vertices, vertices + count);
        bones_[bone].weights.assign(weights, weights + count);
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    return kOk;
}

namespace {

// Influences per vertex, bones ascending, duplicates summed, zero weights dropped.
std::vector<std::vector<Influence>> influencesPerVertex(const std::vector<Bone>& bones, std::uint32_t vertexCount) {
    std::vector<std::vector<Influence>> per(vertexCount);
    for (std::uint32_t b = 0; b < bones.size(); ++b)
        for (std::size_t i = 0; i < bones[b].vertices.size(); ++i) {
            if (!(bones[b].weights[i] > 0.0f)) continue;
            auto& list = per[bones[b].vertices[i]];
            if (!list.empty() && list.back().bone == b)
                list.back().weight += bones[b].weights[i];
            else
                list.push_back({b, bones[b].weights[i]});
        }
    return per;
}

// Bones of one face, ascending; more than kMaxBlendMatrices keep the strongest by summed weight.
std::vector<std::uint32_t> faceBones(const std::vector<std::vector<Influence>>& per, const std::uint32_t v[3]) {
    std::vector<Influence> sum;
    for (int k = 0; k < 3; ++k)
        for (const Influence& in : per[v[k]]) {
            auto it = std::find_if(sum.begin(), sum.end(), [&](const Influence& s) { return s.bone == in.bone; });
            if (it == sum.end())
                sum.push_back(in);
            else
                it->weight += in.weight;
        }
    if (sum.size() > kMaxBlendMatrices) {
        std::stable_sort(sum.begin(), sum.end(), [](const Influence& a, const Influence& b) { return a.weight > b.weight; });
        sum.resize(kMaxBlendMatrices);
    }
    std::vector<std::uint32_t> bones;
    for (const Influence& s : sum) bones.push_back(s.bone);
    std::sort(bones.begin(), bones.end());
    return bones;
}

}  // namespace

std::uint32_t SkinMesh::GetMaxVertexInfluences() const noexcept {
    if (!base_) return 0;
    try {
        std::uint32_t most = 0;
        for (const auto& list : influencesPerVertex(bones_, base_->GetNumVertices()))
            most = std::max(most, static_cast<std::uint32_t>(list.size()));
        return most;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

std::uint32_t SkinMesh::GetMaxFaceInfluences() const noexcept {
    if (!base_) return 0;
    try {
        const auto per = influencesPerVertex(bones_, base_->GetNumVertices());
        std::uint32_t most = 0;
        for (std::uint32_t f = 0; f < base_->GetNumFaces(); ++f) {
            std::uint32_t v[3];
            for (int k = 0; k < 3; ++k) v[k] = base_->index(3 * std::size_t{f} + static_cast<std::size_t>(k));
            if (v[0] >= per.size() || v[1] >= per.size() || v[2] >= per.size()) continue;
            most = std::max(most, static_cast<std::uint32_t>(faceBones(per, v).size()));
        }
        return most;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

Result SkinMesh::ConvertToBlendedMesh(std::uint32_t options, const std::uint32_t* adjacencyIn,
                                      BlendedMesh& out) const noexcept {
    out = BlendedMesh{};
    if (!base_) return kErrInvalidCall;
    const Mesh& base = *base_;
    const VertexLayout& from = base.layout();
    if (from.rhw) return kErrInvalidCall;  // screen-space vertices cannot be skinned
    const std::uint32_t faceCount = base.GetNumFaces(), vertexCount = base.GetNumVertices();
    for (std::size_t i = 0; i < std::size_t{faceCount} * 3; ++i)
        if (base.index(i) >= vertexCount) return kErrInvalidData;
    try {
        const auto per = influencesPerVertex(bones_, vertexCount);
        std::vector<std::vector<std::uint32_t>> bonesOfFace(faceCount);
        std::uint32_t k = 1;
        for (std::uint32_t f = 0; f < faceCount; ++f) {
            std::uint32_t v[3];
            for (int j = 0; j < 3; ++j) v[j] = base.index(3 * std::size_t{f} + static_cast<std::size_t>(j));
            bonesOfFace[f] = faceBones(per, v);
            k = std::max(k, static_cast<std::uint32_t>(bonesOfFace[f].size()));
        }

        // Groups: per attribute (ascending), first fit of each face into a group whose bones stay <= k.
        struct Group {
            std::uint32_t attrib;
            std::vector<std::uint32_t> bones;  // ascending
            std::vector<std::uint32_t> faces;
        };
        std::vector<Group> groups;
        std::vector<std::uint32_t> byAttribute(faceCount);
        std::iota(byAttribute.begin(), byAttribute.end(), 0u);
        const auto& attributes = base.attributes();
        std::stable_sort(byAttribute.begin(), byAttribute.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return attributes[a] < attributes[b]; });
        std::size_t firstOfAttribute = 0;
        for (std::uint32_t f : byAttribute) {
            if (!groups.empty() && groups.back().attrib != attributes[f]) firstOfAttribute = groups.size();
            bool placed = false;
            for (std::size_t g = firstOfAttribute; g < groups.size() && !placed; ++g) {
                std::vector<std::uint32_t> merged;
                std::set_union(groups[g].bones.begin(), groups[g].bones.end(), bonesOfFace[f].begin(),
                               bonesOfFace[f].end(), std::back_inserter(merged));
                if (merged.size() > k) continue;
                groups[g].bones = std::move(merged);
                groups[g].faces.push_back(f);
                placed = true;
            }
            if (!placed) groups.push_back({attributes[f], bonesOfFace[f], {f}});
        }

        // New vertices: one copy of a vertex per group that uses it, with weights for that group's slots.
        std::vector<std::uint32_t> faceRemap, vertexRemap, vertexGroup, newIndices;
        faceRemap.reserve(faceCount);
        newIndices.reserve(std::size_t{faceCount} * 3);
        std::vector<std::uint32_t> localOf(vertexCount, kNoNeighbour);
        for (std::uint32_t g = 0; g < groups.size(); ++g) {
            std::vector<std::uint32_t> touched;
            for (std::uint32_t f : groups[g].faces) {
                faceRemap.push_back(f);
                for (std::size_t j = 0; j < 3; ++j) {
                    const std::uint32_t v = base.index(3 * std::size_t{f} + j);
                    if (localOf[v] == kNoNeighbour) {
                        localOf[v] = static_cast<std::uint32_t>(vertexRemap.size());
                        vertexRemap.push_back(v);
                        vertexGroup.push_back(g);
                        touched.push_back(v);
                    }
                    newIndices.push_back(localOf[v]);
                }
            }
            for (std::uint32_t v : touched) localOf[v] = kNoNeighbour;
        }

        const std::uint32_t newVertexCount = static_cast<std::uint32_t>(vertexRemap.size());
        std::uint32_t newOptions = options;
        if (newVertexCount > 65536) newOptions |= meshopt::k32Bit;  // duplicated vertices outgrew 16-bit indices
        const std::uint32_t format = (base.GetFVF() & ~(fvf::kPositionMask | fvf::kLastBetaUByte4)) |
                                     positionWithWeights(k - 1);
        std::unique_ptr<Mesh> mesh;
        Result r = Mesh::Create(faceCount, newVertexCount, newOptions, format, mesh, base.GetDevice());
        if (r < 0) return r;
        const VertexLayout& to = mesh->layout();
        const std::size_t fromRest = 12 + 4 * std::size_t{from.blendWeightCount};
        const std::size_t toRest = 12 + 4 * std::size_t{to.blendWeightCount};

        void* vertexData = nullptr;
        void* indexData = nullptr;
        std::uint32_t* attributeData = nullptr;
        mesh->LockVertexBuffer(0, &vertexData);
        mesh->LockIndexBuffer(0, &indexData);
        mesh->LockAttributeBuffer(0, &attributeData);
        auto* vb = static_cast<std::uint8_t*>(vertexData);
        for (std::uint32_t nv = 0; nv < newVertexCount; ++nv) {
            const std::uint32_t v = vertexRemap[nv];
            const std::uint8_t* src = base.vertexBytes().data() + from.stride * v;
            std::uint8_t* dst = vb + to.stride * nv;
            std::memcpy(dst, src, 12);
            std::memcpy(dst + toRest, src + fromRest, from.stride - fromRest);
            // Weight per slot, renormalised over the group's bones; a vertex none of them moves
            // follows slot 0 rather than collapsing to the origin.
            const auto& slots = groups[vertexGroup[nv]].bones;
            float w[kMaxBlendMatrices] = {};
            float total = 0;
            for (std::size_t s = 0; s < slots.size(); ++s)
                for (const Influence& in : per[v])
                    if (in.bone == slots[s]) w[s] += in.weight, total += in.weight;
            if (total > 0)
                for (float& x : w) x /= total;
            else
                w[0] = 1;
            std::memcpy(dst + 12, w, 4 * std::size_t{k - 1});
        }
        for (std::size_t i = 0; i < newIndices.size(); ++i) {
            if (mesh->uses32BitIndices()) {
                std::memcpy(static_cast<std::uint8_t*>(indexData) + 4 * i, &newIndices[i], 4);
            } else {
                const auto s = static_cast<std::uint16_t>(newIndices[i]);
                std::memcpy(static_cast<std::uint8_t*>(indexData) + 2 * i, &s, 2);
            }
        }
        std::vector<AttributeRange> table;
        std::uint32_t face = 0;
        for (std::uint32_t g = 0; g < groups.size(); ++g) {
            BoneCombination c;
            c.attribId = groups[g].attrib;
            c.faceStart = face;
            c.faceCount = static_cast<std::uint32_t>(groups[g].faces.size());
            std::uint32_t lo = kNoNeighbour, hi = 0;
            for (std::uint32_t f = face; f < face + c.faceCount; ++f) {
                attributeData[f] = g;
                for (std::size_t j = 0; j < 3; ++j) {
                    lo = std::min(lo, newIndices[3 * std::size_t{f} + j]);
                    hi = std::max(hi, newIndices[3 * std::size_t{f} + j]);
                }
            }
            c.vertexStart = lo;
            c.vertexCount = hi - lo + 1;
            for (std::size_t s = 0; s < groups[g].bones.size(); ++s) c.boneId[s] = groups[g].bones[s];
            face += c.faceCount;
            table.push_back({g, c.faceStart, c.faceCount, c.vertexStart, c.vertexCount});
            out.combinations.push_back(c);
        }
        mesh->UnlockAttributeBuffer();
        mesh->UnlockIndexBuffer();
        mesh->UnlockVertexBuffer();
        r = mesh->SetAttributeTable(table.data(), static_cast<std::uint32_t>(table.size()));
        if (r < 0) return r;

        out.adjacency.assign(std::size_t{faceCount} * 3, kNoNeighbour);
        if (adjacencyIn != nullptr) {
            std::vector<std::uint32_t> newFaceOf(faceCount);
            for (std::uint32_t i = 0; i < faceCount; ++i) newFaceOf[faceRemap[i]] = i;
            for (std::uint32_t i = 0; i < faceCount; ++i)
                for (std::size_t j = 0; j < 3; ++j) {
                    const std::uint32_t n = adjacencyIn[3 * std::size_t{faceRemap[i]} + j];
                    out.adjacency[3 * std::size_t{i} + j] = n < faceCount ? newFaceOf[n] : kNoNeighbour;
                }
        }
        out.mesh = std::move(mesh);
        out.maxFaceInfluences = k;
        out.faceRemap = std::move(faceRemap);
        out.vertexRemap = std::move(vertexRemap);
    } catch (const std::bad_alloc&) {
        out = BlendedMesh{};
        return kErrOutOfMemory;
    }
    return kOk;
}

}  // namespace vm::d3dx
