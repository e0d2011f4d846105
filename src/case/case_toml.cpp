#include "case/case_toml.hpp"

#include <stdexcept>

namespace diesel {
namespace {
// A precondition of the TOML parser that the input broke.
struct TomlParserFault : std::logic_error {
    using std::logic_error::logic_error;
};
}  // namespace
}  // namespace diesel

// The one file that reads TOML. Header-only, so that the program does not
// depend on the shared toml++ library (it is linked with a static runtime).
// The parser checks some of its own preconditions only by assertion, and
// marks some branches unreachable; malformed files can break both ("[" and a
// control character after it). With NDEBUG it would assume them (undefined
// behaviour), without it abort. Here both throw, and the file is refused like
// any other (inside a noexcept function the throw ends the program, as the
// assertion would have; the parser's own functions are not noexcept).
#ifdef NDEBUG
#undef NDEBUG
#endif
#define TOML_HEADER_ONLY 1
#define TOML_ASSERT(expr) ((expr) ? static_cast<void>(0) : throw ::diesel::TomlParserFault(#expr))
#pragma GCC diagnostic push
#if defined(__clang__)
#pragma GCC diagnostic ignored "-Wexceptions"
#else
#pragma GCC diagnostic ignored "-Wterminate"
#endif
#include <toml++/impl/preprocessor.h>
#undef TOML_UNREACHABLE
#define TOML_UNREACHABLE throw ::diesel::TomlParserFault("unreachable")
#include <toml++/toml.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "case/case_checks.hpp"
#include "case/input_error.hpp"
#include "input/free_format.hpp"

namespace diesel {

namespace {

constexpr const char* kStartTableKey = "start.start_table";
constexpr const char* kStartRowsKey = "start.rows";

// ---- Reading --------------------------------------------------------------------------------

// The text the parser reads: the file's bytes with a byte-order mark dropped
// and every byte outside ASCII replaced by '~'. toml++ 3.3 tests characters
// it may skip as whitespace with generated tables that have a gap (U+00A1 ..
// U+0499 reach __builtin_unreachable), so it must not meet them. TOML allows
// such bytes only in strings and comments, and no string of a case file but a
// file name needs them; there they are refused, elsewhere the parser's own
// error names the line. Byte for byte, so lines and columns stay the file's.
std::string ascii_copy(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::string out(text);
    for (char& ch : out)
        if (static_cast<unsigned char>(ch) >= 0x80) ch = '~';
    return out;
}

// The parser's text with the byte offset of every line, to take each value's
// text from where the parser found it.
class SourceText {
public:
    explicit SourceText(std::string_view text) : text_(text) {
        lineStarts_.push_back(0);
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') lineStarts_.push_back(i + 1);
    }

    // The token at a source position (line and column count from 1; the text
    // is ASCII, so a column is a byte): the characters a TOML number can hold.
    std::string_view token(const toml::source_position& at) const {
        if (at.line == 0 || at.line > lineStarts_.size()) return {};
        std::size_t i = std::min(lineStarts_[at.line - 1] + at.column - 1, text_.size());
        const std::size_t begin = i;
        while (i < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[i])) || text_[i] == '_' ||
                                    text_[i] == '+' || text_[i] == '-' || text_[i] == '.'))
            ++i;
        return text_.substr(begin, i - begin);
    }

    // Whether the file had a byte outside ASCII on `line`.
    bool replaced_on(std::size_t line) const {
        if (line == 0 || line > lineStarts_.size()) return false;
        const std::size_t end = line < lineStarts_.size() ? lineStarts_[line] : text_.size();
        return text_.substr(lineStarts_[line - 1], end - lineStarts_[line - 1]).find('~') != std::string_view::npos;
    }

private:
    std::string_view text_;
    std::vector<std::size_t> lineStarts_;
};

// One printable line from a parser message.
std::string printable(std::string_view text) {
    std::string out;
    for (const char ch : text) out += (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f) ? ' ' : ch;
    return out;
}

const char* type_phrase(const toml::node& node) {
    switch (node.type()) {
        case toml::node_type::string: return "a string";
        case toml::node_type::integer: return "an integer";
        case toml::node_type::floating_point: return "a real number";
        case toml::node_type::boolean: return "a boolean";
        case toml::node_type::table: return "a table";
        case toml::node_type::array: return "an array";
        default: return "a date or time";
    }
}

class CaseReader {
public:
    CaseReader(std::string_view text, const std::string& name)
        : ascii_(ascii_copy(text)), source_(ascii_), name_(name) {}

    Case read() {
        toml::table root;
        try {
            root = toml::parse(std::string_view(ascii_), std::string_view(name_));
        } catch (const toml::parse_error& e) {
            const std::size_t line = e.source().begin.line;
            throw InputError(name_ + ":" + std::to_string(line) + ": " + printable(e.description()) + " (column " +
                             std::to_string(e.source().begin.column) + ")" +
                             (source_.replaced_on(line) ? "; a character outside ASCII, which TOML allows only in "
                                                          "strings and comments, reads as '~' here"
                                                        : ""));
        } catch (const TomlParserFault&) {
            throw InputError(name_ + ": not a TOML file: the parser met a character it cannot take where a key "
                                     "or value should start");
        }
        check_format(root);
        check_unknown_keys(root);

        Case c;
        c.caseFile = name_;
        for (const InputItem& it : input_items()) read_item(root, it, c);
        read_start(root, c);
        return c;
    }

private:
    [[noreturn]] void fail(const toml::node& node, std::string_view key, const std::string& why) const {
        throw InputError(name_ + ":" + std::to_string(node.source().begin.line) + ": " + std::string(key) + ": " + why);
    }

    void check_format(const toml::table& root) const {
        const toml::node* format = root.get("format");
        if (format == nullptr)
            throw InputError(name_ + ": the key format is missing; a case file starts with format = " +
                             std::to_string(kCaseFormat));
        const auto value = format->value_exact<int64_t>();
        if (!value) fail(*format, "format", std::string(type_phrase(*format)) + " is not a format number");
        if (*value > kCaseFormat)
            fail(*format, "format", std::to_string(*value) + " is a newer case-file format than this program reads (" +
                                        std::to_string(kCaseFormat) + "); use a newer diesel-cycle");
        if (*value < 1) fail(*format, "format", std::to_string(*value) + " is not a case-file format");
    }

    // Every key the file holds must be one the table knows: a typo would
    // otherwise leave the intended item missing or, worse, unnoticed.
    void check_unknown_keys(const toml::table& root) const {
        std::vector<std::string> keys = {"format", kStartTableKey, kStartRowsKey};
        for (const InputItem& it : input_items()) keys.emplace_back(it.key);
        struct Unknown {
            std::size_t line;
            std::string key;
            bool table;
        };
        std::vector<Unknown> unknown;
        walk(root, "", keys, unknown);
        if (unknown.empty()) return;
        const auto first = std::min_element(unknown.begin(), unknown.end(),
                                            [](const Unknown& a, const Unknown& b) { return a.line < b.line; });
        // A misspelt table shows as a key of no dots; tables are its candidates too.
        std::vector<std::string> candidates = keys;
        if (first->key.find('.') == std::string::npos)
            for (const std::string& k : keys)
                for (std::size_t dot = k.find('.'); dot != std::string::npos; dot = k.find('.', dot + 1))
                    candidates.push_back(k.substr(0, dot));
        std::string message =
            name_ + ":" + std::to_string(first->line) + ": " + first->key + (first->table ? ": unknown table" : ": unknown key");
        throw InputError(message + did_you_mean(first->key, candidates));
    }

    template <typename Unknowns>
    static void walk(const toml::table& table, const std::string& prefix, const std::vector<std::string>& keys,
                     Unknowns& unknown) {
        for (const auto& [k, node] : table) {
            const std::string path = prefix.empty() ? std::string(k.str()) : prefix + "." + std::string(k.str());
            if (std::find(keys.begin(), keys.end(), path) != keys.end()) continue;  // a key; its type is checked later
            const bool isTablePrefix = std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
                return key.size() > path.size() && key.starts_with(path) && key[path.size()] == '.';
            });
            if (isTablePrefix && node.is_table()) {
                walk(*node.as_table(), path, keys, unknown);
            } else {
                unknown.push_back({node.source().begin.line, path, node.is_table()});
            }
        }
    }

    void read_item(const toml::table& root, const InputItem& it, Case& c) const {
        const toml::node* node = root.at_path(it.key).node();
        if (node == nullptr) {
            if (it.defaultText != nullptr && c.set_text(it.id, it.defaultText, {}).empty()) return;
            throw InputError(name_ + ": the key " + it.key + " is missing (" + it.name + ", " +
                             (it.type == ItemType::Integer ? "an integer" : "a real number") +
                             (std::string_view(it.unit) == "-" ? std::string() : std::string(" in ") + it.unit) + ")");
        }
        const ValueSource at{ValueSource::Kind::CaseFile, static_cast<int32_t>(node->source().begin.line), {}};
        const char* wanted = it.type == ItemType::Integer ? "an integer" : "a real number";
        if (it.type == ItemType::Integer) {
            const auto v = node->value_exact<int64_t>();
            if (!v) fail(*node, it.key, std::string(type_phrase(*node)) + " where " + it.name + " takes " + wanted);
            const std::string text(source_.token(node->source().begin));
            if (*v < INT32_MIN || *v > INT32_MAX)
                fail(*node, it.key, text + " is outside the integer range -2147483648 to 2147483647");
            c.set_integer(it.id, static_cast<int32_t>(*v), {at.kind, at.line, text});
            return;
        }
        if (const auto v = node->value_exact<int64_t>()) {
            // An integer is exact in int64; one conversion rounds it to float,
            // as parse_real rounds its decimal digits.
            c.set_real(it.id, static_cast<float>(*v), {at.kind, at.line, std::string(source_.token(node->source().begin))});
            return;
        }
        if (!node->is_floating_point())
            fail(*node, it.key, std::string(type_phrase(*node)) + " where " + it.name + " takes " + wanted);
        const std::string text(source_.token(node->source().begin));
        c.set_real(it.id, read_real(*node, it.key, text), {at.kind, at.line, text});
    }

    // A TOML real from its text, rounded once as the fort reader rounds it.
    float read_real(const toml::node& node, std::string_view key, const std::string& text) const {
        std::string digits = text;
        std::erase(digits, '_');
        float v = 0.0f;
        switch (parse_real(digits, v)) {
            case NumberStatus::Ok: {
                // The text must be the number the parser read: through its
                // double the float can differ by one rounding step at most.
                const float viaDouble = static_cast<float>(node.value_or(0.0));
                if (v != viaDouble && std::nextafter(v, viaDouble) != viaDouble)
                    fail(node, key, "internal error: the text of the value, " + text + ", was not found in the file");
                return v;
            }
            case NumberStatus::OutOfRange: fail(node, key, text + " is too large for a 32-bit real number");
            case NumberStatus::Malformed: break;
        }
        fail(node, key, text + " is not a finite number");
    }

    void read_start(const toml::table& root, Case& c) const {
        StartTable& t = c.start;
        if (const toml::node* file = root.at_path(kStartTableKey).node()) {
            const auto name = file->value_exact<std::string>();
            if (!name) fail(*file, kStartTableKey, std::string(type_phrase(*file)) + " where a file name is expected");
            if (name->empty()) fail(*file, kStartTableKey, "an empty file name");
            if (name->find('~') != std::string::npos && source_.replaced_on(file->source().begin.line))
                fail(*file, kStartTableKey, "a file name with characters outside ASCII; rename the file");
            t.file = *name;
        }
        const toml::node* rows = root.at_path(kStartRowsKey).node();
        if (rows == nullptr) return;
        const toml::array* list = rows->as_array();
        if (list == nullptr)
            fail(*rows, kStartRowsKey, std::string(type_phrase(*rows)) +
                                           " where an array of rows [mass, temperature, equivalence ratio] is expected");
        t.inlineRows = true;
        t.line = static_cast<int32_t>(rows->source().begin.line);
        for (std::size_t r = 0; r < list->size(); ++r) {
            const toml::node& row = *list->get(r);
            const toml::array* values = row.as_array();
            const std::string where = "row " + std::to_string(r + 1);
            if (values == nullptr || values->size() != 3)
                fail(row, kStartRowsKey, where + " is not [mass, temperature, equivalence ratio]");
            StartRow out{};
            float* targets[] = {&out.mass, &out.temperature, &out.eqr};
            std::array<ValueSource, 3> sources;
            for (std::size_t col = 0; col < 3; ++col) {
                const toml::node& v = *values->get(col);
                const std::string text(source_.token(v.source().begin));
                if (const auto whole = v.value_exact<int64_t>()) {
                    *targets[col] = static_cast<float>(*whole);
                } else if (v.is_floating_point()) {
                    *targets[col] = read_real(v, kStartRowsKey, text);
                } else {
                    fail(v, kStartRowsKey, where + ": " + type_phrase(v) + " where a real number is expected");
                }
                sources[col] = {ValueSource::Kind::CaseFile, static_cast<int32_t>(v.source().begin.line), text};
            }
            t.rows.push_back(out);
            t.sources.push_back(sources);
        }
    }

    std::string ascii_;
    SourceText source_;
    std::string name_;
};

// ---- Writing --------------------------------------------------------------------------------

// A decimal TOML reads as a number: [+-] (0 | [1-9][0-9]*), then for a real
// optionally a fraction and an exponent. Underscores are left to the reader.
bool toml_decimal(std::string_view t, bool real) {
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
        return i - from;
    };
    const std::size_t intStart = i;
    const std::size_t n = digits();
    if (n == 0 || (n > 1 && t[intStart] == '0')) return false;
    if (i == t.size()) return true;
    if (!real) return false;
    if (t[i] == '.') {
        ++i;
        if (digits() == 0) return false;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == t.size();
}

// A real as written when TOML reads it back to the same float, else its shortest text.
std::string toml_real(float value, const std::string& written) {
    float v = 0.0f;
    if (!written.empty() && toml_decimal(written, true) && parse_real(written, v) == NumberStatus::Ok &&
        std::bit_cast<uint32_t>(v) == std::bit_cast<uint32_t>(value)) {
        // "90" would read as an integer; a real item is clearer written as one.
        const bool whole = written.find_first_of(".eE") == std::string::npos;
        return whole ? written + ".0" : written;
    }
    return shortest_text(value);
}

std::string toml_value(const Case& c, Item item) {
    const std::string& written = c.source(item).text;
    if (item_info(item).type == ItemType::Integer) {
        int32_t v = 0;
        if (!written.empty() && toml_decimal(written, false) && parse_integer(written, v) == NumberStatus::Ok &&
            v == c.integer(item))
            return written;
        return std::to_string(c.integer(item));
    }
    return toml_real(c.real(item), written);
}

std::string toml_string(const std::string& s) {
    std::string out = "\"";
    for (const char ch : s) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(static_cast<unsigned char>(ch)));
            out += hex;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

// `text` as comment lines of at most about 100 characters.
std::string comment(const std::string& text) {
    std::string out, line = "#";
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = text.find(' ', i);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(i, end - i);
        if (line.size() > 1 && line.size() + 1 + word.size() > 100) {
            out += line + "\n";
            line = "#";
        }
        line += " " + word;
        i = end + 1;
    }
    return out + line + "\n";
}

constexpr CaseSection kSections[] = {
    {"operating_point", "The operating point."},
    {"geometry", "Engine geometry."},
    {"receivers", "Intake and exhaust receivers: volumes, exhaust heat loss, the air supply."},
    {"walls", "Combustion-chamber walls and coolant."},
    {"valves",
     "Valve timing as cycle angles (0 = firing TDC, 360 = gas-exchange TDC; each valve opens and closes along a "
     "100-degree flank), flow areas, and the pressure-actuated valve from the exhaust receiver."},
    {"combustion", "Single-Wiebe combustion with its burn-duration and shape-exponent laws."},
    {"heat_transfer", "Wall heat transfer, gas side and coolant side."},
    {"friction", "Friction mean effective pressure."},
    {"fuel_control", "Load control (MODE other than 2): the fuel quantity is corrected after each cycle."},
    {"run_control", "Crank-angle steps, corrector tolerances, periodicity and stopping rules."},
    {"start",
     "Start states. Cylinders 2 .. NCYL start from the start table: the rows written here as rows = [[mass_kg, "
     "temperature_K, equivalence_ratio], ...] (row r for cylinder r + 1), or else the file start_table names, "
     "relative to this file. A run with NCYL <= 2 rewrites fort14.dat beside this file at its end, so that a later "
     "run with more cylinders can start from it."},
    {"start.cylinder_1", "Cylinder 1 at the crank angle ANGST."},
    {"start.intake_receiver", "The intake receiver."},
    {"start.exhaust_receiver", "The exhaust receiver."},
    {"unused", "Placeholders the model reads from fort2.dat and never uses; they may be left out."},
};

std::string item_comment(const InputItem& it) {
    std::string text = it.meaning;
    text += std::string(" ") + it.name + (std::string_view(it.unit) == "-" ? "" : std::string(" [") + it.unit + "]") +
            (it.type == ItemType::Integer ? ", integer" : "") + "; typical " + it.typical;
    if (it.accepted.bounded()) text += "; must be " + range_rule(it.accepted, it.unit);
    if (it.id == Item::NCYLE) text += " when NCYL is 1 or 2";
    if (it.id == Item::CONROD) text += " and greater than STROKE/2";
    return comment(text + ".");
}

}  // namespace

std::span<const CaseSection> case_sections() { return kSections; }

bool in_section(const InputItem& it, std::string_view table) {
    const std::string_view key = it.key;
    return key.size() > table.size() && key.starts_with(table) && key[table.size()] == '.' &&
           key.find('.', table.size() + 1) == std::string_view::npos;
}

Case read_case_toml(std::string_view text, const std::string& name) {
    return CaseReader(text, name).read();
}

std::string write_case_toml(const Case& c) {
    std::string out =
        "# diesel-cycle case file: one operating point of one engine, every input by name.\n"
        "# Each key is explained above it with its model name (as docs/input-files.md names it), unit and\n"
        "# typical values. Reals are read exactly as from fort2.dat: each is rounded once to a 32-bit real.\n"
        "# diesel-cycle convert --to fort writes the equivalent fort3.dat and fort2.dat.\n"
        "format = " + std::to_string(kCaseFormat) + "\n";
    for (const CaseSection& section : kSections) {
        out += "\n" + comment(section.about) + "[" + section.table + "]\n";
        for (const InputItem& it : input_items()) {
            if (!in_section(it, section.table)) continue;
            out += item_comment(it) + (it.key + std::string_view(section.table).size() + 1) + std::string(" = ") +
                   toml_value(c, it.id) + "\n";
        }
        if (std::string_view(section.table) != "start") continue;
        if (c.start.inlineRows) {
            out += "rows = [\n";
            for (std::size_t r = 0; r < c.start.rows.size(); ++r) {
                const StartRow& row = c.start.rows[r];
                const float values[] = {row.mass, row.temperature, row.eqr};
                out += "    [";
                for (std::size_t col = 0; col < 3; ++col) {
                    const std::string& written = r < c.start.sources.size() ? c.start.sources[r][col].text : "";
                    out += (col == 0 ? "" : ", ") + toml_real(values[col], written);
                }
                out += "],  # cylinder " + std::to_string(r + 2) + "\n";
            }
            out += "]\n";
        } else {
            out += "start_table = " + toml_string(c.start.file) + "\n";
        }
    }
    return out;
}

}  // namespace diesel
