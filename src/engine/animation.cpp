#include "engine/animation.h"

#include <algorithm>
#include <cmath>

#include "platform/d3dx/math.h"
#include "platform/d3dx/result.h"

namespace vm::engine {
namespace {

constexpr std::uint32_t kValueCount[] = {4, 3, 3, 0, 16};  // by key type

d3d::Vector3 translationOf(const d3d::Matrix& m) { return {m.m[3][0], m.m[3][1], m.m[3][2]}; }

// Local time of one key kind: wrapped by the period, or by the time of the kind's last key. A last key
// at time 0 leaves nothing to wrap by; the local time is then 0 instead of the NaN a modulo by 0 gives.
float localTime(float time, float period, std::uint32_t lastKeyTime) {
    if (period >= 0) return period > 0 ? std::fmod(time, period) : 0.0f;
    return lastKeyTime > 0 ? std::fmod(time, static_cast<float>(lastKeyTime)) : 0.0f;
}

struct Bracket {
    std::size_t k1 = 0, k2 = 0;
    float s = 0;
};

template <typename Key>
Bracket bracket(const std::vector<Key>& keys, float period, float time) {
    Bracket b;
    const float t = localTime(time, period, keys.back().time);
    std::size_t k2 = 0;
    while (k2 < keys.size() && static_cast<float>(keys[k2].time) <= t) ++k2;
    if (k2 == keys.size()) {
        b.k1 = b.k2 = keys.size() - 1;
    } else if (k2 == 0) {
        b.k1 = b.k2 = 0;
    } else {
        b.k1 = k2 - 1;
        b.k2 = k2;
    }
    const float t1 = static_cast<float>(keys[b.k1].time), t2 = static_cast<float>(keys[b.k2].time);
    b.s = t1 == t2 ? 0.0f : (t - t1) / (t2 - t1);
    return b;
}

d3d::Quaternion conjugated(const d3d::Quaternion& q) { return {-q.x, -q.y, -q.z, q.w}; }

}  // namespace

int ReadAnimationKey(const d3dx::XDataObject& key, SceneFrame& frame) {
    d3dx::XDataCursor c(key);
    const std::uint32_t type = c.u32();
    const std::uint32_t count = c.u32();
    if (c.failed()) return d3dx::kErrInvalidData;
    if (type > 4 || type == 3) return d3dx::kErrInvalidArg;
    const auto kind = static_cast<KeyType>(type);
    const bool present = (kind == KeyType::Rotation && !frame.rotationKeys.empty()) ||
                         (kind == KeyType::Scale && !frame.scaleKeys.empty()) ||
                         (kind == KeyType::Position && !frame.positionKeys.empty()) ||
                         (kind == KeyType::Matrix && !frame.matrixKeys.empty());
    if (present) return d3dx::kErrInvalidArg;
    const std::uint32_t values = kValueCount[type];
    // Each key takes 8 bytes of header and 4 per value: a count beyond that is not backed by data.
    if (count > c.remaining() / (8 + 4 * values)) return d3dx::kErrInvalidData;
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint32_t time = c.u32();
        if (c.u32() != values) return c.failed() ? d3dx::kErrInvalidData : d3dx::kErrInvalidArg;
        float v[16] = {};
        for (std::uint32_t i = 0; i < values; ++i) v[i] = c.f32();
        if (c.failed()) return d3dx::kErrInvalidData;
        switch (kind) {
            case KeyType::Rotation: frame.rotationKeys.push_back({time, {v[1], v[2], v[3], v[0]}}); break;
            case KeyType::Scale: frame.scaleKeys.push_back({time, {v[0], v[1], v[2]}}); break;
            case KeyType::Position: frame.positionKeys.push_back({time, {v[0], v[1], v[2]}}); break;
            case KeyType::Matrix: {
                MatrixKey mk{time, {}};
                for (int i = 0; i < 16; ++i) mk.value.m[i / 4][i % 4] = v[i];
                frame.matrixKeys.push_back(mk);
                break;
            }
        }
    }
    return 0;
}

void EvaluateKeys(SceneFrame& frame, float time, float period) {
    if (!frame.target) return;
    SceneFrame& target = *frame.target;
    if (!frame.matrixKeys.empty()) {
        const auto& keys = frame.matrixKeys;
        const Bracket b = bracket(keys, period, time);
        const d3d::Quaternion q = d3dx::slerp(d3dx::quaternionFromMatrix(keys[b.k1].value),
                                              d3dx::quaternionFromMatrix(keys[b.k2].value), b.s);
        const std::size_t before = b.k1 == 0 ? 0 : b.k1 - 1;
        const std::size_t after = std::min(b.k2 + 1, keys.size() - 1);
        const d3d::Vector3 p1 = translationOf(keys[b.k1].value), p2 = translationOf(keys[b.k2].value);
        const d3d::Vector3 t1 = d3dx::subtract(p1, translationOf(keys[before].value));
        const d3d::Vector3 t2 = d3dx::subtract(translationOf(keys[after].value), p2);
        const d3d::Vector3 p = d3dx::hermite(p1, t1, p2, t2, b.s);
        target.rotation = d3dx::matrixFromQuaternion(q);
        target.rotation.m[3][0] = p.x;
        target.rotation.m[3][1] = p.y;
        target.rotation.m[3][2] = p.z;
        return;
    }
    if (frame.scaleKeys.empty() && frame.rotationKeys.empty() && frame.positionKeys.empty()) return;
    d3d::Matrix result = d3dx::identity();
    if (!frame.scaleKeys.empty()) {
        const Bracket b = bracket(frame.scaleKeys, period, time);
        const d3d::Vector3 s = d3dx::lerp(frame.scaleKeys[b.k1].value, frame.scaleKeys[b.k2].value, b.s);
        result = d3dx::multiply(result, d3dx::scaling(s.x, s.y, s.z));
    }
    if (!frame.rotationKeys.empty()) {
        const Bracket b = bracket(frame.rotationKeys, period, time);
        const d3d::Quaternion q = d3dx::slerp(conjugated(frame.rotationKeys[b.k1].value),
                                              conjugated(frame.rotationKeys[b.k2].value), b.s);
        result = d3dx::multiply(result, d3dx::matrixFromQuaternion(q));
    }
    if (!frame.positionKeys.empty()) {
        const Bracket b = bracket(frame.positionKeys, period, time);
        result = d3dx::multiply(result, d3dx::translation(d3dx::lerp(frame.positionKeys[b.k1].value,
                                                                     frame.positionKeys[b.k2].value, b.s)));
    } else {
        result = d3dx::multiply(result, d3dx::translation(translationOf(target.fileMatrix)));
    }
    target.rotation = result;
}

}  // namespace vm::engine
