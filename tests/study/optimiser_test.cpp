#include "study/optimiser.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace diesel {
namespace {

// A bowl with its floor at (x0, y0) inside the box [0, 10] x [-5, 5].
OptimiserProblem bowl(double x0, double y0) {
    OptimiserProblem p;
    p.variables = {{"a", 0.0, 10.0, 5.0}, {"b", -5.0, 5.0, 0.0}};
    p.evaluate = [x0, y0](const std::vector<double>& x) -> std::optional<Evaluation> {
        const double dx = x[0] - x0, dy = x[1] - y0;
        return Evaluation{dx * dx + 3.0 * dy * dy + 0.1 * dx * dy, {}};
    };
    return p;
}

// One variable: (a - 8)^2 under the limit a <= 6, or -a with every run
// above a = 7 failed, as a stopped run fails.
OptimiserProblem line(bool limited) {
    OptimiserProblem p;
    p.variables = {{"a", 0.0, 10.0, 1.0}};
    p.limitCount = limited ? 1 : 0;
    p.evaluate = [limited](const std::vector<double>& x) -> std::optional<Evaluation> {
        if (limited) return Evaluation{(x[0] - 8.0) * (x[0] - 8.0), {(x[0] - 6.0) / 6.0}};
        if (x[0] > 7.0) return std::nullopt;
        return Evaluation{-x[0], {}};
    };
    return p;
}

TEST(Optimiser, FindsTheOptimumInsideOnABoundOnALimitOrBelowFailedRuns) {
    const struct { const char* what; OptimiserProblem p; std::vector<double> x; double tolerance; bool failing; } cases[] = {
        {"inside", bowl(7.3, -1.2), {7.3, -1.2}, 0.01, false},
        {"a on its upper bound; the cross term shifts b", bowl(12.0, 1.0), {10.0, 1.0 + 0.2 / 6.0}, 0.01, false},
        {"b on its lower bound; the cross term shifts a", bowl(2.0, -9.0), {1.8, -5.0}, 0.01, false},
        {"on the limit", line(true), {6.0}, 0.01, false},
        {"just below the failed runs", line(false), {6.5}, 0.5, true},
    };
    for (const auto& c : cases) {
        const OptimiserResult r = minimise(c.p);
        ASSERT_TRUE(r.found) << c.what;
        for (std::size_t i = 0; i < c.x.size(); ++i) EXPECT_NEAR(r.x[i], c.x[i], c.tolerance) << c.what;
        for (const double limit : r.best.limits) EXPECT_LE(limit, 0.0) << c.what;
        EXPECT_LE(r.evaluations, 200) << c.what;
        EXPECT_EQ(r.failed > 0, c.failing) << c.what;
    }
    // A limit no point meets: nothing found.
    OptimiserProblem never = bowl(7.3, -1.2);
    never.limitCount = 1;
    never.evaluate = [](const std::vector<double>& x) -> std::optional<Evaluation> {
        return Evaluation{x[0], {1.0 + x[1] * x[1]}};
    };
    const OptimiserResult none = minimise(never);
    EXPECT_FALSE(none.found);
    EXPECT_TRUE(none.x.empty());
}

TEST(Optimiser, TheFirstEvaluationIsTheStartEvenNearABound) {
    // BOBYQA would move a start within its first step of a bound inwards.
    const struct {
        double a, b;  // start
    } starts[] = {{0.3, 0.0}, {9.9, 4.2}, {0.0, -5.0}, {5.0, 0.0}};
    for (const auto& s : starts) {
        OptimiserProblem p = bowl(7.3, -1.2);
        p.variables[0].start = s.a;
        p.variables[1].start = s.b;
        std::vector<double> first;
        const auto bowlAt = p.evaluate;
        p.evaluate = [&](const std::vector<double>& x) {
            if (first.empty()) first = x;
            return bowlAt(x);
        };
        const OptimiserResult r = minimise(p);
        ASSERT_EQ(first.size(), 2u);
        EXPECT_DOUBLE_EQ(first[0], s.a);
        EXPECT_DOUBLE_EQ(first[1], s.b);
        EXPECT_NEAR(r.x[0], 7.3, 0.01) << s.a << "," << s.b;
    }
}

TEST(Optimiser, TheBudgetCountsModelRuns) {
    for (const int32_t limits : {0, 1}) {
        OptimiserProblem p = bowl(7.3, -1.2);
        p.limitCount = limits;
        p.tolerance = 1e-12;
        p.maxEvaluations = 7;
        const auto inner = p.evaluate;
        int32_t runs = 0;
        p.evaluate = [&](const std::vector<double>& x) -> std::optional<Evaluation> {
            ++runs;
            std::optional<Evaluation> e = inner(x);
            e->limits.assign(static_cast<size_t>(limits), -1.0);
            return e;
        };
        const OptimiserResult r = minimise(p);
        EXPECT_EQ(runs, 7) << limits;
        EXPECT_EQ(r.evaluations, 7) << limits;
        EXPECT_EQ(r.stopReason, "the evaluation limit was reached") << limits;
    }
}

TEST(Optimiser, RefusesAnEmptyBox) {
    OptimiserProblem p;
    p.variables = {{"a", 1.0, 1.0, 1.0}};
    p.evaluate = [](const std::vector<double>&) -> std::optional<Evaluation> { return Evaluation{}; };
    EXPECT_THROW(minimise(p), std::invalid_argument);
}

}  // namespace
}  // namespace diesel
