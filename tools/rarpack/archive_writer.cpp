#include "rarpack/archive_writer.h"

#include <array>
#include <exception>
#include <new>

#include "rarpack/archive_support.h"

namespace vm::rarpack {
namespace {

constexpr uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr uint8_t kTypeMain = 0x73, kTypeFile = 0x74, kTypeEnd = 0x7B;
constexpr uint16_t kMainSolid = 0x0008;
constexpr uint16_t kFileEncrypted = 0x0004, kFileSolid = 0x0010, kFileDirectory = 0x00E0, kFileWindow1M = 0x0080,
                   kLongBlock = 0x8000, kEndFlags = 0x4000;
constexpr uint8_t kHostWin32 = 2, kUnpackVersion = 20, kMethodStore = 0x30;
constexpr uint32_t kAttrDirectory = 0x10, kAttrArchive = 0x20;

void put16(std::vector<uint8_t>& v, uint32_t x)
{
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x)
{
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// Header checksum: low half of the CRC-32 of everything after the checksum field.
void appendHeader(std::vector<uint8_t>& out, std::vector<uint8_t> header)
{
    const uint32_t crc = checksum(std::span(header).subspan(2));
    header[0] = static_cast<uint8_t>(crc);
    header[1] = static_cast<uint8_t>(crc >> 8);
    out.insert(out.end(), header.begin(), header.end());
}

std::vector<uint8_t> blockStart(uint8_t type, uint16_t flags, size_t size)
{
    std::vector<uint8_t> h{0, 0, type};
    put16(h, flags);
    put16(h, static_cast<uint32_t>(size));
    return h;
}

} // namespace

namespace {

int writeArchiveImpl(const std::vector<ArchiveEntry>& entries, const ArchiveOptions& options, std::vector<uint8_t>& out,
                     std::string& error)
{
    out.assign(std::begin(kMarker), std::end(kMarker));
    {
        std::vector<uint8_t> h = blockStart(kTypeMain, options.solid ? kMainSolid : 0, 13);
        put16(h, 0);
        put32(h, 0);
        appendHeader(out, std::move(h));
    }

    EncoderOptions eo;
    eo.level = options.level == 0 ? 1 : options.level;
    eo.solid = options.solid;
    eo.multimedia = options.multimedia;
    Rar20Encoder encoder(eo);
    const bool encrypt = !options.password.empty();

    for (const ArchiveEntry& e : entries) {
        if (e.name.empty() || e.name.size() > kMaxNameSize) {
            error = "entry name must be 1 to 259 bytes: \"" + e.name + "\"";
            return -1;
        }
        if (e.data.size() > 0xFFFFFFF0u) {
            error = "entry too large for the format: " + e.name;
            return -1;
        }
        uint16_t flags = kLongBlock;
        // Every entry after the stream has started carries the solid flag, stored and directory
        // entries too: decoders that see an entry without it start a new stream there.
        if (encoder.continuesStream())
            flags |= kFileSolid;
        uint8_t method = kMethodStore;
        uint32_t attributes = kAttrArchive;
        std::vector<uint8_t> packed;
        if (e.directory) {
            flags |= kFileDirectory;
            attributes = kAttrDirectory;
        } else {
            flags |= kFileWindow1M;
            packed = e.data;
            if (options.level > 0 && !e.data.empty()) {
                // Always closed with a guard symbol: some decoders read one symbol past the
                // entry's end, and encryption pads the packed data with bytes that must not
                // decode as a table switch.
                std::vector<uint8_t> coded = encoder.encode(e.data, true);
                // Outside a solid stream an entry that does not shrink is stored instead; inside
                // one, the encoder's window already holds it, so it stays compressed.
                if (options.solid || coded.size() < e.data.size()) {
                    packed = std::move(coded);
                    method = static_cast<uint8_t>(kMethodStore + options.level);
                }
            }
            if (encrypt) {
                flags |= kFileEncrypted;
                encryptPacked(options.password, packed);
            }
        }

        std::vector<uint8_t> h = blockStart(kTypeFile, flags, 32 + e.name.size());
        put32(h, static_cast<uint32_t>(packed.size()));
        put32(h, static_cast<uint32_t>(e.data.size()));
        h.push_back(kHostWin32);
        put32(h, e.directory ? 0 : checksum(e.data));
        put32(h, options.dosTime);
        h.push_back(kUnpackVersion);
        h.push_back(method);
        put16(h, static_cast<uint32_t>(e.name.size()));
        put32(h, attributes);
        h.insert(h.end(), e.name.begin(), e.name.end());
        appendHeader(out, std::move(h));
        out.insert(out.end(), packed.begin(), packed.end());
    }
    appendHeader(out, blockStart(kTypeEnd, kEndFlags, 7));
    return 0;
}

} // namespace

int writeArchive(const std::vector<ArchiveEntry>& entries, const ArchiveOptions& options, std::vector<uint8_t>& out,
                 std::string& error)
{
    try {
        return writeArchiveImpl(entries, options, out, error);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
    } catch (const std::exception& e) {
        error = std::string("internal error: ") + e.what();
    }
    out.clear();
    return -1;
}

} // namespace vm::rarpack
