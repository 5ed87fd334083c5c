#pragma once
// The reader proper, shared by readXFile and the standard template set (which is itself an X text file).

#include <span>

#include "platform/d3dx/xfile/x_template.h"
#include "platform/d3dx/xfile/xfile.h"

namespace vm::d3dx::detail {

// Reads bytes with `initial` as the known templates; templates the file declares are added to `declared`
// (which starts as a copy of `initial`).
XResult parseXFile(std::span<const std::uint8_t> bytes, const XTemplateMap& initial, XTemplateMap& declared,
                   XFile& out, XReadError* error);

}  // namespace vm::d3dx::detail
