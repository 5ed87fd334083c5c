#include "church/light_projection.h"

#include <algorithm>
#include <numbers>

#include "platform/d3dx/math.h"

namespace vm::church {

namespace dx = d3dx;

d3d::Matrix projectionMatrix(const Projection& pr) {
    const auto& positions = pr.reference->mesh.positions;
    d3d::Vector3 lo{0, 0, 0}, hi{0, 0, 0};
    if (!positions.empty()) lo = hi = positions.front();
    for (const d3d::Vector3& p : positions) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    d3d::Vector3 size = dx::subtract(hi, lo);
    d3d::Vector3 centre = dx::add(lo, dx::scale(size, 0.5f));
    float t = std::min({size.x, size.y, size.z});
    if (pr.axis == 1) t = size.x;
    if (pr.axis == 2) t = size.y;
    if (pr.axis == 3) t = size.z;
    const float half = std::numbers::pi_v<float> / 2;
    d3d::Matrix r;
    // Exact comparisons on purpose: the renderer decides ties by this order.
    if (t == size.y) {
        r = dx::rotationX(half);
        size.y = 1;
    } else if (t == size.x) {
        r = dx::rotationY(half);
        size.x = 1;
    } else {
        r = dx::identity();
        size.z = 1;
    }
    size.y = -size.y;
    size = {size.x * pr.scale.x, size.y * pr.scale.y, size.z * pr.scale.z};
    centre = dx::add(centre, pr.offset);
    d3d::Matrix x = dx::multiply(dx::multiply(dx::scaling(size.x, size.y, size.z), dx::translation(centre)),
                                 pr.reference->matrix);
    d3d::Matrix xi;
    if (!dx::inverse(x, &xi)) return dx::identity();
    return dx::multiply(dx::multiply(xi, r), dx::translation(0.5f, 0.5f, 0));
}

d3d::Vector2 projectPoint(const Projection& pr, d3d::Vector3 p) {
    d3d::Vector3 uvw = dx::transformCoord(p, projectionMatrix(pr));
    return {uvw.x, uvw.y};
}

}  // namespace vm::church
