#pragma once
// MSB-first bit sink: the RAR 2.0 decoder peeks 16 bits with the first byte most significant.

#include <cstdint>
#include <vector>

namespace vm::rarpack {

class BitWriter {
public:
    // Appends the low `count` bits of `value` (count 0..24), most significant first.
    void put(uint32_t value, unsigned count)
    {
        acc_ = (acc_ << count) | (value & ((1u << count) - 1u));
        fill_ += count;
        while (fill_ >= 8) {
            fill_ -= 8;
            bytes_.push_back(static_cast<uint8_t>(acc_ >> fill_));
        }
        acc_ &= (1u << fill_) - 1u;
    }

    // Appends everything written to `other` so far.
    void append(const BitWriter& other)
    {
        for (uint8_t b : other.bytes_)
            put(b, 8);
        put(other.acc_, other.fill_);
    }

    uint64_t bitCount() const { return bytes_.size() * 8u + fill_; }

    // Pads the last byte with zero bits and hands the bytes out.
    std::vector<uint8_t> finish()
    {
        if (fill_ > 0)
            put(0, 8 - fill_);
        return std::move(bytes_);
    }

private:
    std::vector<uint8_t> bytes_;
    uint32_t acc_ = 0;
    unsigned fill_ = 0;
};

} // namespace vm::rarpack
