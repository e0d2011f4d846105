// Reading the fort files into a run: every refusal names file, unit, record and item.
#include "case/run_inputs.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "test_support.hpp"

namespace diesel {
namespace {

using test_support::with_item;
using Change = std::function<void(InputTexts&)>;

const std::string kFort3 = test_support::source_file("examples/c1_fixed/fort3.dat");
const std::string kFort2 = test_support::source_file("examples/c1_fixed/fort2.dat");

Change f2(int record, int item, std::string value) {
    return [=](InputTexts& t) { t.fort2 = with_item(kFort2, record, item, value); };
}
Change f3(std::string text) {
    return [=](InputTexts& t) { t.fort3 = text; };
}
// Two cylinders, the second one's start state from `table`.
Change f14(std::optional<std::string> table) {
    return [=](InputTexts& t) {
        t.fort3 = with_item(kFort3, 1, 5, "2");
        t.fort14 = table;
    };
}

// Every refusal names file, record and item; the message starts with `expected`.
TEST(ReadInputs, RefusesBadInputNamingFileRecordAndItem) {
    const std::string ff3 = "fort3.dat (unit 3), record 1, item ", ff2 = "fort2.dat (unit 2), record ";
    const std::string ff14 = "fort14.dat (unit 14), row 1 (start state of cylinder 2), item ";
    const std::string notAccepted = "\" is not accepted", ends = ": file ends before the ";
    const struct {
        Change change;
        std::string expected;
    } cases[] = {
        {f3(with_item(kFort3, 1, 5, "0")), ff3 + "5 (NCYL): \"0" + notAccepted},
        {f3(with_item(kFort3, 1, 5, "1.0")), ff3 + "5 (NCYL): \"1.0\" is not an integer"},
        {f2(4, 13, "1.0x"), ff2 + "4, item 13 (DPHI): \"1.0x\" is not a real number"},
        {f2(8, 1, "1E-50"), ff2 + "8 (start state of cylinder 1), item 1 (MASS0): \"1E-50" + notAccepted},  // 0 as a float
        {f14("-1.0E-4 300.0 0.0\n"), ff14 + "1 (mass): \"-1.0E-4" + notAccepted},
        {f2(1, 1, "1E39"), ff2 + "1, item 1 (BORE): \"1E39\" is too large for a 32-bit real number"},
        {f2(1, 1, std::string(10'000'000, '9')),  // a 10 MB line, quoted short
         ff2 + "1, item 1 (BORE): \"" + std::string(40, '9') + "...\" (10000000"},
        {f3(std::string(10'000'000, ' ')), ff3 + "1 (SPEED)" + ends + "record is complete"},
        {f3(std::string("\x00\x01\xff garbage\n", 13)),
         ff3 + "1 (SPEED): \"\\x00\\x01\\xFF\" is not a real number"},
        {[](InputTexts& t) { t.fort3.reset(); }, "fort3.dat (unit 3): file is missing"},
        {f14(std::nullopt), "fort14.dat (unit 14): file is missing"},
        {f3("2000.0  2  7.0  3.5\n"), ff3 + "5 (NCYL)" + ends + "record is complete"},
        {[](InputTexts& t) { t.fort2 = kFort2.substr(0, kFort2.find("1.9E-3")); },
         ff2 + "10 (start state of the exhaust receiver), item 1 (MASS0)" + ends + "record is complete"},
        {f14("1.0E-4 300.0\n"), ff14 + "3 (equivalence ratio)" + ends + "row is complete"},
        {f14("0.0 0.0 0.0\n"), ff14 + "1 (mass): start table row 1 holds a zero mass; was it written by a run"},
        // Values no run can use, as the item table bounds them (every bound: case_checks_test).
        {f3("1E30 2 7.0 3.5 1\n"), ff3 + "1 (SPEED): \"1E30" + notAccepted + ": SPEED must be above 0 and at most 20000 rpm"},
        {f2(1, 3, "0.05"), ff2 + "1, item 3 (CONROD): \"0.05" + notAccepted + ": CONROD must be greater than STROKE/2 = 0.05 m"},
    };
    for (const auto& c : cases) {
        InputTexts texts{kFort3, kFort2, std::nullopt};
        c.change(texts);
        RunState s{};
        try {
            read_inputs(s, texts);
            ADD_FAILURE() << c.expected << ": accepted";
        } catch (const InputError& e) {
            const std::string message = e.what();
            EXPECT_TRUE(message.starts_with(c.expected)) << message;
            for (char ch : message) EXPECT_TRUE(ch >= 0x20 && ch < 0x7f) << message;  // one printable line
        }
    }
}

std::string replace_all(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
    return s;
}

// Editors' byte-order marks and CRLF line ends read like the plain file; CR
// alone is no line end, and the message of the failure that follows says so,
// unless the file is a single line that merely ends in CR.
TEST(ReadInputs, ByteOrderMarkAndLineEnds) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string twoCylinders = with_item(kFort3, 1, 5, "2"), row = "8.8E-4  330.0  0.05\n";
    const auto crlf = [](std::string s) { return replace_all(s, "\n", "\r\n"); };
    const struct { const char* what; InputTexts texts; std::string error; } cases[] = {
        {"BOM in every file", {bom + twoCylinders, bom + kFort2, bom + row}, ""},
        {"CRLF", {crlf(twoCylinders), crlf(kFort2), row}, ""},
        {"BOM and CRLF", {bom + crlf(twoCylinders), kFort2, bom + row}, ""},
        {"CR alone", {twoCylinders, replace_all(kFort2, "\n", "\r"), row}, "carriage return alone"},
        {"BOM inside a value", {twoCylinders, "0.100" + bom + kFort2.substr(5), row}, "is not a real number"},
        {"one line ending in CR", {replace_all(with_item(kFort3, 1, 5, "13"), "\n", "\r"), kFort2, row}, "(NCYL)"},
    };
    RunState plain{};
    read_inputs(plain, {twoCylinders, kFort2, row});
    for (const auto& c : cases) {
        RunState s{};
        try {
            read_inputs(s, c.texts);
            EXPECT_EQ(c.error, "") << c.what << ": accepted";
            EXPECT_EQ(std::memcmp(&s, &plain, sizeof s), 0) << c.what;
        } catch (const InputError& e) {
            const std::string message = e.what();
            EXPECT_NE(c.error, "") << c.what << ": " << message;
            EXPECT_NE(message.find(c.error), std::string::npos) << c.what << ": " << message;
            EXPECT_EQ(message.find("carriage return") != std::string::npos, c.error == "carriage return alone") << message;
        }
    }
}

}  // namespace
}  // namespace diesel
