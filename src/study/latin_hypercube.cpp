#include "study/latin_hypercube.hpp"

#include <cmath>
#include <random>
#include <utility>

namespace diesel {

namespace {

class UnitDraws {
public:
    explicit UnitDraws(uint64_t seed) : engine_(seed) {}

    double unit() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }

    std::size_t below(std::size_t n) {
        // unit() < 1, so the product stays below n.
        return static_cast<std::size_t>(std::floor(unit() * static_cast<double>(n)));
    }

private:
    std::mt19937_64 engine_;
};

}  // namespace

std::vector<std::vector<double>> latin_hypercube(std::size_t points, std::size_t dimensions, uint64_t seed) {
    UnitDraws draws(seed);
    std::vector<std::vector<std::size_t>> strata(dimensions, std::vector<std::size_t>(points));
    for (std::vector<std::size_t>& order : strata) {
        for (std::size_t i = 0; i < points; ++i) order[i] = i;
        for (std::size_t i = points; i-- > 1;) std::swap(order[i], order[draws.below(i + 1)]);
    }
    std::vector<std::vector<double>> design(points, std::vector<double>(dimensions));
    for (std::size_t i = 0; i < points; ++i) {
        for (std::size_t d = 0; d < dimensions; ++d) {
            design[i][d] = (static_cast<double>(strata[d][i]) + draws.unit()) / static_cast<double>(points);
        }
    }
    return design;
}

}  // namespace diesel
