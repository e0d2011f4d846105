// "diesel-cycle plot": the sheet of a run, and the
// sheets of map, sweep and full-load CSVs with the gnuplot script kept beside
// each, which the checks read: contour levels, legend, axes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <set>
#include <sstream>

#include "cli/robust_binary_run.hpp"

namespace diesel {
namespace {

using namespace cli_test;

// A PNG file, of the given size when one is given.
bool is_png(const fs::path& file, unsigned width = 0, unsigned height = 0) {
    const std::string png = read_file(file.string());
    const auto be32 = [&](size_t at) {
        return unsigned(uint8_t(png[at])) << 24 | unsigned(uint8_t(png[at + 1])) << 16 | unsigned(uint8_t(png[at + 2])) << 8 |
               unsigned(uint8_t(png[at + 3]));
    };
    return png.starts_with("\x89PNG\r\n\x1a\n") && png.size() >= 24 &&
           (width == 0 || (be32(16) == width && be32(20) == height));
}

// A point of a made-up engine whose be is lowest at 2000 rpm, 8 bar and the
// items (if any) at 40 and 5. Runs ended by a stopping rule keep figures as
// the program writes them; runs that did not run have none.
struct Point {
    double speed, load;
    std::vector<double> items = {};
    std::string end = "completed";
    double peShift = 0;  // pe = load + peShift
};

constexpr const char* kColumns = "speed_rpm,target_pe_bar,fuel_10mm3,pe_bar,be_g_kwh,nv,tex_degc,etai,lambda,pmax_bar,cycles,end";
constexpr const char* kNewColumns = ",torque_nm,power_kw,etab,wlam,pmax_angle_deg,resid";

std::string map_csv(const std::vector<Point>& points, bool newColumns = true, const std::vector<std::string>& items = {}) {
    std::string csv = std::string(kColumns) + (newColumns ? kNewColumns : "");
    for (const std::string& i : items) csv += "," + i;
    csv += "\n";
    char buf[512];
    for (const Point& p : points) {
        const bool figures = p.end != "input-error" && p.end != "output-error" && p.end != "missing" && p.end != "invalid";
        const double pe = p.load + p.peShift, s = p.speed;
        double be = 200 + 1e-5 * (s - 2000) * (s - 2000) + 1.5 * (pe - 8) * (pe - 8);
        for (size_t i = 0; i < p.items.size(); ++i) be += (i == 0 ? 0.05 : 0.8) * std::pow(p.items[i] - (i == 0 ? 40 : 5), 2);
        if (pe <= 0) be = -1000;
        if (figures) {
            std::snprintf(buf, sizeof buf, "%g,%g,%g,%g,%g,%g,%g,%g,%g,%g,12,%s", s, p.load, pe / 2, pe, be,
                          0.95 - 4e-8 * (s - 1500) * (s - 1500), 150 + 45 * pe + 0.04 * s, 0.5 - 0.001 * (pe - 9) * (pe - 9),
                          9 / (pe + 0.5), 50 + 4 * pe, p.end.c_str());
            csv += buf;
            if (newColumns) {
                std::snprintf(buf, sizeof buf, ",%g,%g,0.4,2,8,0.03", 37.5 * pe, 37.5 * pe * s * std::numbers::pi / 30000);
                csv += buf;
            }
        } else {
            std::snprintf(buf, sizeof buf, "%g,%g,,,,,,,,,,%s%s", s, p.load, p.end.c_str(), newColumns ? ",,,,,," : "");
            csv += buf;
        }
        for (double v : p.items) csv += "," + std::to_string(v);
        if (p.items.empty()) csv += std::string(items.size(), ',');  // a point that did not run may have no items
        csv += "\n";
    }
    return csv;
}

std::vector<Point> grid(const std::vector<double>& speeds, const std::vector<double>& loads) {
    std::vector<Point> points;
    for (double s : speeds)
        for (double l : loads) points.push_back({s, l});
    return points;
}

Point& at(std::vector<Point>& points, double speed, double load) {
    for (Point& p : points)
        if (p.speed == speed && p.load == load) return p;
    throw std::out_of_range("no such point");
}

// The lines of datablock `name` of a script.
std::vector<std::string> datablock(const std::string& script, const std::string& name) {
    std::vector<std::string> lines;
    const size_t start = script.find("$" + name + " << EOD\n");
    if (start == std::string::npos) return lines;
    std::istringstream in(script.substr(script.find('\n', start) + 1));
    for (std::string l; std::getline(in, l) && l != "EOD";)
        if (!l.empty()) lines.push_back(l);
    return lines;
}

// The contour levels a script asks for.
std::vector<double> levels(const std::string& script) {
    const std::string key = "set cntrparam levels discrete ";
    const size_t at = script.find(key);
    std::vector<double> v;
    if (at == std::string::npos) return v;
    std::istringstream in(script.substr(at + key.size(), script.find('\n', at) - at - key.size()));
    for (std::string item; std::getline(in, item, ',');) v.push_back(std::stod(item));
    return v;
}

TEST(Plot, MapSheetOfEveryFigureBoundedByFullLoadWithEveryRunShown) {
    ASSERT_TRUE(tool_installed("gnuplot", "gnuplot-nox"));
    Scratch dir;
    std::vector<Point> points = grid({1000, 1500, 2000, 2500, 3000}, {2, 4, 6, 8, 10, 12});
    at(points, 3000, 12).end = at(points, 2500, 12).end = "exhaust-eqr-limit";
    at(points, 2000, 6).end = "max-cycles";
    at(points, 1000, 4).end = "input-error";
    points.push_back({1000, 0.5, {}, "completed", -0.7});  // below friction: no be
    write_file(dir.file("map.csv"), map_csv(points));
    write_file(dir.file("fl.csv"), "speed_rpm,fuel_10mm3,pe_bar,torque_nm,power_kw,active_limit,end,be,lambda\n"
                                   "1000,5,11,412.5,43.2,lambda,completed,210,1.4\n1500,5,11,412.5,64.8,lambda,completed,205,1.4\n"
                                   "2000,5,10.5,393.8,82.5,pmax,completed,201,1.5\n2500,5,10,375,98.2,tex,completed,204,1.6\n"
                                   "3000,5,9,337.5,106,tex,completed,209,1.7\n3500,,,,,none,no-fuel-meets-limits,,\n");
    const auto r = run_in(dir.path, program({"plot", "map.csv", "--full-load", "fl.csv"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* fig : {"be", "lambda", "tex", "nv", "etai", "pmax"}) {
        const std::string base = std::string("map-") + fig;
        EXPECT_NE(r.out.find("wrote map-" + std::string(fig) + ".png\n"), std::string::npos) << r.out;
        EXPECT_TRUE(is_png(dir.path / (base + ".png"), 1400, 1000)) << fig;
        const std::string script = read_file(dir.file(base + ".gp"));
        // Every row of the CSV is drawn: as a point of the field, a completed
        // run without a usable figure, or a run marked by how it ended.
        size_t drawn = datablock(script, "points").size() + datablock(script, "nofig").size();
        for (int i = 1; i <= 9; ++i) drawn += datablock(script, "stop" + std::to_string(i)).size();
        EXPECT_EQ(drawn, points.size()) << fig;
        // About ten levels, inside the figure's range.
        double lo = 1e300, hi = -1e300;
        for (const std::string& line : datablock(script, "points")) {
            const double z = std::stod(line.substr(line.rfind(' ') + 1));
            lo = std::min(lo, z);
            hi = std::max(hi, z);
        }
        const std::vector<double> v = levels(script);
        ASSERT_GE(v.size(), 8u) << fig;
        EXPECT_LE(v.size(), 12u) << fig;
        EXPECT_GT(v.front(), lo) << fig;
        EXPECT_LT(v.back(), hi) << fig;
        for (const char* element : {"kT = 37.5", "set link y2 via y * kT inverse y / kT", "\"constant brake power\"",
                                    "title 'full load: fl.csv", "title 'no fuel meets the limits: 1 speed'",
                                    "title 'exhaust-eqr-limit: 2 points'", "title 'input-error: 1 point'",
                                    "title bestLabel"})
            EXPECT_NE(script.find(element), std::string::npos) << fig << ": " << element;
    }
    const std::string be = read_file(dir.file("map-be.gp"));
    EXPECT_NE(be.find("bestLabel = 'lowest be 200 g/kWh at 2000 rpm, pe 8 bar'"), std::string::npos);
    EXPECT_NE(be.find("title 'completed, no usable be: 1'"), std::string::npos);
    EXPECT_NE(read_file(dir.file("map-nv.gp")).find("bestLabel = 'highest nv"), std::string::npos);
    // The script draws its sheet again on its own.
    fs::remove(dir.path / "map-be.png");
    ASSERT_EQ(run_in(dir.path, {"gnuplot", "map-be.gp"}).status, 0);
    EXPECT_TRUE(is_png(dir.path / "map-be.png", 1400, 1000));
}

// What a CSV's design calls for: a map, curves, contours or a scatter plot.
TEST(Plot, SheetFollowsTheDesignOfTheCsv) {
    ASSERT_TRUE(tool_installed("gnuplot", "gnuplot-nox"));
    std::vector<Point> oneItem, twoItems, hypercube;
    for (double s : {1500, 2500})
        for (double a : {20, 30, 40, 50, 60}) oneItem.push_back({s, 8, {a}, s == 2500 && a == 60 ? "max-cycles" : "completed"});
    for (double a : {20, 30, 40, 50, 60})
        for (double b : {-5, 0, 5, 10, 15}) twoItems.push_back({2000, 8, {a, b}, a == 60 && b == 15 ? "fuel-limit" : "completed"});
    twoItems.push_back({2000, 8, {}, "missing"});
    for (int i = 0; i < 20; ++i) hypercube.push_back({2000, 8, {20 + 2 * i + 0.7, -5 + (i * 7 % 20) + 0.3}});
    const struct {
        const char* what;
        std::string csv;
        std::vector<std::string> options;
        std::vector<std::string> sheets;  // of x.csv
        std::vector<std::string> has;     // in the first sheet's script
        std::vector<std::string> hasNot;
    } cases[] = {
        {"a map of the 12 columns of earlier versions", map_csv(grid({1000, 2000, 3000}, {2, 6, 10}), false), {},
         {"be", "lambda", "tex", "nv", "etai", "pmax"},
         {"set cntrparam levels discrete", "torque axis and power lines left out: no torque_nm or power_kw column",
          "title \"highest completed load (not a limit)\""},
         {"set link y2", "constant brake power"}},
        {"one item at two speeds: curves", map_csv(oneItem, true, {"IVC"}), {"--z", "be"}, {"be"},
         {"plot for [i = 1:2] $points index (i - 1)", "array curveTitle[2] = ['1500 rpm', '2500 rpm']",
          "bestLabel = 'lowest be 202.5 g/kWh at IVC 40, 1500 rpm'"},
         {"cntrparam", "set link y2"}},
        {"two items on a grid: contours", map_csv(twoItems, true, {"IVC", "valves.start_of_combustion"}), {"--z=be,pmax"},
         {"be", "pmax"},
         {"set cntrparam levels discrete", "set ylabel 'valves.start_of_combustion'", "title 'fuel-limit: 1 point'",
          "bestLabel = 'lowest be 200 g/kWh at IVC 40, valves.start_of_combustion 5'"},
         {"set link y2"}},
        {"a hypercube: scatter", map_csv(hypercube, true, {"IVC", "SOC"}), {"--z", "be"}, {"be"},
         {"with points pt 7 ps 2.6 lc palette", "title 'runs, coloured by be'", "set palette maxcolors"},
         {"cntrparam", "spread on a small circle"}},
    };
    for (const auto& c : cases) {
        Scratch dir;
        write_file(dir.file("x.csv"), c.csv);
        std::vector<std::string> args = program({"plot", "x.csv"});
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto r = run_in(dir.path, args);
        ASSERT_EQ(r.status, 0) << c.what << ": " << r.err;
        std::set<std::string> made, expected;
        for (const auto& e : fs::directory_iterator(dir.path))
            if (e.path().extension() == ".png") made.insert(e.path().filename().string());
        for (const std::string& s : c.sheets) expected.insert("x-" + s + ".png");
        EXPECT_EQ(made, expected) << c.what;
        for (const std::string& s : c.sheets) EXPECT_TRUE(is_png(dir.path / ("x-" + s + ".png"), 1400, 1000)) << c.what << s;
        const std::string script = read_file(dir.file("x-" + c.sheets.front() + ".gp"));
        for (const std::string& h : c.has) EXPECT_NE(script.find(h), std::string::npos) << c.what << ": " << h;
        for (const std::string& h : c.hasNot) EXPECT_EQ(script.find(h), std::string::npos) << c.what << ": " << h;
    }
}

// A folder holding a run folder, a map of the program and a full-load CSV: a
// sheet for each.
TEST(Plot, FolderOfARunAMapAndAFullLoadCurve) {
    ASSERT_TRUE(tool_installed("gnuplot", "gnuplot-nox"));
    Scratch dir;
    fs::create_directory(dir.path / "run");
    put_example(dir.path / "run", "c4_fixed");
    ASSERT_EQ(run_in(dir.path / "run", program()).status, 0);
    write_file(dir.file("fl.csv"), "speed_rpm,fuel_10mm3,pe_bar,torque_nm,power_kw,active_limit,end\n"
                                   "1000,5,11,412.5,43.2,lambda,completed\n2000,5,10.5,393.8,82.5,pmax,completed\n"
                                   "3000,,,,,none,no-fuel-meets-limits\n");
    const std::string base = std::string(DIESEL_SOURCE_DIR) + "/examples/c1_load";
    ASSERT_EQ(run_in(dir.path, program({"map", base, "--speeds", "1000:3000:3", "--loads", "2:12:3", "--csv", "map.csv"})).status, 0);
    const auto r = run_in(dir.path, program({"plot", dir.path.string()}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(is_png(dir.path / "run" / "cycle.png"));
    EXPECT_TRUE(is_png(dir.path / "fl.png", 1400, 1000));
    const std::string fl = read_file(dir.file("fl.gp"));
    for (const char* element : {"title 'torque (label: the active limit)'", "set y2label \"brake power [kW]\""})
        EXPECT_NE(fl.find(element), std::string::npos) << element;
    for (const char* fig : {"be", "lambda", "tex", "nv", "etai", "pmax"})
        EXPECT_TRUE(is_png(dir.path / ("map-" + std::string(fig) + ".png"), 1400, 1000)) << fig;
}

// Every failure is one line naming what and where, with status 2.
TEST(Plot, FailuresAreOneLineWithStatus2) {
    ASSERT_TRUE(tool_installed("gnuplot", "gnuplot-nox"));
    const std::string good = map_csv(grid({1000, 2000}, {4, 8}));
    std::vector<Point> allStopped = grid({1000, 2000}, {4, 8});
    for (Point& p : allStopped) p.end = "max-cycles";
    const struct {
        std::vector<std::string> args;
        std::string csv;  // map.csv, when not empty
        const char* says;
    } cases[] = {
        {{"--z", "bsfc"}, good, "diesel-cycle: plot: --z bsfc: not a figure a sheet can show"},
        {{"--z", "torque"}, map_csv(grid({1000, 2000}, {4, 8}), false), "map.csv: has no column of the figure 'torque'"},
        {{}, good.substr(0, good.rfind(',')) + "\n", "map.csv: line 5: 17 fields where the header row has 18"},
        {{"--z", "be"}, map_csv(allStopped), "map.csv: no completed point with a usable be"},
        {{"--z", "be", "--full-load", "fl.csv"}, map_csv({{2000, 8, {30}}, {2000, 8, {40}}}, true, {"IVC"}),
         "map.csv: --full-load bounds a map over speed and load"},
    };
    for (const auto& c : cases) {
        Scratch dir;
        write_file(dir.file("map.csv"), c.csv);
        write_file(dir.file("fl.csv"), "speed_rpm,fuel_10mm3,pe_bar,torque_nm,power_kw,active_limit,end\n1000,5,11,412,43,lambda,completed\n");
        std::vector<std::string> args = program({"plot", "map.csv"});
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r = run_in(dir.path, args);
        EXPECT_EQ(r.status, 2) << c.says << ": " << r.err;
        EXPECT_TRUE(r.err.starts_with("diesel-cycle: plot: ")) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.says << ": " << r.err;
        for (const auto& e : fs::directory_iterator(dir.path)) EXPECT_NE(e.path().extension(), ".png") << c.says;
    }
}

}  // namespace
}  // namespace diesel
