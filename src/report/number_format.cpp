#include "report/number_format.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
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

// Powers of ten 1e-40 .. 1e50 as the nearest doubles, for the scaling below.
constexpr int kPow10Min = -40;
constexpr double kPow10[] = {
    1e-40, 1e-39, 1e-38, 1e-37, 1e-36, 1e-35, 1e-34, 1e-33, 1e-32, 1e-31, 1e-30, 1e-29, 1e-28,
    1e-27, 1e-26, 1e-25, 1e-24, 1e-23, 1e-22, 1e-21, 1e-20, 1e-19, 1e-18, 1e-17, 1e-16, 1e-15,
    1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9,  1e-8,  1e-7,  1e-6,  1e-5,  1e-4,  1e-3,  1e-2,
    1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,   1e5,   1e6,   1e7,   1e8,   1e9,   1e10,  1e11,
    1e12,  1e13,  1e14,  1e15,  1e16,  1e17,  1e18,  1e19,  1e20,  1e21,  1e22,  1e23,  1e24,
    1e25,  1e26,  1e27,  1e28,  1e29,  1e30,  1e31,  1e32,  1e33,  1e34,  1e35,  1e36,  1e37,
    1e38,  1e39,  1e40,  1e41,  1e42,  1e43,  1e44,  1e45,  1e46,  1e47,  1e48,  1e49,  1e50,
};

// Four significant digits of a > 0 by scaling in double: a (exact as a
// double) times the nearest double of 10^(3-X) is within 3e-12 of the exact
// a*10^(3-X) < 10^4, so rounding it gives the exact result unless it lies
// near a tie; then false, and the exact conversion below decides.
bool four_digits_fast(float a, int& digits, int& exponent) {
    const double d = static_cast<double>(a);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    const int e2 = static_cast<int>((bits >> 52) & 0x7ff) - 1023;  // d in [2^e2, 2^(e2+1))
    // floor(e2*log10(2)) (78913/2^18 is log10(2) closely enough for |e2| < 160);
    // floor(log10(d)) is this X or X + 1.
    int X = (e2 * 78913) >> 18;
    double x = d * kPow10[3 - X - kPow10Min];
    if (x >= 10000.0) {
        X += 1;
        x = d * kPow10[3 - X - kPow10Min];
    }
    if (!(x >= 999.0)) return false;
    const std::int64_t whole = static_cast<std::int64_t>(x);  // x > 0: truncation is floor
    const double frac = x - static_cast<double>(whole);       // exact
    if (std::fabs(frac - 0.5) < 1e-6) return false;
    int n = static_cast<int>(whole) + (frac > 0.5 ? 1 : 0);
    if (n < 1000) return false;  // just below 10^X: left to the exact path
    if (n == 10000) {
        n = 1000;
        X += 1;
    }
    digits = n;
    exponent = X;
    return true;
}

// The same, exactly: std::to_chars writes the digits printf("%.3e") writes.
void four_digits_exact(float a, int& digits, int& exponent) {
    char buf[32];
    const auto conv = std::to_chars(buf, buf + sizeof buf, static_cast<double>(a), std::chars_format::scientific, 3);
    // buf: d.ddde[+-]XX (two or three exponent digits)
    digits = (buf[0] - '0') * 1000 + (buf[2] - '0') * 100 + (buf[3] - '0') * 10 + (buf[4] - '0');
    exponent = 0;
    for (const char* p = buf + 7; p < conv.ptr; ++p) exponent = exponent * 10 + (*p - '0');
    if (buf[6] == '-') exponent = -exponent;
}

// "00", "01", .. "99": two decimal digits at a time.
constexpr auto kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[static_cast<size_t>(2 * i)] = static_cast<char>('0' + i / 10);
        pairs[static_cast<size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// Writes the two digits of 0 <= v <= 99 at p.
inline void put_pair(char* p, int v) { std::memcpy(p, &kDigitPairs[static_cast<size_t>(2 * v)], 2); }

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

    // The magnitude rounded to four significant digits d.ddd x 10^X, as "%.3e"
    // forms them from the exact binary value (ties to even), with the carry
    // into the exponent (9.9996e-01 -> 1.000e+00); d.ddd x 10^X then becomes
    // 0.dddd E+(X+1). The float range keeps X+1 within -44..+39.
    const bool negative = std::signbit(value);
    int digits = 0;    // dddd, 1000 .. 9999 (0 for zero)
    int exponent = 0;  // X
    if (value != 0.0f && !four_digits_fast(std::fabs(value), digits, exponent)) {
        four_digits_exact(std::fabs(value), digits, exponent);
    }
    if (value != 0.0f) {
        exponent += 1;
    }

    out[0] = negative ? '-' : '0';  // the leading 0 gives way to the sign
    out[1] = '.';
    put_pair(out + 2, digits / 100);
    put_pair(out + 4, digits % 100);
    out[6] = 'E';
    out[7] = exponent < 0 ? '-' : '+';
    put_pair(out + 8, exponent < 0 ? -exponent : exponent);
    out[10] = '\0';
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

char* put_shortest(char* out, float value) {
    // A NaN's sign says nothing; readers of the files expect one spelling.
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);
        return out + 3;
    }
    return std::to_chars(out, out + kShortestMax, value).ptr;
}

std::string message_number(double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", value);
    return buf;
}

}  // namespace diesel
