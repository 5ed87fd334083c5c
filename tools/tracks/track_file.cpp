#include "tracks/track_file.h"

#include <cstring>

namespace vm::tracks {
namespace {

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void putFloat(std::vector<uint8_t>& out, float f)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    put32(out, bits);
}

}  // namespace

std::vector<uint8_t> encodeTrackFile(const std::vector<Track>& tracks)
{
    std::vector<uint8_t> out;
    put32(out, static_cast<uint32_t>(tracks.size()));
    for (const Track& t : tracks) {
        const uint32_t count = t.points.size() > 0xFFFF ? 0xFFFF : static_cast<uint32_t>(t.points.size());
        put32(out, count | (static_cast<uint32_t>(t.highBits) << 16));
        out.push_back(t.flagA);
        out.push_back(t.flagB);
        for (uint32_t i = 0; i < count; ++i) {
            const TrackPoint& p = t.points[i];
            putFloat(out, p.position.x);
            putFloat(out, p.position.y);
            putFloat(out, p.position.z);
            out.push_back(p.lookByte);
            if (p.lookByte == 1) {
                putFloat(out, p.lookTarget.x);
                putFloat(out, p.lookTarget.y);
                putFloat(out, p.lookTarget.z);
            }
            putFloat(out, p.speed);  // speed before pause, as readers expect
            putFloat(out, p.pause);
        }
    }
    return out;
}

}  // namespace vm::tracks
