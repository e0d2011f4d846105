// libFuzzer target over what --collect and --point read from a job folder:
// a point's result file checked against a grid's manifest, a manifest and a
// point's binding file. Any bytes must be refused with a one-line reason or
// accepted as something that reads back the same; an accepted result's row
// is a row of its point.
//
// Input: the result file's text, then optionally a line "%%" and a manifest's
// text, then another "%%" line and a binding file's text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "study/map_manifest.hpp"
#include "study/map_point_run.hpp"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool one_printable_line(const std::string& s) {
    for (const char c : s) {
        if (c < 0x20 || c > 0x7e) return false;
    }
    return true;
}

// The manifest a result is checked against: two speeds, two loads and one
// varied item.
const diesel::MapManifest& fixed_manifest() {
    static const diesel::MapManifest m = [] {
        diesel::MapGrid grid;
        grid.loadIsFuel = true;
        grid.varied = {{diesel::Item::IVC, "IVC"}};
        grid.points = {{1, 2000.0f, 3.5f, {"590.5"}},
                       {2, 2000.0f, 4.0f, {"576"}},
                       {3, 2500.0f, 3.5f, {"590.5"}},
                       {4, 2500.0f, 4.0f, {"576"}}};
        return diesel::make_manifest(grid, diesel::map_csv_header(grid));
    }();
    return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace diesel;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::string parts[3];
    for (std::string& part : parts) {
        const std::size_t at = rest.find("\n%%\n");
        part = std::string(rest.substr(0, at));
        if (at == std::string_view::npos) break;
        rest.remove_prefix(at + 4);
    }

    const MapManifest& m = fixed_manifest();
    for (const MapPoint& p : m.points) {
        std::string row;
        const std::string why = check_point_result(parts[0], m, p, row);
        require(one_printable_line(why));
        if (why.empty()) {
            require(check_result_row(row, m.header, p).empty());
            require(one_printable_line(row));
            require(!row_end(m.header, row).empty());
        }
        require(one_printable_line(check_result_row(parts[0], m.header, p)));
    }

    MapManifest parsed;
    std::string error;
    if (parse_manifest(parts[1], parsed, error)) {
        MapManifest again;
        require(parse_manifest(manifest_text(parsed), again, error));
        require(again.fingerprint == parsed.fingerprint && again.header == parsed.header &&
                again.points.size() == parsed.points.size() && again.pointFiles == parsed.pointFiles);
    } else {
        require(one_printable_line(error));
    }

    PointBinding binding;
    if (parse_point_binding(parts[2], binding, error)) {
        PointBinding again;
        require(parse_point_binding(point_binding_text(binding), again, error));
        require(again.fingerprint == binding.fingerprint && again.inputs == binding.inputs &&
                again.point.index == binding.point.index);
    } else {
        require(one_printable_line(error));
    }
    return 0;
}
