// case.toml: fort -> toml -> fort keeps every value to the bit and a run from
// either gives the same outputs; every fault of a case file is refused naming
// file, line and key.
#include "case/case_toml.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "case/case_checks.hpp"
#include "case/fort_files.hpp"
#include "case/input_error.hpp"
#include "driver/in_memory_run.hpp"
#include "test_support.hpp"

namespace diesel {
namespace {

using test_support::edited;
using test_support::example_inputs;
using test_support::example_texts;

std::string crlf(const std::string& text) {
    std::string out;
    for (const char ch : text) out += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    return out;
}

// Hand-made variants of the examples (the examples themselves: case_commands_test):
// values written in every form the fort reader takes, records over several
// lines, CRLF, a table with more rows than the run reads.
std::vector<std::pair<std::string, InputTexts>> variants() {
    InputTexts odd = edited(example_texts("c1_load"), {{3, 1, 1, "+1800."}, {3, 1, 2, "+0"}, {2, 3, 1, "9.5D1"},
                                                         {2, 3, 12, ".45"}, {2, 7, 5, "1.0d-5"},
                                                         {2, 4, 6, "0.1E+01"}, {2, 9, 3, "-0.0"}});
    odd.fort2 = "0.100,0.100 0.160\n 4\t18  0.004  0.004\n" + odd.fort2->substr(odd.fort2->find('\n') + 1);
    InputTexts two = edited(example_texts("c1_fixed"), {{3, 1, 5, "2"}});
    two.fort14 = "  9.0E-04  1005.9  0.0567  ! cylinder 2\nrows beyond NCYL - 1 are never read\n";
    InputTexts windows = example_inputs("c4_fixed");
    for (auto* text : {&windows.fort3, &windows.fort2, &windows.fort14}) *text = crlf(**text);
    return {{"odd forms", odd}, {"two cylinders", two}, {"CRLF", windows}};
}

void expect_same_run(const InMemoryRun& a, const InMemoryRun& b, const std::string& name) {
    ASSERT_TRUE(a.inputOk && b.inputOk) << name << ": " << a.inputError << b.inputError;
    EXPECT_EQ(a.outcome.end, b.outcome.end) << name;
    EXPECT_EQ(a.outcome.startTable, b.outcome.startTable) << name;
    for (const auto& [x, y] : {std::pair{&a.fort8, &b.fort8}, {&a.fort9, &b.fort9}, {&a.fort10, &b.fort10},
                               {&a.fort12, &b.fort12}, {&a.fort13, &b.fort13}, {&a.fort15, &b.fort15},
                               {&a.fort16, &b.fort16}, {&a.console, &b.console}, {&a.diag, &b.diag}})
        EXPECT_TRUE(*x == *y) << name;
}

TEST(CaseToml, FortToTomlToFortKeepsEveryValueAndEveryOutputByte) {
    for (const auto& [name, texts] : variants()) {
        const Case fort = read_fort_case(texts);
        Case toml = read_case_toml(write_case_toml(fort), "case.toml");
        read_start_table(toml, texts.fort14, "fort14.dat");
        EXPECT_FALSE(first_difference(fort, toml)) << name;
        expect_same_run(run_in_memory(texts), run_in_memory(toml), name);

        const Case back = read_fort_case({fort3_text(toml), fort2_text(toml), texts.fort14});
        const auto diff = first_difference(fort, back);
        EXPECT_FALSE(diff) << name << ": " << (diff && diff->item ? item_label(*diff->item) : "a start row");
    }
}

// Forms TOML allows that describe the very same case as the example.
TEST(CaseToml, EquivalentSpellingsReadAlike) {
    const Case example = read_fort_case(example_texts("c1_fixed"));
    const std::string base = write_case_toml(example);
    const auto replace = [](std::string text, const std::string& from, const std::string& to) {
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const std::string noUnused = base.substr(0, base.find("\n# Placeholders")) + "\n";
    const std::string spellings[] = {
        "\xEF\xBB\xBF" + base,
        // Other than ASCII in strings and comments, quotes inside both.
        replace(base, "start_table = \"fort14.dat\"",
                "start_table = \"table \\\"4\\\".dat\"  # f\xC3\xBCr \"4 Zylinder\"\n"
                "# '''s\xC3\xBC\xC3\x9F''' \"\"\"\n"),
        crlf(base),
        replace(base, "speed = 2000.0", "speed = 2000"),
        replace(base, "speed = 2000.0", "speed = 2_000.0"),
        replace(replace(base, "bore = 0.100\n", ""), "[geometry]\n", "[geometry]\n\"bore\" = 1.00e-1\n"),
        replace(replace(replace(base, "[friction]\n", ""), "compression_ratio_coefficient = 1.0\n", ""), "format = 1\n",
                "format = 1\nfriction.compression_ratio_coefficient = 1\n"),
        noUnused,
    };
    for (const std::string& text : spellings) {
        const Case c = read_case_toml(text, "case.toml");
        const auto diff = first_difference(example, c);
        EXPECT_FALSE(diff) << (diff && diff->item ? item_label(*diff->item) : "row") << "\n" << text.substr(0, 80);
    }
}

// Each fault is refused with one printable line naming file, line and key.
TEST(CaseToml, FaultsAreRefusedNamingFileLineAndKey) {
    const std::string base = write_case_toml(read_fort_case(example_texts("c1_fixed")));
    const auto line_of = [&](const std::string& text) {
        return std::to_string(1 + std::count(base.begin(), base.begin() + static_cast<long>(base.find(text)), '\n'));
    };
    const std::string speedLine = line_of("speed = 2000.0");
    const struct {
        std::string from, to, expected;
    } cases[] = {
        {"speed = 2000.0", "sped = 2000.0",
         "case.toml:" + speedLine + ": operating_point.sped: unknown key; did you mean operating_point.speed"},
        {"[geometry]", "[geometri]", "case.toml:" + line_of("[geometry]") + ": geometri: unknown table; did you mean geometry?"},
        {"bore = 0.100\n", "", "case.toml: the key geometry.bore is missing (BORE, a real number in m)"},
        {"speed = 2000.0", "speed = \"2000\"", "case.toml:" + speedLine + ": operating_point.speed: a string where SPEED takes a real number"},
        {"mode = 2", "mode = 2.0", "case.toml:" + line_of("mode = 2") + ": operating_point.mode: a real number where MODE takes an integer"},
        {"cylinders = 1", "cylinders = 3000000000", "case.toml:" + line_of("cylinders = 1") + ": operating_point.cylinders: 3000000000 is outside the integer range"},
        {"speed = 2000.0", "speed = nan", "case.toml:" + speedLine + ": operating_point.speed: nan is not a finite number"},
        {"speed = 2000.0", "speed = 1e39", "case.toml:" + speedLine + ": operating_point.speed: 1e39 is too large for a 32-bit real number"},
        {"speed = 2000.0", "speed = = 2", "case.toml:" + speedLine + ": "},
        // Broke an assertion of the TOML parser (an abort, or undefined behaviour without assertions).
        {"[geometry]", "[=geometry]", "case.toml: not a TOML file"},
        {"[geometry]", std::string("[\0geometry]", 10), "case.toml: not a TOML file"},
        // The parser never meets bytes outside ASCII (toml++ 3.3 reaches unreachable code for some).
        {"bore = 0.100", "bor\xC3\xA9 = 0.100", "case.toml:" + line_of("bore = 0.100") + ": "},
        {"speed = 2000.0", "speed = \xC2\xA0 2000.0", "case.toml:" + speedLine + ": "},
        {"start_table = \"fort14.dat\"", "start_table = \"t\xC3\xA4" "ble.dat\"",
         "case.toml:" + line_of("start_table = ") + ": start.start_table: a file name with characters outside ASCII"},
        {"format = 1", "format = 2", "case.toml:" + line_of("format = 1") + ": format: 2 is a newer case-file format than this program reads (1)"},
        {"format = 1\n", "", "case.toml: the key format is missing"},
        {"intake_closing = 576.0", "intake_closing = 1500",
         "case.toml:" + line_of("intake_closing = 576.0") + ": valves.intake_closing: 1500 is not accepted: IVC must be at least 541 and below 1362 deg"},
        {"start_table = \"fort14.dat\"", "rows = [[1.0, 2.0]]", "case.toml:" + line_of("start_table = ") + ": start.rows: row 1 is not [mass, temperature, equivalence ratio]"},
        {"cylinders = 1", "cylinders = 4", "case.toml:" + line_of("start_table = ") + ": start.rows: holds 1 row, but NCYL = 4 needs 3"},
        {"start_table = \"fort14.dat\"", "rows = [[0.0, 0.0, 0.0]]",
         "case.toml:" + line_of("start_table = ") + ": start.rows, row 1 (start state of cylinder 2), mass: start table row 1 holds a zero mass"},
    };
    for (const auto& c : cases) {
        std::string text = base;
        text.replace(text.find(c.from), c.from.size(), c.to);
        if (c.from == "cylinders = 1") text.replace(text.find("start_table = \"fort14.dat\""), 26, "rows = [[8.8E-4, 330, 0.05]]");
        if (c.to.starts_with("rows = [[0.0")) text.replace(text.find("cylinders = 1"), 13, "cylinders = 2");
        std::string message;
        try {
            const Case read = read_case_toml(text, "case.toml");
            const CaseCheck check = check_case(read);
            if (!check.errors.empty()) message = check.errors.front();
        } catch (const InputError& e) {
            message = e.what();
        }
        EXPECT_TRUE(message.starts_with(c.expected)) << c.to << "\n  gave: " << message;
        for (const char ch : message) EXPECT_TRUE(ch >= 0x20 && ch < 0x7f) << message;
    }
}

}  // namespace
}  // namespace diesel
