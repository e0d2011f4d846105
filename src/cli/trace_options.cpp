#include "cli/trace_options.hpp"

#include <cmath>
#include <cstdlib>

#include "cli/option_values.hpp"

namespace diesel {

bool parse_number(const std::string& text, double& v) {
    char* end = nullptr;
    v = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(v);
}

OptionTaken take_trace_option(int argc, const char* const* argv, int& i, AnalysisOptions& o,
                              std::string& pressureFile, std::string& error) {
    const std::string a = argv[i];
    if (a == "--peg") {
        o.peg = true;
        return OptionTaken::Yes;
    }
    if (a != "--pressure" && a != "--smooth" && a != "--tdc-shift" && a != "--cycles") return OptionTaken::No;
    std::string v;
    if (!option_value(argc, argv, i, a, v, error)) return OptionTaken::Error;
    double x = 0.0;
    if (a == "--pressure") {
        pressureFile = v;
    } else if (a == "--smooth") {
        if (!parse_number(v, x) || x < 0.0) {
            error = "--smooth needs a width in degrees, 0 or more, not '" + v + "'";
            return OptionTaken::Error;
        }
        o.smooth = x;
    } else if (a == "--tdc-shift") {
        if (!parse_number(v, x) || std::fabs(x) > 360.0) {
            error = "--tdc-shift needs an angle in degrees (-360 .. 360), not '" + v + "'";
            return OptionTaken::Error;
        }
        o.tdcShift = x;
    } else {
        if (!parse_number(v, x) || x < 1.0 || x > 10000.0 || x != std::floor(x)) {
            error = "--cycles needs a whole number from 1 to 10000, not '" + v + "'";
            return OptionTaken::Error;
        }
        o.cycles = static_cast<int>(x);
    }
    return OptionTaken::Yes;
}

}  // namespace diesel
