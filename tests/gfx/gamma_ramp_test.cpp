#include <gtest/gtest.h>

#include "gfx/gamma_ramp.h"

namespace vm::gfx {
namespace {

TEST(GammaRamp, TableValues) {
    struct Case {
        const char* name;
        std::uint8_t value;
        std::uint16_t first, mid, last;  // entries 0, 128, 255
    };
    const Case cases[] = {
        {"zero darkens to a fifth", 0, 0, 56 * 128, 14280},
        {"neutral is identity", 100, 0, 256 * 128, 65280},
        {"just above neutral lifts the bottom", 101, 585, 65355 - 254 * 127, 65355},
        {"double", 200, 38325, 65355 - 106 * 127, 65355},
        {"maximum byte", 255, 59490, 65355 - 23 * 127, 65355},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const d3d::GammaRamp r = gammaRamp(c.value);
        EXPECT_EQ(r.red[0], c.first);
        EXPECT_EQ(r.red[128], c.mid);
        EXPECT_EQ(r.red[255], c.last);
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(r.green[i], r.red[i]);
            ASSERT_EQ(r.blue[i], r.red[i]);
            if (i > 0) {
                ASSERT_GT(r.red[i], r.red[i - 1]) << "ramp must rise at " << i;
            }
        }
    }
}

}  // namespace
}  // namespace vm::gfx
