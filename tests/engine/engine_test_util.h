#pragma once
// Loading small hand-written X text into a model for the engine tests.

#include <string>
#include <string_view>

#include "engine/x_model.h"

namespace vm::engine::test {

inline int loadText(XModel& model, std::string_view body) {
    const std::string text = "xof 0303txt 0032\n" + std::string(body);
    return model.LoadFromMemory(text.data(), text.size());
}

// Direct children of frame, in stored order.
inline std::vector<std::string> childNames(const SceneFrame& frame) {
    std::vector<std::string> names;
    for (const SceneFrame* c = frame.firstChild.get(); c; c = c->sibling.get()) names.push_back(c->name);
    return names;
}

inline bool near(const d3d::Matrix& a, const d3d::Matrix& b, float eps = 1e-5f) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!(std::abs(a.m[r][c] - b.m[r][c]) <= eps)) return false;
    return true;
}

}  // namespace vm::engine::test
