// Loops over the cylinders that the compiler turns into vector code.
//
// A chunked cylinder loop runs in chunks of kLanes cylinders, the whole last
// chunk included, so that each chunk is one vector operation and no scalar
// remainder is left. Lanes past NCYL read slots that exist (NCYL rounded up to
// a chunk is at most 12) and form values nobody uses; a result goes into the
// run state only through put(), which leaves every slot past NCYL as it was.
//
// Below one chunk of cylinders the loops run one cylinder at a time instead:
// there the receivers' slots share a chunk with the cylinders, and a vector
// load of it would wait for the scalar stores the receiver code made to them.
#pragma once

#include <bit>
#include <cstdint>

#include "state/run_state.hpp"

namespace diesel {

inline constexpr int32_t kLanes = 4;
static_assert((kMaxCylinders + kLanes - 1) / kLanes * kLanes < kZoneSlots + 1, "a last chunk must stay in the arrays");

// True when the cylinder loops of an engine run chunked.
inline bool chunked(int32_t ncyl) { return ncyl >= kLanes; }

// Calls body(j) for j = 1 .. NCYL, rounded up to whole chunks when Chunked.
template <bool Chunked, class Body>
inline void for_cylinders(int32_t ncyl, Body body) {
    if constexpr (Chunked) {
        for (int32_t j0 = 1; j0 <= ncyl; j0 += kLanes) {
            for (int32_t l = 0; l < kLanes; ++l) body(j0 + l);
        }
    } else {
        for (int32_t j = 1; j <= ncyl; ++j) body(j);
    }
}

// Exactly `c ? a : b` (signed zeros and NaN payloads included). Chunked, the
// choice is a bit mask and both values are formed in every lane: a plain `?:`
// would let the compiler move the arithmetic of one value into a branch, which
// it may not then run in a vector lane, so the loop would stay scalar. One
// cylinder at a time, it is the plain `?:`, which forms only the value chosen.
template <bool Chunked>
inline float pick(bool c, float a, float b) {
    if constexpr (Chunked) {
        const uint32_t mask = 0u - static_cast<uint32_t>(c);
        return std::bit_cast<float>((std::bit_cast<uint32_t>(a) & mask) | (std::bit_cast<uint32_t>(b) & ~mask));
    } else {
        return c ? a : b;
    }
}

// a[j] = v for a cylinder, a[j] unchanged for a lane past NCYL.
template <bool Chunked>
inline void put(ZoneArray& a, int32_t j, int32_t ncyl, float v) {
    if constexpr (Chunked) {
        a[j] = pick<true>(j <= ncyl, v, a[j]);
    } else {
        a[j] = v;
    }
}

}  // namespace diesel
