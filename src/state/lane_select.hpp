// Branch-free choice between two floats, for the loops over zones and
// cylinders that the compiler turns into vector code. A plain `c ? a : b`
// would let it sink the arithmetic of `a` into a branch, which it may not then
// run speculatively in a vector lane, so the loop would stay scalar. Both
// values are formed in every lane; the choice itself is a bit mask, so the
// result is exactly `c ? a : b` (signed zeros and NaN payloads included).
#pragma once

#include <bit>
#include <cstdint>

namespace diesel {

inline float pick(bool c, float a, float b) {
    const uint32_t mask = 0u - static_cast<uint32_t>(c);
    return std::bit_cast<float>((std::bit_cast<uint32_t>(a) & mask) | (std::bit_cast<uint32_t>(b) & ~mask));
}

}  // namespace diesel
