#include "bench_corpus.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace vm::bench {
namespace {

struct Random {
    uint32_t s = 2463534242u;
    uint32_t next()
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
};

// 24-bit picture, soft light falloff plus grain: what baked light maps look like uncompressed.
std::vector<uint8_t> lightMap(unsigned w, unsigned h, unsigned seed, Random& r)
{
    std::vector<uint8_t> v;
    v.reserve(size_t{w} * h * 3 + 18);
    v.resize(18, 0); // picture header
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x) {
            const double dx = (x - w / 2.0 - seed * 7.0) / w, dy = (y - h / 2.0) / h;
            const double l = 255.0 / (1.0 + 12.0 * (dx * dx + dy * dy));
            const auto g = static_cast<int>(r.next() % 5);
            v.push_back(static_cast<uint8_t>(std::min(255.0, l * 0.55) + g));
            v.push_back(static_cast<uint8_t>(std::min(255.0, l * 0.75) + g));
            v.push_back(static_cast<uint8_t>(std::min(255.0, l) - g / 2));
        }
    return v;
}

std::vector<uint8_t> incompressible(size_t n, Random& r)
{
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<uint8_t>(r.next() >> 24);
    v[0] = 0xFF, v[1] = 0xD8; // JPEG start marker, as the textures have
    return v;
}

std::vector<uint8_t> modelText(size_t n, Random& r)
{
    std::string s = "xof 0303txt 0032\nFrame church {\n Mesh {\n";
    char line[96];
    while (s.size() < n) {
        const double x = (r.next() % 200000) / 100.0 - 1000.0, y = (r.next() % 30000) / 100.0,
                     z = (r.next() % 200000) / 100.0 - 1000.0;
        std::snprintf(line, sizeof line, "  %.6f;%.6f;%.6f;,\n", x, y, z);
        s += line;
        if (r.next() % 16 == 0) {
            std::snprintf(line, sizeof line, "  3;%u,%u,%u;,\n", r.next() % 9000, r.next() % 9000, r.next() % 9000);
            s += line;
        }
    }
    s.resize(n);
    return {s.begin(), s.end()};
}

std::vector<uint8_t> cameraTracks(size_t n, Random& r)
{
    std::vector<uint8_t> v;
    float p[6] = {0, 1.7f, 0, 0, 0, 0};
    while (v.size() < n) {
        for (float& c : p) {
            c += static_cast<float>(static_cast<int>(r.next() % 200) - 100) / 1000.0f;
            const auto* b = reinterpret_cast<const uint8_t*>(&c);
            v.insert(v.end(), b, b + sizeof c);
        }
    }
    v.resize(n);
    return v;
}

std::vector<uint8_t> prose(size_t n, Random& r)
{
    static const char* const kWords[] = {"the ", "candle ", "nave ", "organ ", "light ", "stone ", "of ", "and ",
                                         "church ", "night ", "column ", "bench ", "window ", "glow ", "altar ",
                                         "shadow ", "floor ", "mirror ", "in ", "a ", ".\r\n"};
    std::vector<uint8_t> v;
    while (v.size() < n) {
        const std::string w = kWords[r.next() % (sizeof kWords / sizeof *kWords)];
        v.insert(v.end(), w.begin(), w.end());
    }
    v.resize(n);
    return v;
}

std::vector<uint8_t> organ(size_t frames, Random& r)
{
    std::vector<uint8_t> v;
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < 2; ++c) {
            const double t = static_cast<double>(i) / 22050.0;
            const double s = 7000 * std::sin(2 * M_PI * 110 * t) + 3000 * std::sin(2 * M_PI * 220.5 * t + c) +
                             1500 * std::sin(2 * M_PI * 330 * t) + static_cast<double>(r.next() % 128);
            const auto x = static_cast<int16_t>(s);
            v.push_back(static_cast<uint8_t>(x & 0xFF));
            v.push_back(static_cast<uint8_t>((x >> 8) & 0xFF));
        }
    return v;
}

} // namespace

std::vector<rarpack::ArchiveEntry> sceneLikeCorpus()
{
    Random r;
    std::vector<rarpack::ArchiveEntry> e;
    e.push_back({"Cam_Tracks.bin", cameraTracks(1 << 20, r), false});
    e.push_back({"church11.X", modelText(5 << 20, r), false});
    e.push_back({"lights.X", modelText(1 << 20, r), false});
    for (unsigned i = 0; i < 6; ++i)
        e.push_back({"light_" + std::to_string(i) + ".tga", lightMap(640, 512, i, r), false});
    for (unsigned i = 0; i < 12; ++i)
        e.push_back({"tex_" + std::to_string(i) + ".jpg", incompressible(300000, r), false});
    e.push_back({"readme.txt", prose(3 << 20, r), false});
    e.push_back({"organ.raw", organ(700000, r), false});
    return e;
}

} // namespace vm::bench
