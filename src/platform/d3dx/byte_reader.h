#pragma once
// Bounded little-endian reads over untrusted bytes. A read past the end sets the sticky `bad` flag and
// yields zeros, so a parser can read a whole header and check once.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vm::d3dx {

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) noexcept : data_(data), size_(size) {}

    std::size_t position() const noexcept { return pos_; }
    std::size_t remaining() const noexcept { return size_ - pos_; }
    bool bad() const noexcept { return bad_; }

    void seek(std::size_t pos) noexcept {
        if (pos > size_) {
            bad_ = true;
            pos_ = size_;
        } else {
            pos_ = pos;
        }
    }
    void skip(std::size_t n) noexcept { seek(n > remaining() ? size_ + 1 : pos_ + n); }

    std::uint8_t u8() noexcept {
        if (remaining() < 1) return fail<std::uint8_t>();
        return data_[pos_++];
    }
    std::uint16_t u16() noexcept {
        if (remaining() < 2) return fail<std::uint16_t>();
        const std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t u32() noexcept {
        if (remaining() < 4) return fail<std::uint32_t>();
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | data_[pos_ + static_cast<std::size_t>(i)];
        pos_ += 4;
        return v;
    }
    std::int32_t i32() noexcept { return static_cast<std::int32_t>(u32()); }

    // Pointer to the next n bytes, or null (and bad) when fewer remain.
    const std::uint8_t* take(std::size_t n) noexcept {
        if (remaining() < n) return fail<const std::uint8_t*>();
        const std::uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }

private:
    template <typename T>
    T fail() noexcept {
        bad_ = true;
        pos_ = size_;
        return T{};
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool bad_ = false;
};

}  // namespace vm::d3dx
