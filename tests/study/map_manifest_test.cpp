// What binds an emitted map together: fingerprints that change with every
// input of a point, and the check of a point's CSV row against its header.
#include "study/map_manifest.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "case/fort_files.hpp"
#include "study/map_design.hpp"
#include "study/map_point_run.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

// c1_fixed at two speeds and `loads`, with IVC varied over `ivc`.
MapGrid grid(std::vector<float> loads, std::vector<std::string> ivc = {"576"},
             const std::function<void(MapGrid&)>& change = {}) {
    MapGrid g = case_map_grid(read_fort_case(test_support::example_texts("c1_fixed")), {}, {2000.0f, 2500.0f}, loads);
    g.varied = {{Item::IVC, "IVC"}};
    for (MapPoint& p : g.points) p.values = {ivc[static_cast<std::size_t>(p.index - 1) % ivc.size()]};
    if (change) change(g);
    return g;
}

TEST(MapManifest, FingerprintFollowsEveryInputOfThePoints) {
    const std::string header = map_csv_header(true, {"IVC"});
    const std::string plain = make_manifest(grid({3.5f, 4.0f}), header).fingerprint;
    EXPECT_EQ(make_manifest(grid({3.5f, 4.0f}), header).fingerprint, plain);
    const struct { const char* what; MapGrid g; std::string header; } changed[] = {
        {"a load", grid({3.5f, 4.5f}), header},
        {"the order of the points", grid({4.0f, 3.5f}), header},
        {"a varied value", grid({3.5f, 4.0f}, {"576", "580"}), header},
        {"a base value", grid({3.5f, 4.0f}, {"576"}, [](MapGrid& g) { g.base.set_real(Item::CR, 18.0f); }), header},
        {"a start row", grid({3.5f, 4.0f}, {"576"}, [](MapGrid& g) { g.base.start.rows.push_back({1e-3f, 300.0f, 0.0f}); }), header},
        {"the varied item", grid({3.5f, 4.0f}, {"576"}, [](MapGrid& g) { g.varied[0].item = Item::IVO; }), header},
        {"what the load is", grid({3.5f, 4.0f}, {"576"}, [](MapGrid& g) { g.loadIsFuel = false; }), header},
        {"the CSV columns", grid({3.5f, 4.0f}), header + ",more"},
    };
    for (const auto& c : changed) EXPECT_NE(make_manifest(c.g, c.header).fingerprint, plain) << c.what;

    // The manifest reads back to what was written.
    const MapManifest m = make_manifest(grid({3.5f, 1.0e-7f}, {"576", "5.5e-05"}), header);
    MapManifest back;
    std::string error;
    ASSERT_TRUE(parse_manifest(manifest_text(m), back, error)) << error;
    EXPECT_EQ(back.fingerprint, m.fingerprint);
    EXPECT_EQ(back.header, m.header);
    EXPECT_EQ(varied_names(back), std::vector<std::string>{"IVC"});
    ASSERT_EQ(back.points.size(), m.points.size());
    for (std::size_t i = 0; i < m.points.size(); ++i) {
        EXPECT_EQ(back.points[i].index, m.points[i].index);
        EXPECT_EQ(back.points[i].speed, m.points[i].speed);
        EXPECT_EQ(back.points[i].load, m.points[i].load);
        EXPECT_EQ(back.points[i].values, m.points[i].values);
    }

    // A manifest of the first version (speed and load only) is still read, to be collected.
    std::string v1 = manifest_text(m);
    v1.replace(v1.find("\"version\": 2"), 12, "\"version\": 1");
    EXPECT_TRUE(parse_manifest(v1, back, error)) << error;
    EXPECT_EQ(back.version, 1);
    v1.replace(v1.find("\"version\": 1"), 12, "\"version\": 3");
    EXPECT_FALSE(parse_manifest(v1, back, error));
    EXPECT_NE(error.find("reads version 1 to 2"), std::string::npos) << error;
}

// The header of the first version's map CSV.
const std::string kFirstHeader =
    "speed_rpm,set_fuel_10mm3,fuel_10mm3,pe_bar,be_g_kwh,nv,tex_degc,etai,lambda,pmax_bar,cycles,end";

// A row is only taken for its point when every field is what that point's
// run could have written under the header.
TEST(MapManifest, RowCheckedAgainstHeaderAndPoint) {
    const std::string header = map_csv_header(true, {"IVC"}), plain = map_csv_header(true, {});
    const MapPoint p{7, 2000.0f, 3.5f, {"576"}}, unvaried{7, 2000.0f, 3.5f, {}};
    const std::string figures = "3.5,6.219,213.2,0.9159,486.2,0.521,1.646,67.5,9", extra = "152.4,31.9,0.385,2.08,11,0.069";
    const struct { std::string row; std::string header; const MapPoint& p; const char* fault; } cases[] = {
        {"2000,3.5," + figures + ",completed," + extra + ",576", header, p, ""},
        {"2000,3.5,nan,-inf,inf,0,0,0,0,0,1,non-finite-result,nan,nan,nan,0,0,0,576", header, p, ""},
        {"2000,3.5,,,,,,,,,,input-error,,,,,,,576", header, p, ""},
        {"2000,3.5," + figures + ",completed", kFirstHeader, unvaried, ""},
        {"2000,3.5," + figures + ",completed," + extra, plain, unvaried, ""},
        {"2000,3.5," + figures + ",completed," + extra + ",extra", plain + ",later_column", unvaried, ""},
        {"2000,3.5," + figures + ",completed," + extra, header, p, "18 fields where the header has 19"},
        {"2000,3.5," + figures + ",completed," + extra + ",580", header, p, "its IVC field is 580, not 576"},
        {"2500,3.5," + figures + ",completed," + extra + ",576", header, p, "for speed 2500, not 2000"},
        {"2000,3.5,3.5,6.2x,213.2,0.9159,486.2,0.521,1.646,67.5,9,completed," + extra + ",576", header, p, "pe_bar field is not a number"},
        {"2000,3.5,3.5,6.2,213.2,0.9159,486.2,0.521,1.646,67.5,-9,completed," + extra + ",576", header, p, "cycles field is not a count"},
        {"2000,3.5," + figures + ",finished," + extra + ",576", header, p, "no ending of a run"},
        {"2000,3.5,3.5,,,,,,,,,input-error,,,,,,,576", header, p, "fuel_10mm3 field holds a figure of a point that did not run"},
        {"2000,3.5," + figures + ",compl\x01" "eted," + extra + ",576", header, p, "a character no row of this program holds"},
        {"2000,3.5", "speed_rpm,set_fuel_10mm3", p, "no room for the point's varied values"},
    };
    for (const auto& c : cases) {
        const std::string fault = check_result_row(c.row, c.header, c.p);
        if (*c.fault == '\0') {
            EXPECT_EQ(fault, "") << c.row;
        } else {
            EXPECT_NE(fault.find(c.fault), std::string::npos) << c.row << ": " << fault;
        }
    }
    // Rows of points that did not run fill the same columns as the check expects.
    EXPECT_EQ(failed_row(header, p, kPointMissing), "2000,3.5,,,,,,,,,,missing,,,,,,,576");
    EXPECT_EQ(point_not_run(p, kPointInputError, "").row, "2000,3.5,,,,,,,,,,input-error,,,,,,,576");
    // The end column is read by its name, wherever the header puts it.
    const struct { const char* header; const char* row; const char* end; } ends[] = {
        {"a,end,b", "1,stopped,2", "stopped"}, {"a,b,end", "1,2,x", "x"}, {"end", "completed", "completed"},
    };
    for (const auto& e : ends) EXPECT_EQ(row_end(e.header, e.row), e.end) << e.header << " / " << e.row;
}

// A result file is only taken whole: JSON of the right format and version,
// this grid's fingerprint, this point, a valid row. Whatever it holds, the
// reason is one printable line.
TEST(MapManifest, ResultFileCheckedWhole) {
    const MapGrid g = grid({3.5f, 4.0f});
    const MapManifest m = make_manifest(g, map_csv_header(g));
    const std::string row = "2000,3.5,,,,,,,,,,input-error,,,,,,,576";
    const std::string good = result_file_text(m.fingerprint, m.points[0], row);
    const struct { std::string text; const char* fault; } cases[] = {
        {good, ""},
        {good + "\n\n", ""},
        {good.substr(0, good.size() - 3), "not a complete JSON object"},
        {good + std::string(1, '\0') + "junk", "a NUL at byte"},
        {"[1, 2]", "not a diesel-cycle map point result file"},
        {"{\"format\":\"diesel-cycle map point result\",\"version\":2}", "a version this program does not read"},
        {"{\"format\":\"diesel-cycle map point result\",\"version\":1,\"index\":1e999999}", "beyond every range"},
        {"{\"format\":\"diesel-cycle map point result\",\"version\":1,\"index\":\"1\"}", "missing or of the wrong kind"},
        {result_file_text("\x01\x02", m.points[0], row), "fingerprint not one of this program"},
        {result_file_text(m.fingerprint, m.points[1], row), "the result of point 2"},
        {result_file_text(m.fingerprint, m.points[0], "2000,4,,,,,,,,,,input-error,,,,,,,576"), "for load 4, not 3.5"},
        {std::string(20000, '['), "not a complete JSON object"},
    };
    for (const auto& c : cases) {
        std::string taken;
        const std::string fault = check_point_result(c.text, m, m.points[0], taken);
        for (const char ch : fault) EXPECT_TRUE(ch >= 0x20 && ch < 0x7f) << fault;
        if (*c.fault == '\0') {
            EXPECT_EQ(fault, "") << c.text;
            EXPECT_EQ(taken, row);
        } else {
            EXPECT_NE(fault.find(c.fault), std::string::npos) << c.text.substr(0, 80) << ": " << fault;
            EXPECT_EQ(taken, "");
        }
    }
}

}  // namespace
}  // namespace diesel
