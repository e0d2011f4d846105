#include "study/map_manifest.hpp"

#include <charconv>
#include <nlohmann/json.hpp>

#include "input/free_format.hpp"
#include "study/fingerprint.hpp"
#include "study/map_point_run.hpp"

namespace diesel {

namespace {

using nlohmann::json;

constexpr const char* kManifestFormat = "diesel-cycle map jobs";
constexpr const char* kPointFormat = "diesel-cycle map point";
constexpr const char* kResultFormat = "diesel-cycle map point result";
constexpr int kFormatVersion = 1;

// The files an emission and a point's run put into a point folder.
const char* const kPointFiles[] = {
    "input/fort3.dat", "input/fort2.dat", "input/fort14.dat", "input", "point.json",
    "fort8.dat",       "fort9.dat",       "fort10.dat",       "fort11.dat", "fort12.dat",
    "fort13.dat",      "fort15.dat",      "fort16.dat",       "fort14.dat", "console.txt",
    "result.json",     ".diesel-cycle.lock"};

// A JSON text of ours: an object of the format `format` and version 1. A
// parse error names the byte, never the bytes themselves (they may be garbage).
bool parse_object(const std::string& text, const char* format, json& j, std::string& error) {
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
    if (!j.contains("version") || j["version"] != kFormatVersion) {
        error = "a version this program does not read (it reads version " + std::to_string(kFormatVersion) + ")";
        return false;
    }
    return true;
}

// A point's speed or load as written: the shortest text of the float.
bool read_real(const json& j, float& v) {
    if (!j.is_string()) return false;
    return parse_real(j.get<std::string>(), v) == NumberStatus::Ok;
}

bool read_point(const json& j, MapPoint& p) {
    if (!j.is_object() || !j.contains("index") || !j["index"].is_number_integer()) return false;
    const auto index = j["index"].get<int64_t>();
    if (index < 1 || index > INT32_MAX) return false;
    p.index = static_cast<int32_t>(index);
    return j.contains("speed") && j.contains("load") && read_real(j["speed"], p.speed) && read_real(j["load"], p.load);
}

json point_json(const MapPoint& p) {
    return {{"index", p.index}, {"speed", shortest_real(p.speed)}, {"load", shortest_real(p.load)}};
}

std::vector<std::string> split_fields(const std::string& row) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = row.find(',', start);
        fields.push_back(row.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
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
enum class Column { Speed, Load, Real, Count, End, Other };

Column column_kind(std::size_t i, const std::string& name) {
    if (i == 0) return Column::Speed;
    if (i == 1) return Column::Load;
    if (name == "end") return Column::End;
    if (name == "cycles") return Column::Count;
    for (const char* real : {"fuel_10mm3", "pe_bar", "be_g_kwh", "nv", "tex_degc", "etai", "lambda", "pmax_bar"}) {
        if (name == real) return Column::Real;
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
    // Everything a point's result depends on: the base files and, through its
    // "fort3.dat", each point's operating point and place in the grid.
    Fingerprint fp;
    fp.add("diesel-cycle map grid").add(header);
    fp.add(grid.baseTexts.fort2.value_or("")).add(grid.baseTexts.fort14 ? *grid.baseTexts.fort14 : "(none)");
    for (const MapPoint& p : grid.points) fp.add(point_fort3(grid.base, p));
    m.fingerprint = fp.hex();
    return m;
}

std::string manifest_text(const MapManifest& m) {
    json points = json::array();
    for (const MapPoint& p : m.points) points.push_back(point_json(p));
    const json j = {{"format", kManifestFormat}, {"version", kFormatVersion},
                    {"program", std::string("diesel-cycle ") + DIESEL_VERSION},
                    {"fingerprint", m.fingerprint},  {"header", m.header},
                    {"files", m.files},              {"point_files", m.pointFiles},
                    {"points", points}};
    return j.dump(1) + "\n";
}

bool parse_manifest(const std::string& text, MapManifest& m, std::string& error) {
    json j;
    if (!parse_object(text, kManifestFormat, j, error)) return false;
    try {
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
            m.points.push_back(point);
        }
    } catch (const json::exception&) {
        error = "an entry is missing or of the wrong kind";
        return false;
    }
    return true;
}

std::string inputs_fingerprint(const InputTexts& texts) {
    Fingerprint fp;
    fp.add("diesel-cycle inputs");
    for (const auto* t : {&texts.fort3, &texts.fort2, &texts.fort14}) fp.add(*t ? **t : "(none)");
    return fp.hex();
}

std::string point_binding_text(const PointBinding& b) {
    json j = point_json(b.point);
    j["format"] = kPointFormat;
    j["version"] = kFormatVersion;
    j["fingerprint"] = b.fingerprint;
    j["inputs"] = b.inputs;
    return j.dump() + "\n";
}

bool parse_point_binding(const std::string& text, PointBinding& b, std::string& error) {
    json j;
    if (!parse_object(text, kPointFormat, j, error)) return false;
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
    const json j = {{"format", kResultFormat}, {"version", kFormatVersion}, {"fingerprint", fingerprint},
                    {"index", p.index},        {"row", row}};
    return j.dump() + "\n";
}

std::string check_point_result(const std::string& text, const MapManifest& m, const MapPoint& p, std::string& row) {
    json j;
    std::string error;
    if (!parse_object(text, kResultFormat, j, error)) return error;
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
    // The ending decides whether the figure columns hold numbers.
    bool ran = false, knownEnd = false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (column_kind(i, names[i]) != Column::End) continue;
        for (int32_t e = 0; e <= static_cast<int32_t>(RunEnd::NonFiniteResult); ++e) {
            if (fields[i] == run_end_name(static_cast<RunEnd>(e))) ran = knownEnd = true;
        }
        if (fields[i] == kPointInputError) knownEnd = true;
        if (!knownEnd) return "its row ends in \"" + fields[i].substr(0, 24) + "\", which is no ending of a run";
    }
    if (!knownEnd) return "its header has no end column";
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& f = fields[i];
        switch (column_kind(i, names[i])) {
            case Column::Speed:
                if (f != csv_real(p.speed)) return "its row is for speed " + f.substr(0, 24) + ", not " + csv_real(p.speed);
                break;
            case Column::Load:
                if (f != csv_real(p.load)) return "its row is for load " + f.substr(0, 24) + ", not " + csv_real(p.load);
                break;
            case Column::Real:
            case Column::Count:
                if (!ran && !f.empty()) return "its " + names[i] + " field holds a figure of a point that did not run";
                if (ran && column_kind(i, names[i]) == Column::Real && !is_real_field(f))
                    return "its " + names[i] + " field is not a number";
                if (ran && column_kind(i, names[i]) == Column::Count && !is_count_field(f))
                    return "its " + names[i] + " field is not a count";
                break;
            case Column::End:
            case Column::Other: break;
        }
    }
    return {};
}

}  // namespace diesel
