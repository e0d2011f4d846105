#include "report/number_format.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace diesel {

namespace {

// Copies `text` right-justified into a field of `w` characters.
std::string right_justified(const char* text, int w) {
    const int len = static_cast<int>(std::strlen(text));
    std::string field(static_cast<size_t>(w - len), ' ');
    field += text;
    return field;
}

}  // namespace

void format_sci(float value, char (&out)[11]) {
    if (std::isnan(value)) {
        std::memcpy(out, "       NaN", 11);
        return;
    }
    if (std::isinf(value)) {
        std::memcpy(out, value > 0.0f ? "  Infinity" : " -Infinity", 11);
        return;
    }

    // "%.3e" rounds the exact binary value to four significant digits and
    // carries into the exponent itself (9.9996e-01 -> 1.000e+00); d.ddde+X
    // then becomes 0.dddd E+(X+1). The float range keeps X+1 within -44..+39.
    char buf[32];
    const bool negative = std::signbit(value);
    std::snprintf(buf, sizeof buf, "%.3e", static_cast<double>(std::fabs(value)));
    // buf: d.ddde[+-]XX
    int exponent = std::atoi(buf + 6);
    if (value != 0.0f) {
        exponent += 1;
    }

    int pos = 0;
    if (negative) {
        out[pos++] = '-';  // the leading 0 gives way to the sign
    } else {
        out[pos++] = '0';
    }
    out[pos++] = '.';
    out[pos++] = buf[0];
    out[pos++] = buf[2];
    out[pos++] = buf[3];
    out[pos++] = buf[4];
    out[pos++] = 'E';
    out[pos++] = exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    out[pos++] = static_cast<char>('0' + magnitude / 10);
    out[pos++] = static_cast<char>('0' + magnitude % 10);
    out[pos] = '\0';
}

std::string fixed_field(float value, int w, int d) {
    if (w <= 0) {
        return std::string();
    }
    if (d < 0) {
        d = 0;
    }
    if (std::isnan(value)) {
        return w >= 3 ? right_justified("NaN", w) : std::string(static_cast<size_t>(w), '*');
    }
    if (std::isinf(value)) {
        if (value > 0.0f) {
            if (w >= 8) return right_justified("Infinity", w);
            if (w >= 3) return right_justified("Inf", w);
        } else {
            if (w >= 9) return right_justified("-Infinity", w);
            if (w >= 4) return right_justified("-Inf", w);
        }
        return std::string(static_cast<size_t>(w), '*');
    }

    // Digits of the magnitude, rounded from its exact binary value. The sign
    // bit decides the minus, so -0.001 at two decimals is "-0.00". A buffer
    // two characters wider than the field is enough to tell whether the
    // digits can fit (the optional 0 and the point added for d = 0).
    const double magnitude = static_cast<double>(std::fabs(value));
    std::string digits(static_cast<size_t>(w) + 2, '\0');
    const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(),
                                         magnitude, std::chars_format::fixed, d);
    if (ec != std::errc()) {
        return std::string(static_cast<size_t>(w), '*');
    }
    digits.resize(static_cast<size_t>(end - digits.data()));
    if (d == 0) {
        digits += '.';  // the point ends the field: "2000."
    }
    const int len = static_cast<int>(digits.size());

    const bool negative = std::signbit(value);
    const int needed = len + (negative ? 1 : 0);
    if (needed > w) {
        // The 0 before the point is optional: drop it before giving up.
        if (digits[0] == '0' && needed - 1 <= w) {
            digits.erase(0, 1);
        } else {
            return std::string(static_cast<size_t>(w), '*');
        }
    }
    if (negative) {
        digits.insert(0, 1, '-');
    }
    return right_justified(digits.c_str(), w);
}

}  // namespace diesel
