// Image decoders on hostile bytes. The first byte picks the entry point; the decoded picture, when there
// is one, must be exactly as large as its header says and within the decoder's limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/d3dx/image.h"
#include "platform/os/bitmap_file.h"

namespace {

void check(vm::d3dx::Result result, const vm::d3dx::Image& image) {
    using namespace vm::d3dx;
    if (result != kOk) {
        if (!image.empty()) std::abort();  // failure must leave no half-decoded picture
        return;
    }
    if (image.width == 0 || image.height == 0 || image.width > kMaxImageSide || image.height > kMaxImageSide) std::abort();
    if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vm::d3dx;
    if (size < 1) return 0;
    const std::uint8_t which = data[0] % 5;
    const std::uint8_t* bytes = data + 1;
    const std::size_t n = size - 1;
    Image image;
    switch (which) {
        case 0: check(decodeImage(bytes, n, image), image); break;
        case 1: check(decodeJpeg(bytes, n, image), image); break;
        case 2: check(decodeTga(bytes, n, image), image); break;
        case 3: check(decodeBmp(bytes, n, image), image); break;
        default: {
            const auto file = vm::os::bitmapFileFromResource(std::span<const std::uint8_t>(bytes, n));
            if (!file.empty()) check(decodeImage(file.data(), file.size(), image), image);
            break;
        }
    }
    return 0;
}
