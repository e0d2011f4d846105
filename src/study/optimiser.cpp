#include "study/optimiser.hpp"

#include <nlopt.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace diesel {

namespace {

// The search state the library's callbacks share.
class Search {
public:
    Search(const OptimiserProblem& p, nlopt::opt& opt) : p_(p), opt_(opt) {}

    // The model-run budget is spent: the library asked for a point beyond it.
    bool budgetSpent = false;

    // Objective of the unit-box point `u`; evaluates the model once per point.
    double objective(const double* u) {
        const Evaluation& e = evaluate(u);
        return e.objective;
    }

    // Limit `i` of the unit-box point `u`, from the evaluation of that point.
    double limit(const double* u, size_t i) {
        const Evaluation& e = evaluate(u);
        return e.limits[i];
    }

    OptimiserResult result;

private:
    std::vector<double> scaled(const double* u) const {
        std::vector<double> x(p_.variables.size());
        for (size_t k = 0; k < x.size(); ++k) {
            const OptimiserVariable& v = p_.variables[k];
            x[k] = v.lower + u[k] * (v.upper - v.lower);
        }
        return x;
    }

    // COBYLA asks for the objective and then each limit of the same point;
    // the model runs once for all of them.
    const Evaluation& evaluate(const double* u) {
        const size_t n = p_.variables.size();
        if (!lastU_.empty() && std::equal(lastU_.begin(), lastU_.end(), u)) return last_;
        // The budget counts model runs. The library counts its own calls,
        // which include points it asks for again, so it is stopped here.
        if (result.evaluations >= std::max(1, p_.maxEvaluations)) {
            budgetSpent = true;
            opt_.force_stop();
            return last_;
        }
        lastU_.assign(u, u + n);
        const std::vector<double> x = scaled(u);
        ++result.evaluations;
        std::optional<Evaluation> e = p_.evaluate(x);
        if (e && e->limits.size() != static_cast<size_t>(p_.limitCount))
            throw std::logic_error("an evaluation gave the wrong number of limits");
        if (e && !std::isfinite(e->objective)) e.reset();
        if (!e) {
            ++result.failed;
            last_.objective = worst_ + std::max(1.0, worst_ - bestSeen_);
            last_.limits.assign(static_cast<size_t>(p_.limitCount), 1.0);
            return last_;
        }
        last_ = *e;
        worst_ = seen_ ? std::max(worst_, e->objective) : e->objective;
        bestSeen_ = seen_ ? std::min(bestSeen_, e->objective) : e->objective;
        seen_ = true;
        const bool meets = std::all_of(e->limits.begin(), e->limits.end(), [](double g) { return g <= 0.0; });
        if (meets && (!result.found || e->objective < result.best.objective)) {
            result.found = true;
            result.x = x;
            result.best = *e;
        }
        return last_;
    }

    const OptimiserProblem& p_;
    nlopt::opt& opt_;
    std::vector<double> lastU_;
    Evaluation last_;
    bool seen_ = false;
    double worst_ = 0.0, bestSeen_ = 0.0;
};

struct LimitRef {
    Search* search;
    size_t index;
};

double objective_cb(unsigned, const double* u, double*, void* data) {
    return static_cast<Search*>(data)->objective(u);
}

double limit_cb(unsigned, const double* u, double*, void* data) {
    const LimitRef& r = *static_cast<LimitRef*>(data);
    return r.search->limit(u, r.index);
}

const char* reason(nlopt::result r) {
    switch (r) {
        case nlopt::SUCCESS: return "converged";
        case nlopt::STOPVAL_REACHED: return "target value reached";
        case nlopt::FTOL_REACHED: return "the objective stopped improving";
        case nlopt::XTOL_REACHED: return "the steps became smaller than the tolerance";
        case nlopt::MAXEVAL_REACHED: return "the evaluation limit was reached";
        case nlopt::MAXTIME_REACHED: return "the time limit was reached";
        default: return "the search ended";
    }
}

}  // namespace

OptimiserResult minimise(const OptimiserProblem& p) {
    const size_t n = p.variables.size();
    if (n == 0) throw std::invalid_argument("nothing to vary");
    for (const OptimiserVariable& v : p.variables) {
        if (!(v.lower < v.upper)) throw std::invalid_argument(v.name + ": the lower bound must lie below the upper");
    }
    // BOBYQA needs two variables at least; COBYLA serves one as well.
    const bool cobyla = p.limitCount > 0 || n < 2;
    nlopt::opt opt(cobyla ? nlopt::LN_COBYLA : nlopt::LN_BOBYQA, static_cast<unsigned>(n));
    Search search(p, opt);
    opt.set_lower_bounds(std::vector<double>(n, 0.0));
    opt.set_upper_bounds(std::vector<double>(n, 1.0));
    opt.set_min_objective(objective_cb, &search);
    std::vector<LimitRef> refs(static_cast<size_t>(p.limitCount));
    for (size_t i = 0; i < refs.size(); ++i) {
        refs[i] = {&search, i};
        opt.add_inequality_constraint(limit_cb, &refs[i], 0.0);
    }
    opt.set_xtol_abs(std::vector<double>(n, p.tolerance));
    // A backstop only: the search itself stops at the budget of model runs.
    opt.set_maxeval(std::max(1, p.maxEvaluations) * 10);

    std::vector<double> u(n);
    for (size_t k = 0; k < n; ++k) {
        const OptimiserVariable& v = p.variables[k];
        u[k] = std::clamp((v.start - v.lower) / (v.upper - v.lower), 0.0, 1.0);
    }
    // BOBYQA moves a first point that lies nearer to a bound than the first
    // step, but not on it, a whole step inwards: the search would then begin
    // away from the start it was given. A variable that close starts with a
    // step that just reaches its bound.
    const double step = 0.125;
    std::vector<double> steps(n, step);
    for (size_t k = 0; k < n; ++k) {
        const double room = std::min(u[k], 1.0 - u[k]);
        if (room > 0.0 && room < step) steps[k] = std::max(room, p.tolerance);
    }
    opt.set_initial_step(steps);
    double f = 0.0;
    try {
        search.result.stopReason = reason(opt.optimize(u, f));
    } catch (const nlopt::roundoff_limited&) {
        search.result.stopReason = "rounding limits further progress";
    } catch (const nlopt::forced_stop&) {
        search.result.stopReason = search.budgetSpent ? "the evaluation limit was reached" : "stopped";
    } catch (const std::runtime_error& e) {
        // The library gives up (e.g. on a box with no room left); what was
        // found so far still stands.
        search.result.stopReason = std::string("the search failed: ") + e.what();
    }
    return search.result;
}

}  // namespace diesel
