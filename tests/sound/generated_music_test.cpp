// The two pieces the build generates and embeds, checked as the saver will play them.
#include "platform/audio/vorbis_memory_stream.h"
#include "platform/os/resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace vm {
namespace {

struct Decoded {
    int channels = 0;
    long rate = 0;
    std::vector<float> pcm;  // interleaved stereo
    bool clean = true;       // no decoding errors
    std::size_t frames() const { return pcm.size() / 2; }
};

Decoded decode(os::ResourceBytes bytes) {
    Decoded d;
    int error = 0;
    auto s = audio::VorbisMemoryStream::open(bytes, &error);
    if (!s) {
        d.clean = false;
        return d;
    }
    d.channels = s->channels();
    d.rate = s->rate();
    std::vector<float> buf(2 * 4096);
    long got = 0;
    while ((got = s->read(buf.data(), 4096)) > 0) d.pcm.insert(d.pcm.end(), buf.begin(), buf.begin() + 2 * got);
    d.clean = got == 0;
    return d;
}

// Each piece is decoded once for all the checks.
const Decoded& decoded(int id) {
    static std::map<int, Decoded> cache;
    auto it = cache.find(id);
    if (it == cache.end()) it = cache.emplace(id, decode(os::findResource("SOUND", id))).first;
    return it->second;
}

std::string readText(const std::string& path) {
    std::string text;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        std::size_t n = 0;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        std::fclose(f);
    }
    return text;
}

double dbfs(double v) { return 20.0 * std::log10(std::max(v, 1e-12)); }

struct Piece {
    const char* name;
    int id;
    double minSeconds, maxSeconds;
};
const Piece kPieces[] = {
    {"opening", 472, 20.0, 40.0},
    {"loop", 470, 120.0, 180.0},
};

TEST(GeneratedMusic, DecodesCleanlyAtSensibleLevels) {
    for (const Piece& p : kPieces) {
        SCOPED_TRACE(p.name);
        const os::ResourceBytes bytes = os::findResource("SOUND", p.id);
        if (bytes.empty()) GTEST_SKIP() << "music resource " << p.id << " is not embedded in this build";
        const Decoded& d = decoded(p.id);
        ASSERT_TRUE(d.clean);
        EXPECT_EQ(d.channels, 2);
        EXPECT_EQ(d.rate, 44100);
        const double seconds = static_cast<double>(d.frames()) / 44100.0;
        EXPECT_GE(seconds, p.minSeconds);
        EXPECT_LE(seconds, p.maxSeconds);

        double peak = 0, sum = 0;
        for (float v : d.pcm) {
            peak = std::max(peak, std::abs(static_cast<double>(v)));
            sum += static_cast<double>(v) * static_cast<double>(v);
        }
        const double rms = std::sqrt(sum / static_cast<double>(d.pcm.size()));
        std::printf("%s: %.1f s, peak %.2f dBFS, RMS %.2f dBFS\n", p.name, seconds, dbfs(peak), dbfs(rms));
        EXPECT_LT(dbfs(peak), -0.5) << "no clipping: the peak stays below full scale";
        EXPECT_GT(dbfs(rms), -30.0) << "audible at the saver's volumes";
        EXPECT_LT(dbfs(rms), -12.0) << "not squashed loud";
    }
}

TEST(GeneratedMusic, LoopJoinsWithoutAClick) {
    const os::ResourceBytes bytes = os::findResource("SOUND", 470);
    if (bytes.empty()) GTEST_SKIP() << "music resource 470 is not embedded in this build";
    const Decoded& d = decoded(470);
    ASSERT_TRUE(d.clean);
    const std::size_t n = d.frames();
    ASSERT_GT(n, 44100u);
    for (int ch = 0; ch < 2; ++ch) {
        auto at = [&](std::size_t frame) { return static_cast<double>(d.pcm[2 * frame + static_cast<std::size_t>(ch)]); };
        // The step from the last sample to the first, against the steps of the music on both
        // sides of the seam (50 ms each way): a click would stand far above them.
        const double seam = std::abs(at(0) - at(n - 1));
        double largest = 0, sum = 0;
        std::size_t count = 0;
        for (std::size_t i = 1; i < 2205; ++i) {
            for (double step : {std::abs(at(i) - at(i - 1)), std::abs(at(n - i) - at(n - i - 1))}) {
                largest = std::max(largest, step);
                sum += step;
                ++count;
            }
        }
        const double mean = sum / static_cast<double>(count);
        std::printf("loop seam, channel %d: step %.5f, mean step nearby %.5f, largest nearby %.5f\n", ch, seam, mean, largest);
        EXPECT_LE(seam, largest);
        EXPECT_LE(seam, 4.0 * mean);
        // The level carries across the seam: no drop into silence on either side.
        double before = 0, after = 0;
        for (std::size_t i = 0; i < 4410; ++i) {
            after += at(i) * at(i);
            before += at(n - 1 - i) * at(n - 1 - i);
        }
        EXPECT_GT(after, 0.25 * before);
        EXPECT_GT(before, 0.25 * after);
    }
}

TEST(GeneratedMusic, OgginfoFindsNoFault) {
    if (std::system("command -v ogginfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "ogginfo (vorbis-tools) is not installed";
    for (const Piece& p : kPieces) {
        SCOPED_TRACE(p.name);
        const os::ResourceBytes bytes = os::findResource("SOUND", p.id);
        if (bytes.empty()) GTEST_SKIP() << "music resource " << p.id << " is not embedded in this build";
        const std::filesystem::path file =
            std::filesystem::temp_directory_path() / ("vm_music_" + std::to_string(p.id) + "_" + std::to_string(::getpid()) + ".ogg");
        {
            std::ofstream f(file, std::ios::binary);
            f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        const std::string report = file.string() + ".txt";
        const int rc = std::system(("ogginfo '" + file.string() + "' >'" + report + "' 2>&1").c_str());
        const std::string text = readText(report);
        std::filesystem::remove(file);
        std::filesystem::remove(report);
        EXPECT_EQ(rc, 0) << text;
        EXPECT_EQ(text.find("WARNING"), std::string::npos) << text;
        EXPECT_EQ(text.find("ERROR"), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace vm
