// Feeds arbitrary bytes to the X-file reader, then every mesh it hands out to the mesh reader and the
// renderer layout. Seed it with files of all three encodings (text, binary, compressed).

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/d3dx/xfile/x_mesh.h"
#include "platform/d3dx/xfile/xfile.h"

namespace {

void visit(const vm::d3dx::XDataObject& o) {
    if (o.type == "Mesh") {
        vm::d3dx::XMeshData mesh;
        if (vm::d3dx::readMeshData(o, mesh) == vm::d3dx::XResult::Ok) {
            vm::d3dx::XRenderMesh render;
            vm::d3dx::buildRenderMesh(mesh, render);
        }
    } else if (o.type == "FrameTransformMatrix") {
        vm::d3d::Matrix m;
        vm::d3dx::readMatrix(o, m);
    }
    for (const auto& c : o.children)
        if (c.object) visit(*c.object);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vm::d3dx::XFile file;
    if (vm::d3dx::readXFile(std::span<const std::uint8_t>(data, size), file) == vm::d3dx::XResult::Ok)
        for (const auto& o : file.objects) visit(*o);
    return 0;
}
