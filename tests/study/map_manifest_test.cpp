// What binds an emitted map together: fingerprints that change with every
// input of a point, and the check of a point's CSV row against its header.
#include "study/map_manifest.hpp"

#include <gtest/gtest.h>

#include "study/map_point_run.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

MapGrid grid(std::vector<float> loads, std::string fort2Tail = "", std::optional<std::string> fort14 = std::nullopt) {
    MapGrid g;
    g.baseTexts = test_support::example_texts("c1_fixed");
    *g.baseTexts.fort2 += fort2Tail;
    g.baseTexts.fort14 = fort14;
    g.base = {2000.0f, 2, 7.0f, 3.5f, 1};
    g.points = map_points({2000.0f, 2500.0f}, loads);
    return g;
}

TEST(MapManifest, FingerprintFollowsEveryInputOfThePoints) {
    const std::string header = map_csv_header(BasePoint{});
    const std::string plain = make_manifest(grid({3.5f, 4.0f}), header).fingerprint;
    EXPECT_EQ(make_manifest(grid({3.5f, 4.0f}), header).fingerprint, plain);
    const struct { const char* what; MapGrid g; std::string header; } changed[] = {
        {"a load", grid({3.5f, 4.5f}), header},
        {"the order of the points", grid({4.0f, 3.5f}), header},
        {"fort2.dat", grid({3.5f, 4.0f}, " "), header},
        {"a start table", grid({3.5f, 4.0f}, "", ""), header},
        {"the CSV columns", grid({3.5f, 4.0f}), header + ",more"},
    };
    for (const auto& c : changed) EXPECT_NE(make_manifest(c.g, c.header).fingerprint, plain) << c.what;

    // The manifest reads back to what was written.
    const MapManifest m = make_manifest(grid({3.5f, 1.0e-7f}), header);
    MapManifest back;
    std::string error;
    ASSERT_TRUE(parse_manifest(manifest_text(m), back, error)) << error;
    EXPECT_EQ(back.fingerprint, m.fingerprint);
    EXPECT_EQ(back.header, m.header);
    ASSERT_EQ(back.points.size(), m.points.size());
    for (std::size_t i = 0; i < m.points.size(); ++i) {
        EXPECT_EQ(back.points[i].index, m.points[i].index);
        EXPECT_EQ(back.points[i].speed, m.points[i].speed);
        EXPECT_EQ(back.points[i].load, m.points[i].load);
    }
}

// A row is only taken for its point when every field is what that point's
// run could have written under the header.
TEST(MapManifest, RowCheckedAgainstHeaderAndPoint) {
    const std::string header = map_csv_header(BasePoint{});
    const MapPoint p{7, 2000.0f, 3.5f};
    const std::string figures = "3.5,6.219,213.2,0.9159,486.2,0.521,1.646,67.5,9";
    const struct { std::string row; std::string header; const char* fault; } cases[] = {
        {"2000,3.5," + figures + ",completed", header, ""},
        {"2000,3.5,nan,-inf,inf,0,0,0,0,0,1,non-finite-result", header, ""},
        {"2000,3.5,,,,,,,,,,input-error", header, ""},
        {"2000,3.5," + figures + ",completed,extra", header + ",later_column", ""},  // columns of a later version
        {"2000,3.5," + figures, header, "11 fields where the header has 12"},
        {"2000,3.5," + figures + ",completed,", header, "13 fields"},
        {"2500,3.5," + figures + ",completed", header, "for speed 2500, not 2000"},
        {"2000,3.6," + figures + ",completed", header, "for load 3.6, not 3.5"},
        {"2000,3.5,3.5,6.2x,213.2,0.9159,486.2,0.521,1.646,67.5,9,completed", header, "pe_bar field is not a number"},
        {"2000,3.5,3.5,6.2,213.2,0.9159,486.2,0.521,1.646,67.5,-9,completed", header, "cycles field is not a count"},
        {"2000,3.5," + figures + ",finished", header, "no ending of a run"},
        {"2000,3.5," + figures + ",missing", header, "no ending of a run"},
        {"2000,3.5,3.5,,,,,,,,,input-error", header, "fuel_10mm3 field holds a figure of a point that did not run"},
        {"2000,3.5," + figures + ",compl\x01" "eted", header, "a character no row of this program holds"},
        {std::string("2000,3.5,") + figures + ",completed\n2000", header, "a character no row"},
    };
    for (const auto& c : cases) {
        const std::string fault = check_result_row(c.row, c.header, p);
        if (*c.fault == '\0') {
            EXPECT_EQ(fault, "") << c.row;
        } else {
            EXPECT_NE(fault.find(c.fault), std::string::npos) << c.row << ": " << fault;
        }
    }
}

}  // namespace
}  // namespace diesel

namespace diesel {
namespace {

// A result file is only taken whole: JSON of the right format and version,
// this grid's fingerprint, this point, a valid row. Whatever it holds, the
// reason is one printable line.
TEST(MapManifest, ResultFileCheckedWhole) {
    MapGrid g;
    g.baseTexts.fort2 = "engine\n";
    g.points = map_points({2000.0f}, {3.5f, 4.0f});
    const MapManifest m = make_manifest(g, map_csv_header(BasePoint{}));
    const std::string row = "2000,3.5,,,,,,,,,,input-error";
    const std::string good = result_file_text(m.fingerprint, m.points[0], row);
    const struct { std::string text; const char* fault; } cases[] = {
        {good, ""},
        {good + "\n\n", ""},
        {good.substr(0, good.size() - 3), "not a complete JSON object"},
        {good + "x", "not a complete JSON object"},
        {"", "not a complete JSON object"},
        {"[1, 2]", "not a diesel-cycle map point result file"},
        {"{\"format\":\"diesel-cycle map point result\",\"version\":2}", "a version this program does not read"},
        {"{\"format\":\"diesel-cycle map point result\",\"version\":1,\"index\":1e999999}", "beyond every range"},
        {"{\"format\":\"diesel-cycle map point result\",\"version\":1,\"index\":\"1\"}", "missing or of the wrong kind"},
        {result_file_text("\x01\x02", m.points[0], row), "fingerprint not one of this program"},
        {result_file_text(m.fingerprint, m.points[1], row), "the result of point 2"},
        {result_file_text(m.fingerprint, m.points[0], "2000,4,,,,,,,,,,input-error"), "for load 4, not 3.5"},
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
