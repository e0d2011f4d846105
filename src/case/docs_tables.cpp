#include "case/docs_tables.hpp"

#include <string>
#include <vector>

#include "case/case_checks.hpp"
#include "case/case_toml.hpp"
#include "case/example_case.hpp"
#include "case/input_items.hpp"

namespace diesel {

namespace {

constexpr std::string_view kBegin = "<!-- generated: ";
constexpr std::string_view kEnd = "<!-- end generated -->";

// Text for a Markdown table cell: pipes and asterisks would end the cell or
// start emphasis.
std::string cell(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        if (ch == '|' || ch == '*') out += '\\';
        out += ch;
    }
    return out;
}

// Units as the documentation prints them.
std::string pretty_unit(std::string_view unit) {
    if (unit == "-") return "–";
    std::string out;
    for (std::size_t i = 0; i < unit.size(); ++i) {
        const char ch = unit[i];
        const bool power = (ch == '2' || ch == '3') && i > 0 && unit[i - 1] == 'm';
        if (power) out += ch == '2' ? "²" : "³";
        else if (unit.substr(i).starts_with("degC")) { out += "°C"; i += 3; }
        else if (ch == ' ' && i > 0 && unit[i - 1] != '0') out += "·";  // W/(m2 K) -> W/(m²·K)
        else out += ch;
    }
    return out;
}

std::string type_of(const InputItem& it) { return it.type == ItemType::Integer ? "*int*" : "real"; }

std::string rule_of(const InputItem& it) {
    const std::string unit = pretty_unit(it.unit);
    std::string rule = range_rule(it.accepted, std::string_view(it.unit) == "-" ? nullptr : unit.c_str());
    if (it.id == Item::NCYLE) rule += " when NCYL ≤ 2";
    if (it.id == Item::CONROD) rule += "; greater than STROKE/2";
    return rule;
}

std::string record_table(int32_t fortFile, const std::vector<int32_t>& records) {
    const Case example = example_case();
    const bool several = records.size() > 1;
    std::string out = several ? "| Record | # | Name | Type | Unit | Meaning | Example | case.toml key |\n"
                                "|---|---|---|---|---|---|---|---|\n"
                              : "| # | Name | Type | Unit | Meaning | Example | case.toml key |\n"
                                "|---|---|---|---|---|---|---|\n";
    for (const int32_t record : records) {
        for (const Item item : record_items(fortFile, record)) {
            const InputItem& it = item_info(item);
            if (several) out += "| " + std::to_string(record) + " ";
            out += "| " + std::to_string(it.position) + " | " + it.name + " | " + type_of(it) + " | " +
                   pretty_unit(it.unit) + " | " + cell(it.meaning) + " | " + value_shown(example, item) + " | `" +
                   it.key + "` |\n";
        }
    }
    return out;
}

std::string checks_table() {
    std::string out = "| Item | case.toml key | Accepted | Why |\n|---|---|---|---|\n";
    for (const InputItem& it : input_items()) {
        if (!it.accepted.bounded()) continue;
        const char* why = it.id == Item::CONROD ? "the rod must be longer than the crank radius"
                          : it.accepted.why != nullptr ? it.accepted.why
                                                       : "";
        out += std::string("| ") + it.name + " | `" + it.key + "` | " + cell(rule_of(it)) + " | " + cell(why) + " |\n";
    }
    out += "| start rows of cylinders 2 .. NCYL | `start.rows` or the start-table file | mass and temperature greater "
           "than 0; NCYL − 1 rows | a row of zeros is what a run that ended inside its first cycle writes |\n";
    return out;
}

std::string warnings_table() {
    std::string out = "| Item | case.toml key | Warning when |\n|---|---|---|\n";
    for (const InputItem& it : input_items()) {
        if (!it.plausible.bounded()) continue;
        out += std::string("| ") + it.name + " | `" + it.key + "` | " + cell(it.plausible.why) + " |\n";
    }
    return out;
}

std::string case_keys() {
    const Case example = example_case();
    std::string out;
    for (const CaseSection& section : case_sections()) {
        out += "\n### `[" + std::string(section.table) + "]`\n\n" + section.about + "\n\n";
        out += "| Key | Name | Type | Unit | Meaning | Typical | Must be |\n|---|---|---|---|---|---|---|\n";
        for (const InputItem& it : input_items()) {
            if (!in_section(it, section.table)) continue;
            const std::string key = it.key + std::string_view(section.table).size() + 1;
            std::string meaning = cell(it.meaning);
            if (it.defaultText != nullptr) meaning += std::string(" Optional; default ") + it.defaultText + ".";
            out += "| `" + key + "` | " + it.name + " | " + type_of(it) + " | " + pretty_unit(it.unit) + " | " +
                   meaning + " | " + cell(it.typical) + " | " + cell(rule_of(it)) + " |\n";
        }
        if (std::string_view(section.table) == "start") {
            out += "| `start_table` | – | string | – | The start-table file the rows of cylinders 2 .. NCYL are read "
                   "from, relative to the case file. Optional; default `\"fort14.dat\"`. | `\"fort14.dat\"` | |\n"
                   "| `rows` | – | array | kg, K, – | The rows themselves, `[[mass, temperature, equivalence_ratio], "
                   "...]`, row r for cylinder r + 1; when given they win over `start_table`. Optional. | | NCYL − 1 "
                   "rows, mass and temperature greater than 0 |\n";
        }
    }
    return out.substr(1);  // no blank line before the first heading
}

}  // namespace

std::optional<std::string> generated_block(std::string_view name) {
    for (int32_t r = 1; r <= 7; ++r)
        if (name == "fort2-record-" + std::to_string(r)) return record_table(2, {r});
    if (name == "fort3-record-1") return record_table(3, {1});
    if (name == "fort2-start-states") return record_table(2, {8, 9, 10});
    if (name == "input-checks") return checks_table();
    if (name == "input-warnings") return warnings_table();
    if (name == "case-keys") return case_keys();
    return std::nullopt;
}

std::string refresh_generated_blocks(std::string_view markdown, std::string& error) {
    error.clear();
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t begin = markdown.find(kBegin, pos);
        if (begin == std::string_view::npos) break;
        const std::size_t nameEnd = markdown.find(" -->", begin);
        const std::size_t lineEnd = markdown.find('\n', begin);
        if (nameEnd == std::string_view::npos || lineEnd == std::string_view::npos || nameEnd > lineEnd) {
            error = "a generated-block mark without its name";
            return std::string(markdown);
        }
        const std::string_view name = markdown.substr(begin + kBegin.size(), nameEnd - begin - kBegin.size());
        const std::optional<std::string> block = generated_block(name);
        if (!block) {
            error = "unknown generated block " + std::string(name);
            return std::string(markdown);
        }
        const std::size_t end = markdown.find(kEnd, lineEnd);
        if (end == std::string_view::npos) {
            error = "generated block " + std::string(name) + " has no end mark";
            return std::string(markdown);
        }
        out += markdown.substr(pos, lineEnd + 1 - pos);
        out += *block;
        pos = end;
    }
    out += markdown.substr(pos);
    return out;
}

}  // namespace diesel
