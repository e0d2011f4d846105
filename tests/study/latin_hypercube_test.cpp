// Latin hypercube designs: one point per stratum in every dimension, and the
// same design for a seed on every machine.
#include "study/latin_hypercube.hpp"

#include <gtest/gtest.h>

#include <set>

namespace diesel {
namespace {

TEST(LatinHypercube, OnePointPerStratumInEveryDimension) {
    const struct { std::size_t points, dimensions; uint64_t seed; } cases[] = {
        {1, 1, 1}, {2, 3, 1}, {20, 2, 1}, {20, 2, 2}, {97, 5, 12345}, {1000, 3, UINT64_MAX},
    };
    for (const auto& c : cases) {
        const auto design = latin_hypercube(c.points, c.dimensions, c.seed);
        ASSERT_EQ(design.size(), c.points);
        for (std::size_t d = 0; d < c.dimensions; ++d) {
            std::set<std::size_t> strata;
            for (const auto& p : design) {
                ASSERT_EQ(p.size(), c.dimensions);
                EXPECT_GE(p[d], 0.0);
                EXPECT_LE(p[d], 1.0);
                strata.insert(std::min(c.points - 1, static_cast<std::size_t>(p[d] * static_cast<double>(c.points))));
            }
            EXPECT_EQ(strata.size(), c.points) << c.points << " points, seed " << c.seed << ", dimension " << d;
        }
    }
}

// The documented generator and mapping, pinned: a change of either, or a
// library that drew differently, would change every stored design.
TEST(LatinHypercube, ASeedGivesTheSameDesignEverywhere) {
    const std::vector<std::vector<double>> seed1 = {
        {0.51396942974041937, 0.52704624366274722}, {0.61789063872893091, 0.11123577982447599},
        {0.35793039390129672, 0.84432673479867915}, {0.88373370587179134, 0.6499555846833418},
        {0.058372932105444475, 0.36064726443345807}};
    EXPECT_EQ(latin_hypercube(5, 2, 1), seed1);
    const std::vector<std::vector<double>> seed42 = {{0.25071506691600887}, {0.37875756121081233}, {0.96775632214279284}};
    EXPECT_EQ(latin_hypercube(3, 1, 42), seed42);
    EXPECT_NE(latin_hypercube(5, 2, 2), seed1);
}

}  // namespace
}  // namespace diesel
