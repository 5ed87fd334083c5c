#pragma once
// The church as named, mesh-carrying objects. The names and their order are what the scene sorts into
// its groups; the order here is the order in which the scene collects them.

#include <map>
#include <string>
#include <vector>

#include "church/mesh_builder.h"
#include "platform/d3d/types.h"
#include "platform/d3dx/xfile/x_mesh.h"
#include "platform/d3dx/xfile/x_writer.h"

namespace vm::church {

struct ChurchObject {
    std::string name;
    d3d::Matrix matrix;  // the frame's transform; most parts are modelled in place with the identity
    d3dx::XMeshData mesh;
};

using PartMap = std::map<std::string, ChurchObject>;

// Files what the builder holds as the part `name`, leaving the builder empty for the next part.
inline void put(PartMap& parts, const std::string& name, MeshBuilder& b, d3d::Matrix m = {}) {
    parts[name] = ChurchObject{name, m, b.take(name)};
}

// Each adds its named parts.
void addHallShell(PartMap& parts);
void addWindowsAndDoors(PartMap& parts);
void addFurnishings(PartMap& parts);
void addCandles(PartMap& parts);

// The 144 objects of church11.X, in collection order.
std::vector<ChurchObject> buildChurch();
// The 8 glow objects of lights.X: four layer meshes, each twice.
std::vector<ChurchObject> buildLightGlows();

// One top-level frame holding the objects as children, written so that a reader which inserts every later
// child right after the first one collects them in the given order.
std::vector<d3dx::XFrameDesc> toFrames(const std::string& rootName, const std::vector<ChurchObject>& objects);

}  // namespace vm::church
