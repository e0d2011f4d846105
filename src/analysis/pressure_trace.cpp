#include "analysis/pressure_trace.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "analysis/analysis_error.hpp"
#include "files/text_files.hpp"
#include "report/number_format.hpp"
#include "state/exit_status.hpp"

namespace diesel {

namespace {

constexpr double kStepTolerance = 0.01;  // a step may differ this much from the median (relative)
constexpr double kGapFactor = 1.5;       // a step this many times the median leaves out a sample

[[noreturn]] void fail(const std::string& name, int32_t line, const std::string& what) {
    throw AnalysisError(kExitFileError, name + ", line " + std::to_string(line) + ": " + what);
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The fields of one line without its comment: a run of blanks separates
// fields, and so does one comma or semicolon with blanks around it.
std::vector<std::string_view> fields_of(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    const size_t n = line.size();
    while (i < n && is_blank(line[i])) ++i;
    while (i < n) {
        size_t j = i;
        while (j < n && !is_blank(line[j]) && line[j] != ',' && line[j] != ';') ++j;
        fields.push_back(line.substr(i, j - i));
        while (j < n && is_blank(line[j])) ++j;
        if (j < n && (line[j] == ',' || line[j] == ';')) {
            ++j;
            while (j < n && is_blank(line[j])) ++j;
            if (j == n) fields.push_back({});  // a trailing separator leaves an empty field
        }
        i = j;
    }
    return fields;
}

enum class Parse { Number, NotFinite, NotNumber };

Parse parse_number(std::string_view f, double& v) {
    if (!f.empty() && f.front() == '+') f.remove_prefix(1);
    if (f.empty()) return Parse::NotNumber;
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
    if (ec != std::errc() || end != f.data() + f.size()) return Parse::NotNumber;
    return std::isfinite(v) ? Parse::Number : Parse::NotFinite;
}

// A header names its columns: its first field begins with a letter or a quote
// and is not a spelling of NaN or infinity.
bool looks_like_header(std::string_view first) {
    if (first.empty()) return false;
    const char c = first.front();
    if (c == '"' || c == '\'') return true;
    if (!std::isalpha(static_cast<unsigned char>(c))) return false;
    double v = 0.0;
    return parse_number(first, v) == Parse::NotNumber;
}

}  // namespace

PressureTrace read_pressure_trace(std::string_view text, const std::string& name) {
    PressureTrace t;
    t.name = name;
    int32_t lineNo = 0;
    bool seenContent = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        const std::vector<std::string_view> fields = fields_of(line);
        if (fields.empty()) continue;
        if (!seenContent) {
            seenContent = true;
            if (looks_like_header(fields.front())) continue;
        }
        if (fields.size() < 2) fail(name, lineNo, "one field only; a sample is a crank angle [deg] and a pressure [bar]");
        const char* what[2] = {"crank angle", "pressure"};
        double v[2] = {0.0, 0.0};
        for (int k = 0; k < 2; ++k) {
            switch (parse_number(fields[k], v[k])) {
                case Parse::Number:
                    break;
                case Parse::NotFinite:
                    fail(name, lineNo, std::string(what[k]) + " \"" + std::string(fields[k]) + "\" is not a finite number");
                case Parse::NotNumber:
                    fail(name, lineNo, std::string(what[k]) + " \"" + std::string(fields[k]) + "\" is not a number");
            }
        }
        if (!t.angle.empty() && !(v[0] > t.angle.back())) {
            fail(name, lineNo, "crank angle " + message_number(v[0]) + " deg does not rise above " + message_number(t.angle.back()) +
                                   " deg of line " + std::to_string(t.line.back()) + "; angles must increase");
        }
        t.angle.push_back(v[0]);
        t.pressure.push_back(v[1]);
        t.line.push_back(lineNo);
    }
    if (t.angle.size() < 3) {
        throw AnalysisError(kExitFileError, name + ": " + std::to_string(t.angle.size()) +
                                                " samples; a trace needs crank angle and pressure on many lines");
    }

    std::vector<double> steps(t.angle.size() - 1);
    for (size_t i = 0; i + 1 < t.angle.size(); ++i) steps[i] = t.angle[i + 1] - t.angle[i];
    std::vector<double> sorted = steps;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    t.step = sorted[sorted.size() / 2];
    for (size_t i = 0; i < steps.size(); ++i) {
        const std::string from = message_number(t.angle[i]) + " deg (line " + std::to_string(t.line[i]) + ")";
        if (steps[i] > kGapFactor * t.step) {
            fail(name, t.line[i + 1], "gap: no sample between " + from + " and " + message_number(t.angle[i + 1]) +
                                          " deg; the median step is " + message_number(t.step) + " deg");
        }
        if (std::fabs(steps[i] - t.step) > kStepTolerance * t.step) {
            fail(name, t.line[i + 1], "the step of " + message_number(steps[i]) + " deg from " + from +
                                          " differs by more than 1 % from the median step of " + message_number(t.step) + " deg");
        }
    }
    return t;
}

PressureTrace read_pressure_trace_file(const std::string& path) {
    std::string text, error;
    if (!read_text_file(path, text, error)) {
        throw AnalysisError(kExitFileError, path + ": " + (error.empty() ? "no such file" : "cannot be read: " + error));
    }
    return read_pressure_trace(text, path);
}

}  // namespace diesel
