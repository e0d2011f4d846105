// The two number fields of every output file: the 10-character scientific
// trace field and the fixed(w,d) field of the summary reports.
#pragma once

#include <string>

namespace diesel {

// Writes `value` as the 10-character field 0.dddd E+xx into out[0..9] and a NUL
// into out[10]: 1.0 -> "0.1000E+01", -0.0021 -> "-.2100E-02", 0 -> "0.0000E+00",
// -0.0 -> "-.0000E+00". The mantissa is the float's exact binary value rounded
// to four digits. Infinities and NaN: "  Infinity", " -Infinity", "       NaN".
// No allocation.
void format_sci(float value, char (&out)[11]);

// The fixed(w,d) field: w characters, d decimals, right-justified, a decimal
// point always present, a 0 before the point when |value| < 1 and room allows;
// w asterisks when the value does not fit. Infinity/-Infinity/Inf/-Inf/NaN
// right-justified where they fit, else asterisks.
std::string fixed_field(float value, int w, int d);

// The shortest text that reads back to exactly `value` (std::to_chars): 6.219,
// 2000, 1e-05; "inf", "-inf", and "nan" for every NaN. Writes at most
// kShortestMax characters from `out` and returns the end; no allocation.
inline constexpr int kShortestMax = 16;
char* put_shortest(char* out, float value);

// `value` to six significant digits (printf's %g): 1500, 0.25, 1e+06; for
// messages and progress lines, not for results.
std::string message_number(double value);

}  // namespace diesel
