// Cam_Tracks.bin and Cam_Params.txt as the saver reads them: parsed here by the file rules alone
// (not by the writer's own types), so a writer that drifts from the layout is caught.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "media_support.h"
#include "track_clearance.h"
#include "tracks/hall_frame.h"
#include "tracks/track_design.h"
#include "tracks/track_file.h"

namespace vm::media_test {
namespace {

using tracks::Vec3;

struct ParsedPoint {
    Vec3 at;
    uint8_t look = 0;
    float speed = 0, pause = 0;
};
struct ParsedTrack {
    uint32_t countField = 0;
    uint8_t flagA = 0, flagB = 0;
    std::vector<ParsedPoint> points;
};
struct Parsed {
    bool ok = false;
    size_t consumed = 0;
    std::vector<ParsedTrack> tracks;
};

// Bounded reader of the file layout: count, then per track a 4-byte count field (low 16 bits),
// two flag bytes and the points (x y z, look byte, 12 bytes of target only when it is 1, speed, pause).
Parsed parse(const std::vector<uint8_t>& b)
{
    Parsed p;
    size_t at = 0;
    auto u32 = [&](uint32_t& v) {
        if (b.size() - at < 4)
            return false;
        v = static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
            static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
        at += 4;
        return true;
    };
    auto f32 = [&](float& f) {
        uint32_t v = 0;
        if (!u32(v))
            return false;
        std::memcpy(&f, &v, 4);
        return true;
    };
    auto u8 = [&](uint8_t& v) {
        if (at >= b.size())
            return false;
        v = b[at++];
        return true;
    };
    uint32_t count = 0;
    if (!u32(count) || count > 50)
        return p;
    for (uint32_t t = 0; t < count; ++t) {
        ParsedTrack track;
        if (!u32(track.countField) || !u8(track.flagA) || !u8(track.flagB))
            return p;
        const uint32_t n = track.countField & 0xFFFF;
        if (n > 150)
            return p;
        for (uint32_t i = 0; i < n; ++i) {
            ParsedPoint pt;
            Vec3 target;
            if (!f32(pt.at.x) || !f32(pt.at.y) || !f32(pt.at.z) || !u8(pt.look))
                return p;
            if (pt.look == 1 && (!f32(target.x) || !f32(target.y) || !f32(target.z)))
                return p;
            if (!f32(pt.speed) || !f32(pt.pause))
                return p;
            track.points.push_back(pt);
        }
        p.tracks.push_back(track);
    }
    p.ok = true;
    p.consumed = at;
    return p;
}

TEST(CameraTracks, LayoutOfHandBuiltRecords)
{
    struct Case {
        const char* name;
        tracks::Track track;
        std::vector<uint8_t> expectedPrefix;  // count field and flags
        size_t expectedSize;                  // whole file
    };
    tracks::Track highBits;
    highBits.highBits = 0x8DF4;
    highBits.points.resize(10);
    tracks::Track looks;
    looks.flagA = 1;
    looks.flagB = 7;
    looks.points.resize(4);
    looks.points[0].lookByte = 1;
    looks.points[3].lookByte = 2;  // reads as absent: no target bytes
    const Case cases[] = {
        {"count field with high bits", highBits, {0x0A, 0x00, 0xF4, 0x8D, 0, 0}, 4 + 6 + 10 * 21},
        {"look byte 1 adds a target, 2 does not", looks, {0x04, 0x00, 0x00, 0x00, 1, 7}, 4 + 6 + 3 * 21 + 33},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto bytes = tracks::encodeTrackFile({c.track});
        ASSERT_EQ(bytes.size(), c.expectedSize);
        EXPECT_TRUE(std::equal(c.expectedPrefix.begin(), c.expectedPrefix.end(), bytes.begin() + 4));
        const Parsed p = parse(bytes);
        ASSERT_TRUE(p.ok);
        EXPECT_EQ(p.consumed, bytes.size());
        EXPECT_EQ(p.tracks[0].points.size(), c.track.points.size());
    }
}

TEST(CameraTracks, ShippedFileParsesToFifteenTracksAndIsConsumedWhole)
{
    const auto bytes = extract(469, "Cam_Tracks.bin", "ab");
    ASSERT_TRUE(bytes.has_value());
    const Parsed p = parse(*bytes);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.consumed, bytes->size()) << "no trailing bytes";
    ASSERT_EQ(p.tracks.size(), 15u);

    float minSpeed = 1e9f, maxSpeed = 0;
    bool highBitsSeen = false, lookSeen = false, otherLookByteSeen = false;
    for (size_t t = 0; t < p.tracks.size(); ++t) {
        SCOPED_TRACE("track " + std::to_string(t));
        const ParsedTrack& track = p.tracks[t];
        const size_t n = track.points.size();
        EXPECT_GE(n, 4u);
        EXPECT_LE(n, 22u);
        EXPECT_EQ(n % 3, 1u) << "3k + 1 points";
        highBitsSeen |= (track.countField >> 16) != 0;
        for (size_t i = 0; i < n; ++i) {
            const ParsedPoint& pt = track.points[i];
            EXPECT_EQ(pt.pause, 0.0f);
            if (i % 3 == 0) {
                EXPECT_GT(pt.speed, 0.0f) << "a segment end at speed 0 would stall the camera";
                minSpeed = std::min(minSpeed, pt.speed);
                maxSpeed = std::max(maxSpeed, pt.speed);
                lookSeen |= pt.look == 1;
                otherLookByteSeen |= pt.look > 1;
            } else {
                EXPECT_EQ(pt.speed, 0.0f) << "handles carry no speed";
            }
        }
    }
    EXPECT_GE(minSpeed, 0.15f);
    EXPECT_LT(minSpeed, 1.0f) << "near-still shots";
    EXPECT_GE(maxSpeed, 25.0f) << "sweeps";
    EXPECT_LE(maxSpeed, 31.5f);
    EXPECT_TRUE(highBitsSeen) << "count fields with non-zero high bits";
    EXPECT_TRUE(lookSeen);
    EXPECT_TRUE(otherLookByteSeen) << "look bytes other than 0 and 1";
}

// Every eye position playback can reach (the 150-chord walk of each segment, and a little past its
// end) keeps the near plane plus a margin away from the hall's walls and everything standing in it.
TEST(CameraTracks, EveryTrackKeepsClearOfTheHall)
{
    const tracks::HallFrame& hall = tracks::hallFrame();
    expectEveryTrackKeepsClear([&](Vec3 eye) {
        float d = tracks::distanceInsideBox(hall.interior, eye);
        for (const tracks::Box& solid : hall.solids) d = std::min(d, tracks::distanceToBox(solid, eye));
        return d;
    });
}

// Cam_Params.txt read line by line with "%s %f" and the keys matched by substring, in order.
TEST(CameraTracks, ParamsFileSetsEveryKey)
{
    const auto bytes = readFileBytes(genDir() + "/media/tracks/Cam_Params.txt");
    ASSERT_TRUE(bytes.has_value());
    float turn = -1, base = -1, start = -1;
    std::string text(bytes->begin(), bytes->end());
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        char token[512] = {};
        float value = 0;
        if (std::sscanf(line.c_str(), "%511s %f", token, &value) != 2)
            continue;
        const std::string key = token;
        if (key.find("dtangle") != std::string::npos)
            turn = value;
        if (key.find("Speed(Start") != std::string::npos)
            start = value;
        else if (key.find("Speed") != std::string::npos)
            base = value;
    }
    EXPECT_EQ(turn, 2.125f);
    EXPECT_EQ(start, 0.75f);
    EXPECT_EQ(base, 5.75f);
}

}  // namespace
}  // namespace vm::media_test
