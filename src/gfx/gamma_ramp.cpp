#include "gfx/gamma_ramp.h"

namespace vm::gfx {

d3d::GammaRamp gammaRamp(std::uint8_t value) noexcept {
    d3d::GammaRamp ramp;
    const int g = value;
    for (int i = 0; i < 256; ++i) {
        int entry;
        if (g <= 100) {
            entry = (256 - 2 * (100 - g)) * i;  // darker: a shallower line from 0
        } else {
            // Brighter: lines through 65355 at the top whose bottom rises with g. The top stays at
            // 65355, as stored settings have always looked.
            const int step = static_cast<int>(256.0f - 1.5f * static_cast<float>(g - 100));
            entry = 65355 - step * (255 - i);
        }
        const auto e = static_cast<std::uint16_t>(entry);
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = e;
    }
    return ramp;
}

}  // namespace vm::gfx
