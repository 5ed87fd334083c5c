#pragma once
// Triangle order for the post-transform vertex cache: a greedy pass that always emits the triangle
// whose vertices score highest, favouring vertices just used (likely still cached) and vertices with
// few triangles left (so that none is left stranded to be fetched again later). Scoring constants as
// commonly published for a 32-entry LRU model.

#include <cstdint>
#include <vector>

namespace vm::d3dx {

// indices: 3 per triangle, each < vertexCount. Returns the triangle order (new -> old).
std::vector<std::uint32_t> orderForVertexCache(const std::vector<std::uint32_t>& indices,
                                               std::uint32_t vertexCount);

// Average number of vertex transforms per triangle through a FIFO cache of `cacheSize` entries, the
// measure the ordering improves (3.0 = no reuse, 0.5 = the best a regular grid allows).
double averageCacheMissRatio(const std::vector<std::uint32_t>& indices, std::uint32_t cacheSize);

}  // namespace vm::d3dx
