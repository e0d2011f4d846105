#include "study/map_manifest.hpp"

#include <charconv>
#include <nlohmann/json.hpp>

#include "input/free_format.hpp"
#include "report/output_figures.hpp"
#include "study/fingerprint.hpp"
#include "study/map_point_run.hpp"
#include "study/varied_item.hpp"

namespace diesel {

namespace {

using nlohmann::json;

constexpr const char* kManifestFormat = "diesel-cycle map jobs";
constexpr const char* kPointFormat = "diesel-cycle map point";
constexpr const char* kResultFormat = "diesel-cycle map point result";
constexpr int kPointVersion = 2;   // point.json: the point's varied values, its case in case.toml
constexpr int kResultVersion = 1;  // result.json

// The files an emission and a point's run put into a point folder (those of
// version 1 too, so that --force removes an old emission's whole folder).
const char* const kPointFiles[] = {
    "input/case.toml", "input/fort3.dat", "input/fort2.dat", "input/fort14.dat", "input",
    "point.json",      "fort8.dat",       "fort9.dat",       "fort10.dat",       "fort11.dat",
    "fort12.dat",      "fort13.dat",      "fort15.dat",      "fort16.dat",       "fort14.dat",
    "console.txt",     "results.json",    "result.json",     ".diesel-cycle.lock"};

// A JSON text of ours: an object of the format `format` and a version from
// `oldest` to `newest`. A parse error names the byte, never the bytes
// themselves (they may be garbage).
bool parse_object(const std::string& text, const char* format, int oldest, int newest, json& j, std::string& error) {
    // The JSON reader takes a NUL for the end of its input: what follows one
    // would go unread, so a NUL anywhere refuses the file.
    if (const size_t nul = text.find('\0'); nul != std::string::npos) {
        error = "not a complete JSON object (a NUL at byte " + std::to_string(nul) + ")";
        return false;
    }
    try {
        j = json::parse(text);
    } catch (const json::parse_error& e) {
        error = "not a complete JSON object (it breaks off or goes wrong at byte " + std::to_string(e.byte) + ")";
        return false;
    } catch (const json::exception&) {
        error = "not a JSON object of this program (a number beyond every range)";
        return false;
    }
    if (!j.is_object() || !j.contains("format") || j["format"] != format) {
        error = std::string("not a ") + format + " file";
        return false;
    }
    if (!j.contains("version") || !j["version"].is_number_integer() || j["version"].get<int64_t>() < oldest ||
        j["version"].get<int64_t>() > newest) {
        error = "a version this program does not read (it reads version " +
                (oldest == newest ? std::to_string(newest) : std::to_string(oldest) + " to " + std::to_string(newest)) +
                ")";
        return false;
    }
    return true;
}

// A point's speed or load as written: the shortest text of the float.
bool read_real(const json& j, float& v) {
    if (!j.is_string()) return false;
    return parse_real(j.get<std::string>(), v) == NumberStatus::Ok;
}

// A varied value as a point holds it: text of a real or whole number, nothing
// a CSV field cannot hold.
bool is_value_text(const std::string& v) {
    float f = 0.0f;
    return !v.empty() && v.size() <= 64 && parse_real(v, f) == NumberStatus::Ok;
}

bool read_point(const json& j, MapPoint& p) {
    if (!j.is_object() || !j.contains("index") || !j["index"].is_number_integer()) return false;
    const auto index = j["index"].get<int64_t>();
    if (index < 1 || index > INT32_MAX) return false;
    p.index = static_cast<int32_t>(index);
    p.values.clear();
    if (j.contains("values")) {
        if (!j["values"].is_array()) return false;
        for (const json& v : j["values"]) {
            if (!v.is_string() || !is_value_text(v.get<std::string>())) return false;
            p.values.push_back(v.get<std::string>());
        }
    }
    return j.contains("speed") && j.contains("load") && read_real(j["speed"], p.speed) && read_real(j["load"], p.load);
}

json point_json(const MapPoint& p) {
    json j = {{"index", p.index}, {"speed", shortest_real(p.speed)}, {"load", shortest_real(p.load)}};
    if (!p.values.empty()) j["values"] = p.values;
    return j;
}

// Every value of a case and its start rows, as exact texts: what a design's
// points are built on.
std::string case_values_text(const Case& c) {
    std::string text;
    for (const InputItem& it : input_items()) text += std::string(it.key) + "=" + case_value_text(c, it.id) + "\n";
    for (const StartRow& r : c.start.rows)
        text += "row=" + shortest_real(r.mass) + "," + shortest_real(r.temperature) + "," + shortest_real(r.eqr) + "\n";
    return text;
}

bool is_real_field(const std::string& f) {
    float v = 0.0f;
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v, std::chars_format::general);
    return !f.empty() && ec == std::errc{} && end == f.data() + f.size();
}

bool is_count_field(const std::string& f) {
    int32_t v = 0;
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
    return !f.empty() && ec == std::errc{} && end == f.data() + f.size() && v >= 0;
}

// What a column of the map CSV holds, by its name; columns this version does
// not know are only checked to be plain text.
enum class Column { Speed, Load, Real, Count, End, Value, Other };

Column column_kind(std::size_t i, const std::string& name) {
    if (i == 0) return Column::Speed;
    if (i == 1) return Column::Load;
    if (name == "end") return Column::End;
    if (name == "cycles") return Column::Count;
    for (const char* real : {"fuel_10mm3", "pe_bar", "be_g_kwh", "nv", "tex_degc", "etai", "lambda", "pmax_bar"}) {
        if (name == real) return Column::Real;
    }
    for (const char* figure : map_extra_figures()) {
        const std::string column = find_output_figure(figure)->mapColumn;
        if (name == column.substr(0, column.find(' '))) return Column::Real;
    }
    return Column::Other;
}

}  // namespace

MapManifest make_manifest(const MapGrid& grid, const std::string& header) {
    MapManifest m;
    m.header = header;
    m.points = grid.points;
    m.files = {kManifestFile, kJobsFile, kSlurmFile};
    for (const char* f : kPointFiles) m.pointFiles.emplace_back(f);
    // Everything a point's result depends on: the base case, which items
    // vary, and each point's speed, load, values and place in the design.
    Fingerprint fp;
    fp.add("diesel-cycle map design").add(header).add(case_values_text(grid.base));
    fp.add(grid.loadIsFuel ? "load: fuel" : "load: target pe");
    for (const MapColumn& c : grid.varied) fp.add(item_info(c.item).key);
    for (const MapPoint& p : grid.points) {
        fp.add(std::to_string(p.index)).add(shortest_real(p.speed)).add(shortest_real(p.load));
        for (const std::string& v : p.values) fp.add(v);
    }
    m.fingerprint = fp.hex();
    return m;
}

std::vector<std::string> varied_names(const MapManifest& m) {
    const std::size_t count = m.points.empty() ? 0 : m.points.front().values.size();
    std::vector<std::string> names = split_fields(m.header);
    if (count > names.size()) return {};
    return std::vector<std::string>(names.end() - static_cast<std::ptrdiff_t>(count), names.end());
}

std::string manifest_text(const MapManifest& m) {
    json points = json::array();
    for (const MapPoint& p : m.points) points.push_back(point_json(p));
    const json j = {{"format", kManifestFormat}, {"version", m.version},
                    {"program", std::string("diesel-cycle ") + DIESEL_VERSION},
                    {"fingerprint", m.fingerprint},  {"header", m.header},
                    {"files", m.files},              {"point_files", m.pointFiles},
                    {"points", points}};
    return j.dump(1) + "\n";
}

bool parse_manifest(const std::string& text, MapManifest& m, std::string& error) {
    json j;
    if (!parse_object(text, kManifestFormat, 1, kManifestVersion, j, error)) return false;
    try {
        m.version = j.at("version").get<int>();
        m.fingerprint = j.at("fingerprint").get<std::string>();
        m.header = j.at("header").get<std::string>();
        m.files = j.at("files").get<std::vector<std::string>>();
        m.pointFiles = j.at("point_files").get<std::vector<std::string>>();
        m.points.clear();
        for (const json& p : j.at("points")) {
            MapPoint point{};
            if (!read_point(p, point)) {
                error = "point " + std::to_string(m.points.size() + 1) + " is not an index, speed and load";
                return false;
            }
            if (!m.points.empty() && point.values.size() != m.points.front().values.size()) {
                error = "point " + std::to_string(m.points.size() + 1) + " has another count of varied values";
                return false;
            }
            m.points.push_back(point);
        }
    } catch (const json::exception&) {
        error = "an entry is missing or of the wrong kind";
        return false;
    }
    return true;
}

std::string case_file_fingerprint(const std::string& text) {
    Fingerprint fp;
    fp.add("diesel-cycle point case").add(text);
    return fp.hex();
}

std::string point_binding_text(const PointBinding& b) {
    json j = point_json(b.point);
    j["format"] = kPointFormat;
    j["version"] = kPointVersion;
    j["fingerprint"] = b.fingerprint;
    j["inputs"] = b.inputs;
    return j.dump() + "\n";
}

bool parse_point_binding(const std::string& text, PointBinding& b, std::string& error) {
    json j;
    if (!parse_object(text, kPointFormat, kPointVersion, kPointVersion, j, error)) return false;
    if (!read_point(j, b.point) || !j.contains("fingerprint") || !j["fingerprint"].is_string() ||
        !j.contains("inputs") || !j["inputs"].is_string()) {
        error = "an entry is missing or of the wrong kind";
        return false;
    }
    b.fingerprint = j["fingerprint"].get<std::string>();
    b.inputs = j["inputs"].get<std::string>();
    return true;
}

std::string result_file_text(const std::string& fingerprint, const MapPoint& p, const std::string& row) {
    const json j = {{"format", kResultFormat}, {"version", kResultVersion}, {"fingerprint", fingerprint},
                    {"index", p.index},        {"row", row}};
    return j.dump() + "\n";
}

std::string check_point_result(const std::string& text, const MapManifest& m, const MapPoint& p, std::string& row) {
    json j;
    std::string error;
    if (!parse_object(text, kResultFormat, kResultVersion, kResultVersion, j, error)) return error;
    if (!j.contains("fingerprint") || !j["fingerprint"].is_string() || !j.contains("index") ||
        !j["index"].is_number_integer() || !j.contains("row") || !j["row"].is_string()) {
        return "an entry is missing or of the wrong kind";
    }
    if (j["fingerprint"] != m.fingerprint) {
        const std::string other = j["fingerprint"].get<std::string>();
        const bool shown = other.size() == 16 && other.find_first_not_of("0123456789abcdef") == std::string::npos;
        return "a result of another grid (fingerprint " + (shown ? other : std::string("not one of this program")) +
               ", this grid's is " + m.fingerprint + ")";
    }
    if (j["index"] != p.index) return "the result of point " + std::to_string(j["index"].get<int64_t>());
    const std::string candidate = j["row"].get<std::string>();
    if (const std::string why = check_result_row(candidate, m.header, p); !why.empty()) return why;
    row = candidate;
    return {};
}

std::string check_result_row(const std::string& row, const std::string& header, const MapPoint& p) {
    for (const char c : row) {
        if (c < 0x20 || c > 0x7e || c == '"') return "its row holds a character no row of this program holds";
    }
    const std::vector<std::string> names = split_fields(header), fields = split_fields(row);
    if (fields.size() != names.size()) {
        return "its row has " + std::to_string(fields.size()) + " fields where the header has " +
               std::to_string(names.size());
    }
    // The varied values fill the last columns.
    if (p.values.size() + 2 > names.size()) return "its header has no room for the point's varied values";
    const std::size_t firstValue = names.size() - p.values.size();
    const auto kind = [&](std::size_t i) { return i >= firstValue ? Column::Value : column_kind(i, names[i]); };
    // The ending decides whether the figure columns hold numbers.
    bool ran = false, knownEnd = false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (kind(i) != Column::End) continue;
        for (int32_t e = 0; e <= static_cast<int32_t>(RunEnd::NonFiniteResult); ++e) {
            if (fields[i] == run_end_name(static_cast<RunEnd>(e))) ran = knownEnd = true;
        }
        if (fields[i] == kPointInputError) knownEnd = true;
        if (!knownEnd) return "its row ends in \"" + fields[i].substr(0, 24) + "\", which is no ending of a run";
    }
    if (!knownEnd) return "its header has no end column";
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& f = fields[i];
        switch (kind(i)) {
            case Column::Value:
                if (f != p.values[i - firstValue])
                    return "its " + names[i] + " field is " + f.substr(0, 24) + ", not " + p.values[i - firstValue];
                break;
            case Column::Speed:
                if (f != csv_real(p.speed)) return "its row is for speed " + f.substr(0, 24) + ", not " + csv_real(p.speed);
                break;
            case Column::Load:
                if (f != csv_real(p.load)) return "its row is for load " + f.substr(0, 24) + ", not " + csv_real(p.load);
                break;
            case Column::Real:
            case Column::Count:
                if (!ran && !f.empty()) return "its " + names[i] + " field holds a figure of a point that did not run";
                if (ran && kind(i) == Column::Real && !is_real_field(f))
                    return "its " + names[i] + " field is not a number";
                if (ran && kind(i) == Column::Count && !is_count_field(f))
                    return "its " + names[i] + " field is not a count";
                break;
            case Column::End:
            case Column::Other: break;
        }
    }
    return {};
}

}  // namespace diesel
