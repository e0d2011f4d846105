#include "analysis/wiebe_fit.hpp"

#include <nlopt.hpp>

#include <algorithm>
#include <cmath>

#include "analysis/analysis_error.hpp"
#include "state/exit_status.hpp"

namespace diesel {

namespace {

constexpr double kA = 6.9;  // the model's Wiebe efficiency parameter

double burnt_scale() { return 1.0 - std::exp(-kA); }

struct Samples {
    const std::vector<double>* angle;
    const std::vector<double>* burnt;
    size_t first, last;
};

double sum_of_squares(const std::vector<double>& x, std::vector<double>& grad, void* data) {
    (void)grad;  // derivative-free
    const Samples& s = *static_cast<const Samples*>(data);
    double sum = 0.0;
    for (size_t i = s.first; i <= s.last; ++i) {
        const double d = (*s.burnt)[i] - wiebe_fraction((*s.angle)[i], x[0], x[1], x[2]);
        sum += d * d;
    }
    return sum;
}

// y at which the law reaches burnt fraction f with exponent m.
double y_at(double f, double m) { return std::pow(-std::log(1.0 - f * burnt_scale()) / kA, 1.0 / (m + 1.0)); }

}  // namespace

double wiebe_fraction(double angle, double start, double duration, double exponent) {
    const double y = (angle - start) / duration;
    if (!(y > 0.0)) return 0.0;
    if (y >= 1.0) return 1.0;
    return (1.0 - std::exp(-kA * std::pow(y, exponent + 1.0))) / burnt_scale();
}

double wiebe_rate(double angle, double start, double duration, double exponent) {
    const double y = (angle - start) / duration;
    if (!(y > 0.0) || y > 1.0) return 0.0;
    return kA * (exponent + 1.0) * std::pow(y, exponent) * std::exp(-kA * std::pow(y, exponent + 1.0)) /
           (burnt_scale() * duration);
}

WiebeFit fit_wiebe(const std::vector<double>& angle, const std::vector<double>& burnt, size_t first, size_t last,
                   const WiebeBounds& b, double mfb10, double mfb50, double mfb90) {
    Samples data{&angle, &burnt, first, last};
    const std::vector<double> lower{b.startMin, b.durationMin, b.exponentMin};
    const std::vector<double> upper{b.startMax, b.durationMax, b.exponentMax};
    auto clamp = [&](std::vector<double> x) {
        for (size_t k = 0; k < 3; ++k) x[k] = std::clamp(x[k], lower[k], upper[k]);
        return x;
    };

    WiebeFit fit;
    double best = HUGE_VAL;
    std::vector<double> bestX;
    for (const double m0 : {0.3, 0.8, 1.5, 3.0}) {
        // Read the burn's 10 / 50 / 90 % angles as a Wiebe curve of exponent m0.
        const double y10 = y_at(0.10, m0), y90 = y_at(0.90, m0);
        double duration = (mfb90 - mfb10) / (y90 - y10);
        if (!(duration > 0.0)) duration = 2.0 * std::fabs(mfb50 - mfb10) + 1.0;
        std::vector<double> x = clamp({mfb10 - y10 * duration, duration, m0});

        nlopt::opt opt(nlopt::LN_BOBYQA, 3);
        opt.set_lower_bounds(lower);
        opt.set_upper_bounds(upper);
        opt.set_min_objective(sum_of_squares, &data);
        opt.set_initial_step(std::vector<double>{1.0, 2.0, 0.1});
        opt.set_xtol_abs(std::vector<double>{1e-7, 1e-7, 1e-8});
        opt.set_ftol_rel(1e-14);
        opt.set_maxeval(3000);
        double f = HUGE_VAL;
        try {
            opt.optimize(x, f);
        } catch (const nlopt::roundoff_limited&) {
            std::vector<double> none;
            f = sum_of_squares(x, none, &data);  // x holds the best point found
        } catch (const std::exception& e) {
            throw AnalysisError(kExitFileError, std::string("the Wiebe fit failed: ") + e.what());
        }
        fit.evaluations += opt.get_numevals();
        if (f < best) {
            best = f;
            bestX = x;
        }
    }

    fit.start = bestX[0];
    fit.duration = bestX[1];
    fit.exponent = bestX[2];
    fit.samples = static_cast<int32_t>(last - first + 1);
    for (size_t i = first; i <= last; ++i) {
        const double d = std::fabs(burnt[i] - wiebe_fraction(angle[i], fit.start, fit.duration, fit.exponent));
        fit.maxAbs = std::max(fit.maxAbs, d);
    }
    fit.rms = std::sqrt(best / fit.samples);
    const char* names[3] = {"start", "duration", "exponent"};
    for (size_t k = 0; k < 3; ++k) {
        const double tol = 1e-6 * (upper[k] - lower[k]);
        if (bestX[k] <= lower[k] + tol || bestX[k] >= upper[k] - tol) fit.atBounds.emplace_back(names[k]);
    }
    return fit;
}

}  // namespace diesel
