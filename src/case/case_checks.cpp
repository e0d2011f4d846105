#include "case/case_checks.hpp"

#include <charconv>
#include <cmath>
#include <string>

#include "input/free_format.hpp"

namespace diesel {

namespace {

const char* const kRecordNotes[] = {"start state of cylinder 1", "start state of the intake receiver",
                                    "start state of the exhaust receiver"};
const char* const kColumnNames[] = {"mass", "temperature", "equivalence ratio"};

std::string with_unit(std::string text, const char* unit) {
    if (unit != nullptr && std::string_view(unit) != "-") text += std::string(" ") + unit;
    return text;
}

std::string shown(const ValueSource& source, float value) {
    if (source.text.empty()) return shortest_text(value);
    return source.kind == ValueSource::Kind::FortFile ? quote_item(source.text) : source.text;
}

// The accepted range of NCYLE matters only when the run writes a start table.
bool range_applies(const Case& c, Item item) {
    return item != Item::NCYLE || c.integer(Item::NCYL) <= 2;
}

}  // namespace

std::string format_bound(double v) {
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return std::string(buf, ec == std::errc{} ? end : buf);
}

std::string range_rule(const ValueRange& r, const char* unit) {
    if (!r.bounded()) return {};
    if (r.text != nullptr) return with_unit(r.text, unit);
    const bool low = r.low != -kUnbounded, high = r.high != kUnbounded;
    const std::string lo = format_bound(r.low), hi = format_bound(r.high);
    std::string text;
    if (low && high) {
        if (!r.lowOpen && !r.highOpen) text = "between " + lo + " and " + hi;
        else text = (r.lowOpen ? "above " : "at least ") + lo + " and " + (r.highOpen ? "below " : "at most ") + hi;
    } else if (low) {
        text = (r.lowOpen ? "greater than " : "at least ") + lo;
    } else {
        text = (r.highOpen ? "below " : "at most ") + hi;
    }
    return with_unit(text, unit);
}

std::string value_location(const Case& c, Item item) {
    const InputItem& it = item_info(item);
    const ValueSource& source = c.source(item);
    switch (source.kind) {
        case ValueSource::Kind::FortFile: {
            std::string where = it.fortFile == 3 ? "fort3.dat (unit 3)" : "fort2.dat (unit 2)";
            where += ", record " + std::to_string(it.record);
            if (it.record >= 8) where += std::string(" (") + kRecordNotes[it.record - 8] + ")";
            return where + ", item " + std::to_string(it.position) + " (" + it.name + ")";
        }
        case ValueSource::Kind::CaseFile:
            return c.caseFile + ":" + std::to_string(source.line) + ": " + it.key;
        case ValueSource::Kind::CommandLine:
            return "--set " + item_label(item);
        case ValueSource::Kind::Unset:
        case ValueSource::Kind::Program:
            break;
    }
    return item_label(item);
}

std::string value_shown(const Case& c, Item item) {
    if (item_info(item).type == ItemType::Integer && c.source(item).text.empty())
        return std::to_string(c.integer(item));
    return shown(c.source(item), item_info(item).type == ItemType::Real ? c.real(item) : 0.0f);
}

std::string row_location(const Case& c, int32_t row, int32_t column) {
    const std::string zone = "start state of cylinder " + std::to_string(row + 1);
    if (c.start.inlineRows) {
        const auto& sources = c.start.sources;
        const auto r = static_cast<std::size_t>(row - 1);
        const int32_t line = r < sources.size() && sources[r][0].line > 0 ? sources[r][0].line : c.start.line;
        // Rows a program gave have no line of a file.
        return (line > 0 ? c.caseFile + ":" + std::to_string(line) + ": " : std::string()) + "start.rows, row " +
               std::to_string(row) + " (" + zone + "), " + kColumnNames[column];
    }
    return c.start.file + " (unit 14), row " + std::to_string(row) + " (" + zone + "), item " +
           std::to_string(column + 1) + " (" + kColumnNames[column] + ")";
}

std::optional<std::string> item_error(const Case& c, Item item) {
    const InputItem& it = item_info(item);
    if (!c.is_set(item)) return item_label(item) + ": has no value";
    const double v = c.number(item);
    if (it.type == ItemType::Real && !std::isfinite(v))
        return value_location(c, item) + ": " + value_shown(c, item) + " is not a finite number";
    if (range_applies(c, item) && !it.accepted.contains(v)) {
        std::string message = value_location(c, item) + ": " + value_shown(c, item) + " is not accepted: " +
                              it.name + " must be " + range_rule(it.accepted, it.unit);
        if (item == Item::NCYLE) message += " when NCYL is 1 or 2";
        if (it.accepted.why != nullptr) message += std::string("; ") + it.accepted.why;
        return message;
    }
    return std::nullopt;
}

CaseCheck check_case(const Case& c) {
    CaseCheck check;
    for (const InputItem& it : input_items()) {
        if (const auto error = item_error(c, it.id)) {
            check.errors.push_back(*error);
            continue;
        }
        if (it.plausible.bounded() && !it.plausible.contains(c.number(it.id)))
            check.warnings.push_back(value_location(c, it.id) + ": " + value_shown(c, it.id) +
                                     " is implausible: " + it.plausible.why);
    }

    // The slider-crank needs a rod longer than the crank radius.
    if (c.is_set(Item::CONROD) && c.is_set(Item::STROKE) && !(c.real(Item::CONROD) > c.real(Item::STROKE) * 0.5f) &&
        !item_error(c, Item::CONROD) && !item_error(c, Item::STROKE)) {
        check.errors.push_back(value_location(c, Item::CONROD) + ": " + value_shown(c, Item::CONROD) +
                               " is not accepted: CONROD must be greater than STROKE/2 = " +
                               shortest_text(c.real(Item::STROKE) * 0.5f) +
                               " m; the rod must be longer than the crank radius");
    }

    // Start rows of cylinders 2 .. NCYL, when the case holds them.
    const int32_t needed = item_error(c, Item::NCYL) ? 0 : c.start_rows_needed();
    const StartTable& t = c.start;
    if (needed > 0 && (t.inlineRows || t.loaded)) {
        const auto have = static_cast<int32_t>(t.rows.size());
        if (have < needed) {
            check.errors.push_back(
                (!t.inlineRows ? t.file + " (unit 14)"
                 : t.line > 0 ? c.caseFile + ":" + std::to_string(t.line) + ": start.rows"
                              : std::string("start.rows")) +
                ": holds " + std::to_string(have) + (have == 1 ? " row" : " rows") + ", but NCYL = " +
                std::to_string(needed + 1) + " needs " + std::to_string(needed) +
                " (the start states of cylinders 2 to " + std::to_string(needed + 1) + ")");
        }
        for (int32_t r = 1; r <= std::min(have, needed); ++r) {
            const StartRow& row = t.rows[static_cast<std::size_t>(r - 1)];
            const float values[2] = {row.mass, row.temperature};
            for (int32_t col = 0; col < 2; ++col) {
                if (values[col] > 0.0f) continue;
                // A row of zeros is what a run that stopped inside its first cycle wrote.
                if (values[col] == 0.0f) {
                    check.errors.push_back(row_location(c, r, col) + ": start table row " + std::to_string(r) +
                                           " holds a zero " + kColumnNames[col] +
                                           "; was it written by a run that ended before completing a cycle?");
                } else {
                    const auto& sources = t.sources;
                    const ValueSource none{};
                    const ValueSource& s =
                        static_cast<std::size_t>(r - 1) < sources.size() ? sources[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(col)] : none;
                    check.errors.push_back(row_location(c, r, col) + ": " + shown(s, values[col]) +
                                           " is not accepted: a zone's start " + kColumnNames[col] +
                                           (col == 0 ? " must be greater than 0 kg" : " must be greater than 0 K"));
                }
            }
        }
    }
    return check;
}

}  // namespace diesel
