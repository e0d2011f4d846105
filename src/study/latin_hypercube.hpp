// Latin hypercube designs: N points in the unit cube of D dimensions such
// that each dimension, cut into N equal strata, has exactly one point in each.
//
// The design depends on the seed alone, the same on every machine and with
// every standard library: the generator is std::mt19937_64 (whose sequence
// the C++ standard fixes), and the program maps its 64-bit outputs to numbers
// itself rather than through the library's distributions, whose algorithms
// are left to each implementation:
//   unit()     = (next() >> 11) * 2^-53, a double in [0, 1)
//   below(n)   = floor(unit() * n), an integer in [0, n)
// Drawing order: for each dimension in turn, a permutation of the strata
// 0 .. N-1 by Fisher-Yates (for i from N-1 down to 1, swap entries i and
// below(i + 1)); then for each point in turn and each dimension in turn, the
// position within the stratum: u = (stratum + unit()) / N.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace diesel {

// points[i][d] in [0, 1] (1 only where rounding lands on it): point i, dimension d.
std::vector<std::vector<double>> latin_hypercube(std::size_t points, std::size_t dimensions, uint64_t seed);

}  // namespace diesel
