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

TEST(Optimiser, FindsAnInteriorOrBoundaryOptimumWithinTheEvaluationBudget) {
    const struct {
        double x0, y0;   // floor of the bowl
        double xa, ya;   // where the optimum lies in the box
    } cases[] = {
        {7.3, -1.2, 7.3, -1.2},   // inside
        {12.0, 1.0, 10.0, 1.0 + 0.2 / 6.0},  // a on its upper bound; the cross term shifts b
        {2.0, -9.0, 1.8, -5.0},              // b on its lower bound; the cross term shifts a
    };
    for (const auto& c : cases) {
        const OptimiserResult r = minimise(bowl(c.x0, c.y0));
        ASSERT_TRUE(r.found);
        EXPECT_NEAR(r.x[0], c.xa, 0.01) << c.x0 << "," << c.y0;
        EXPECT_NEAR(r.x[1], c.ya, 0.01) << c.x0 << "," << c.y0;
        EXPECT_LE(r.evaluations, 200);
    }
}

TEST(Optimiser, OneVariableAndALimitThatBinds) {
    // Minimise (a - 8)^2 subject to a <= 6: the optimum sits on the limit.
    OptimiserProblem p;
    p.variables = {{"a", 0.0, 10.0, 1.0}};
    p.limitCount = 1;
    p.evaluate = [](const std::vector<double>& x) -> std::optional<Evaluation> {
        return Evaluation{(x[0] - 8.0) * (x[0] - 8.0), {(x[0] - 6.0) / 6.0}};
    };
    const OptimiserResult r = minimise(p);
    ASSERT_TRUE(r.found);
    EXPECT_NEAR(r.x[0], 6.0, 0.01);
    EXPECT_LE(r.best.limits[0], 0.0);
}

TEST(Optimiser, FailedEvaluationsAreAvoidedAndAnImpossibleLimitFindsNothing) {
    // Runs above a = 7 "stop": the best successful point lies just below.
    OptimiserProblem p;
    p.variables = {{"a", 0.0, 10.0, 2.0}, {"b", 0.0, 1.0, 0.5}};
    p.evaluate = [](const std::vector<double>& x) -> std::optional<Evaluation> {
        if (x[0] > 7.0) return std::nullopt;
        return Evaluation{-x[0] + (x[1] - 0.3) * (x[1] - 0.3), {}};
    };
    const OptimiserResult r = minimise(p);
    ASSERT_TRUE(r.found);
    EXPECT_GT(r.failed, 0);
    EXPECT_LE(r.x[0], 7.0);
    EXPECT_GT(r.x[0], 6.0);

    p.limitCount = 1;
    p.evaluate = [](const std::vector<double>& x) -> std::optional<Evaluation> {
        return Evaluation{x[0], {1.0 + x[1]}};  // never met
    };
    const OptimiserResult none = minimise(p);
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
