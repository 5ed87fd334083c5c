#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "image_builders.h"

namespace vm::d3dx::testing {

Bytes encodeJpeg(const std::vector<std::uint32_t>& argb, unsigned w, unsigned h, int quality, bool progressive) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < h) {
        // libjpeg takes non-const rows; it only reads them.
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<std::uint32_t*>(argb.data() + cinfo.next_scanline * w));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

}  // namespace vm::d3dx::testing
