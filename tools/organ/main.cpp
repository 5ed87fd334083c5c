// Writes the saver's two organ pieces as Ogg Vorbis: organ <opening.ogg> <loop.ogg>
// Deterministic: the same build gives the same files.

#include "organ/ogg_writer.h"
#include "organ/pieces.h"
#include "organ/render.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <thread>

namespace {

bool writeFile(const char* path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vm::organ;
    if (argc != 3) {
        std::fprintf(stderr, "usage: organ OPENING.ogg LOOP.ogg\n");
        return 2;
    }
    try {
        Stereo opening, loop;
        // The two pieces are independent: render them side by side.
        std::thread other([&] { loop = renderPiece(loopingPiece(), 0x4C4F4F50u); });
        opening = renderPiece(openingPiece(), 0x4F50454Eu);
        other.join();

        // One gain for both, so the hand-over keeps the loudness; peaks at -2 dBFS leave the
        // encoder's overshoot room below full scale.
        const Levels a = measure(opening), b = measure(loop);
        const float gain = 0.79f / std::max(std::max(a.peak, b.peak), 1e-6f);
        scale(opening, gain);
        scale(loop, gain);

        std::vector<std::uint8_t> openingOgg, loopOgg;
        std::thread encoder([&] { loopOgg = encodeOggVorbis(loop, 0.45f); });
        openingOgg = encodeOggVorbis(opening, 0.45f);
        encoder.join();
        if (openingOgg.empty() || loopOgg.empty()) {
            std::fprintf(stderr, "organ: encoding failed\n");
            return 1;
        }
        if (!writeFile(argv[1], openingOgg) || !writeFile(argv[2], loopOgg)) {
            std::fprintf(stderr, "organ: cannot write output\n");
            return 1;
        }
        const Levels oa = measure(opening), ob = measure(loop);
        std::printf("organ: opening %.1f s peak %.3f rms %.3f, loop %.1f s peak %.3f rms %.3f\n",
                    static_cast<double>(opening.frames()) / kRate, static_cast<double>(oa.peak), static_cast<double>(oa.rms),
                    static_cast<double>(loop.frames()) / kRate, static_cast<double>(ob.peak), static_cast<double>(ob.rms));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "organ: %s\n", e.what());
        return 1;
    }
}
