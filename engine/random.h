// The multiply-with-carry generator over 32-bit words that all randomness comes from.
#pragma once
#include <cstdint>

namespace tessalume {

class RndField {
public:
    void Seed(uint32_t seed);

    // One step: the lagged words are weighted newest first, 5115 for x0 down to 2111111111 for x3.
    uint32_t NextWord()
    {
        const uint64_t s = 5115ull * x0 + 1776ull * x1 + 1492ull * x2 + 2111111111ull * x3 + carry;
        x3 = x2;
        x2 = x1;
        x1 = x0;
        x0 = static_cast<uint32_t>(s);
        carry = static_cast<uint32_t>(s >> 32);
        return x0;
    }

    // Rounded to single precision first, so words from 4294967168 up give exactly 1.0.
    float NextUniform() { return static_cast<float>(NextWord()) * 2.3283064e-10f; }

    bool NextCoin() { return NextWord() > 0x80000000u; }

    uint32_t x0 = 0, x1 = 0, x2 = 0, x3 = 0, carry = 0;
};

}  // namespace tessalume
