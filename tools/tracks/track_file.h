#pragma once
// Camera tracks as the saver reads them from Cam_Tracks.bin: little-endian, packed, no header but
// the track count. Points whose look byte is 1 carry a 12-byte look target; any other look byte
// means none. Only the low 16 bits of a point-count field are the count.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vm::tracks {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

struct TrackPoint {
    Vec3 position;
    uint8_t lookByte = 0;  // 1: look target follows; other values (0, 2, ...) read as none
    Vec3 lookTarget;
    float speed = 0;  // world units per second; only segment ends (index % 3 == 0) are used
    float pause = 0;  // seconds
};

struct Track {
    uint16_t highBits = 0;  // stored in the upper half of the point-count field, ignored by readers
    uint8_t flagA = 0;      // kept by readers, unused by playback
    uint8_t flagB = 0;
    std::vector<TrackPoint> points;
};

// The file image. Point counts above 0xFFFF cannot be written and are cut to it.
std::vector<uint8_t> encodeTrackFile(const std::vector<Track>& tracks);

}  // namespace vm::tracks
