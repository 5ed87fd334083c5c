#include "organ/ogg_writer.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstring>

namespace vm::organ {

namespace {

void append(std::vector<std::uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// The libvorbis objects of one encode, released in reverse order whatever happens.
struct Encoder {
    vorbis_info info{};
    vorbis_comment comment{};
    vorbis_dsp_state dsp{};
    vorbis_block block{};
    ogg_stream_state stream{};
    bool dspReady = false, blockReady = false, streamReady = false;
    Encoder() {
        vorbis_info_init(&info);
        vorbis_comment_init(&comment);
    }
    ~Encoder() {
        if (streamReady) ogg_stream_clear(&stream);
        if (blockReady) vorbis_block_clear(&block);
        if (dspReady) vorbis_dsp_clear(&dsp);
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
};

}  // namespace

std::vector<std::uint8_t> encodeOggVorbis(const Stereo& audio, float quality, int channels, int rate) {
    std::vector<std::uint8_t> out;
    if (channels != 1 && channels != 2) return out;
    Encoder e;
    if (vorbis_encode_init_vbr(&e.info, channels, rate, quality) != 0) return {};
    vorbis_comment_add_tag(&e.comment, "TITLE", "Organ music");
    if (vorbis_analysis_init(&e.dsp, &e.info) != 0) return {};
    e.dspReady = true;
    if (vorbis_block_init(&e.dsp, &e.block) != 0) return {};
    e.blockReady = true;
    if (ogg_stream_init(&e.stream, 0x564D4F52) != 0) return {};
    e.streamReady = true;

    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&e.dsp, &e.comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&e.stream, &header);
    ogg_stream_packetin(&e.stream, &headerComment);
    ogg_stream_packetin(&e.stream, &headerCode);
    ogg_page page;
    // The headers get pages of their own, so audio starts on a fresh page.
    while (ogg_stream_flush(&e.stream, &page) != 0) append(out, page);

    const std::size_t frames = audio.frames();
    constexpr std::size_t kChunk = 1024;
    std::size_t done = 0;
    bool finished = false;
    while (!finished) {
        const std::size_t n = std::min(kChunk, frames - done);
        if (n == 0) {
            vorbis_analysis_wrote(&e.dsp, 0);  // end of stream
        } else {
            float** buffer = vorbis_analysis_buffer(&e.dsp, static_cast<int>(n));
            for (std::size_t i = 0; i < n; ++i) {
                if (channels == 2) {
                    buffer[0][i] = audio.samples[2 * (done + i)];
                    buffer[1][i] = audio.samples[2 * (done + i) + 1];
                } else {
                    buffer[0][i] = 0.5f * (audio.samples[2 * (done + i)] + audio.samples[2 * (done + i) + 1]);
                }
            }
            vorbis_analysis_wrote(&e.dsp, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&e.dsp, &e.block) == 1) {
            vorbis_analysis(&e.block, nullptr);
            vorbis_bitrate_addblock(&e.block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&e.dsp, &packet) != 0) {
                ogg_stream_packetin(&e.stream, &packet);
                while (ogg_stream_pageout(&e.stream, &page) != 0) {
                    append(out, page);
                    if (ogg_page_eos(&page)) finished = true;
                }
            }
        }
        if (n == 0) finished = true;
    }
    while (ogg_stream_flush(&e.stream, &page) != 0) append(out, page);
    return out;
}

}  // namespace vm::organ
