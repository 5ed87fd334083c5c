// JPEG through libjpeg-turbo, from memory. libjpeg reports fatal errors through a callback that must
// not return; we leave with longjmp, so the function that calls setjmp holds no C++ object of its own
// and writes only into the caller's Image.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/d3dx/image_readers.h"

namespace vm::d3dx {

namespace {

// Progressive files may carry any number of scans, each a full pass over the coefficients; a
// forged file with thousands of tiny scans would take minutes. Real encoders write about ten.
constexpr int kMaxScans = 256;

struct ErrorManager {
    jpeg_error_mgr base;  // first member: libjpeg hands us a pointer to it
    std::jmp_buf jump;
    bool truncated;
};

extern "C" void onFatal(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

extern "C" void onMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    // Warnings (level -1) about missing data mean the picture would be filled with grey.
    if (level < 0 && err->base.msg_code == JWRN_JPEG_EOF) err->truncated = true;
}

extern "C" void onProgress(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) onFatal(cinfo);
}

// Converts one row of Adobe-style (inverted) CMYK to ARGB.
void cmykRow(const JSAMPLE* src, std::uint32_t* dst, std::uint32_t width) noexcept {
    for (std::uint32_t x = 0; x < width; ++x, src += 4) {
        const std::uint32_t k = src[3];
        const std::uint32_t r = src[0] * k / 255, g = src[1] * k / 255, b = src[2] * k / 255;
        dst[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
}

}  // namespace

Result readJpeg(const std::uint8_t* data, std::size_t size, Image& out) noexcept {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = onFatal;
    err.base.emit_message = onMessage;
    err.truncated = false;
    progress.progress_monitor = onProgress;
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return kErrInvalidData;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK || cinfo.image_width > kMaxImageSide ||
        cinfo.image_height > kMaxImageSide) {
        jpeg_destroy_decompress(&cinfo);
        return kErrInvalidData;
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    // On a little-endian machine BGRA bytes are the 0xAARRGGBB words we keep.
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    if (!allocateImage(out, cinfo.output_width, cinfo.output_height)) {
        jpeg_destroy_decompress(&cinfo);
        return kErrInvalidData;
    }
    out.fileFormat = ImageFileFormat::Jpg;
    out.format = PixelFormat::X8R8G8B8;
    JSAMPARRAY row = nullptr;
    if (cmyk) {
        row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                         cinfo.output_width * 4, 1);
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        std::uint32_t* dst = out.pixels.data() + std::size_t{cinfo.output_scanline} * out.width;
        if (cmyk) {
            jpeg_read_scanlines(&cinfo, row, 1);
            cmykRow(row[0], dst, out.width);
        } else {
            JSAMPROW target = reinterpret_cast<JSAMPROW>(dst);
            jpeg_read_scanlines(&cinfo, &target, 1);
        }
        if (err.truncated) break;
    }
    if (!err.truncated) jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    if (err.truncated) return kErrInvalidData;
    // libjpeg writes alpha 0xFF in BGRA output already; nothing more to fix up.
    return kOk;
}

}  // namespace vm::d3dx
