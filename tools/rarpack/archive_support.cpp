#include "rarpack/archive_support.h"

#include "archive/crc32.h"
#include "archive/rar20_cipher.h"

namespace vm::rarpack {

uint32_t checksum(std::span<const uint8_t> bytes) { return vm::crc32(bytes); }

void encryptPacked(const std::string& password, std::vector<uint8_t>& packed)
{
    packed.resize((packed.size() + Rar20Cipher::kBlockSize - 1) / Rar20Cipher::kBlockSize * Rar20Cipher::kBlockSize, 0);
    Rar20Cipher cipher;
    cipher.setPassword(password);
    cipher.encrypt(packed);
}

} // namespace vm::rarpack
