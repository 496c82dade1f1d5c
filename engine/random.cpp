#include "engine/random.h"

namespace tessalume {

void RndField::Seed(uint32_t seed)
{
    uint32_t words[5];
    uint32_t v = seed;
    for (uint32_t& word : words) {
        v = v * 29943829u - 1u;
        word = v;
    }
    x0 = words[0];
    x1 = words[1];
    x2 = words[2];
    x3 = words[3];
    carry = words[4];
    for (int i = 0; i < 19; ++i) NextWord();
}

}  // namespace tessalume
