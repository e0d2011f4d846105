#include "input/input_files.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace diesel {
namespace {

using test_support::with_item;

const std::string kFort3 = test_support::source_file("examples/c1_fixed/fort3.dat");
const std::string kFort2 = test_support::source_file("examples/c1_fixed/fort2.dat");

// The first `count` lines of `text`.
std::string first_lines(const std::string& text, int count) {
    std::size_t end = 0;
    for (int i = 0; i < count; ++i) end = text.find('\n', end) + 1;
    return text.substr(0, end);
}

// Start-table rows that tell their row apart: row r is r.0E-4 kg, 300+r K, r/100.
std::string fort14_rows(int count) {
    std::string text;
    for (int r = 1; r <= count; ++r)
        text += std::to_string(r) + ".0E-4  " + std::to_string(300 + r) + ".0  " + std::to_string(r) + "E-2\n";
    return text;
}

// The fixed-fuel example set for NCYL cylinders, with a start table when it needs one.
InputTexts example(int ncyl = 1) {
    InputTexts texts{with_item(kFort3, 1, 5, std::to_string(ncyl)), kFort2, std::nullopt};
    if (ncyl >= 2) texts.fort14 = fort14_rows(ncyl - 1);
    return texts;
}

std::unique_ptr<RunState> read(const InputTexts& texts) {
    auto s = std::make_unique<RunState>();
    read_inputs(*s, texts);
    return s;
}

TEST(ReadInputs, ReadsEveryRecordOfTheExampleSet) {
    const auto s = read(example());
    EXPECT_EQ(s->MODE, 2);
    EXPECT_EQ(s->NCYL, 1);
    EXPECT_EQ(s->NZONE, 3);
    EXPECT_EQ(s->NCYLE, 4);
    EXPECT_EQ(s->MAXCYC, 40);
    EXPECT_EQ(s->ITMAX, 8);
    const std::pair<float, float> reals[] = {
        {s->SPEED, 2000.0f}, {s->PETARG, 7.0f}, {s->FUEL, 3.5f}, {s->BORE, 0.100f}, {s->CR, 17.0f},
        {s->VOL[1], 0.0f}, {s->VOL[2], 0.004f}, {s->VOL[3], 0.004f}, {s->SPIST, 0.012f}, {s->KRV, 20000.0f},
        {s->TCOOL, 90.0f}, {s->IVC, 576.0f}, {s->EQRREF, 0.5f}, {s->K3, 0.00324f}, {s->PEXP, 1.34f},
        {s->XDURN, 0.5f}, {s->FRCR, 1.0f}, {s->PIOFF, 5.0f}, {s->TOLM, 1.0E-8f}, {s->TOLEXM, 2.0E-6f},
    };
    for (const auto& [got, want] : reals) EXPECT_EQ(got, want);
    const float mass0[] = {8.8E-4f, 4.7E-3f, 1.9E-3f}, temp0[] = {330.0f, 293.0f, 700.0f}, eqr0[] = {0.05f, 0.0f, 0.40f};
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(s->MASS0[k], mass0[k - 1]) << k;
        EXPECT_EQ(s->TEMP0[k], temp0[k - 1]) << k;
        EXPECT_EQ(s->EQR0[k], eqr0[k - 1]) << k;
        // The working state starts from the table only at the first predictor.
        for (const float v : {s->MASS[k], s->TEMP[k], s->EQR[k]}) EXPECT_EQ(v, 0.0f) << k;
    }
}

// Layouts of the same values that must read to the identical state.
TEST(ReadInputs, EquivalentLayoutsReadAlike) {
    const auto base = read(example());
    std::string noComments;
    for (std::size_t at = 0; at < kFort2.size(); at = kFort2.find('\n', at) + 1)
        noComments += kFort2.substr(at, kFort2.find('!', at) - at) + "\n";
    const std::string recordFour = "2000.0  540.0  95000.0\n\n  95000.0  340.0  1.0  140.0\n"
                                   "2.28  0.00324\t1.35  1.34  40\n1.0  8 ! rest\n";
    const std::pair<const char*, std::string> cases[] = {
        {"record 4 over four lines with a blank line",
         first_lines(kFort2, 3) + recordFour + kFort2.substr(first_lines(kFort2, 4).size())},
        {"no comments", noComments},
        {"surplus values after the last item", with_item(kFort2, 8, 3, "0.05 7 8 9.9")},
        {"lines after the last record are never read", kFort2 + "garbage \x01\xff 1.0x\n"},
        {"1 for a real item", with_item(kFort2, 4, 13, "1")},
        {".9d+2 for 90.0", with_item(kFort2, 3, 1, ".9d+2")},
        {"+40 for 40", with_item(kFort2, 4, 12, "+40")},
        {"10 MB of surplus values", with_item(kFort2, 1, 7, "0.004 " + std::string(10'000'000, '1'))},
    };
    for (const auto& [name, fort2] : cases) {
        InputTexts texts = example();
        texts.fort2 = fort2;
        try {
            EXPECT_EQ(std::memcmp(read(texts).get(), base.get(), sizeof(RunState)), 0) << name;
        } catch (const InputError& e) {
            ADD_FAILURE() << name << ": " << e.what();
        }
    }
}

// Zones in order: cylinder 1 from record 8, cylinders 2 .. NCYL from the start
// table, then the intake receiver (record 9) and the exhaust receiver (record 10).
TEST(ReadInputs, FillsTheStartTableZoneByZone) {
    for (int ncyl : {1, 4, 12}) {
        InputTexts texts = example(ncyl);
        if (ncyl == 1) texts.fort14 = "not read \x01\n";
        if (ncyl == 4) texts.fort14 = fort14_rows(5) + "rows beyond NCYL-1 are never read\n";
        const auto s = read(texts);
        EXPECT_EQ(s->NZONE, ncyl + 2);
        EXPECT_EQ(s->MASS0[1], 8.8E-4f) << ncyl;
        for (int k = 2; k <= ncyl; ++k) EXPECT_EQ(s->TEMP0[k], static_cast<float>(299 + k)) << ncyl << " zone " << k;
        EXPECT_EQ(s->VOL[ncyl + 1], 0.004f);
        EXPECT_EQ(s->TEMP0[ncyl + 1], 293.0f) << ncyl;
        EXPECT_EQ(s->VOL[ncyl + 2], 0.004f);
        EXPECT_EQ(s->TEMP0[ncyl + 2], 700.0f) << ncyl;
        for (int k = ncyl + 3; k <= kZoneSlots; ++k) EXPECT_EQ(s->MASS0[k], 0.0f) << ncyl << " zone " << k;
    }
}

TEST(ReadInputs, FailedReadLeavesTheStateAsItWas) {
    RunState s{};
    s.SPEED = 123.0f;
    InputTexts texts = example();
    texts.fort2 = first_lines(kFort2, 9);
    EXPECT_THROW(read_inputs(s, texts), InputError);
    EXPECT_EQ(s.SPEED, 123.0f);
    EXPECT_EQ(s.BORE, 0.0f);
    EXPECT_EQ(s.NZONE, 0);
}

using Change = std::function<void(InputTexts&)>;
Change fort2_item(int record, int item, std::string value) {
    return [=](InputTexts& t) { t.fort2 = with_item(kFort2, record, item, value); };
}
Change fort3_item(int item, std::string value) {
    return [=](InputTexts& t) { t.fort3 = with_item(kFort3, 1, item, value); };
}
Change cylinders(int ncyl, Change then = [](InputTexts&) {}) {
    return [=](InputTexts& t) {
        t = example(ncyl);
        then(t);
    };
}
Change fort14(int ncyl, std::string text) {
    return cylinders(ncyl, [=](InputTexts& t) { t.fort14 = text; });
}

// Every input the reader refuses, and the values just inside each limit. The
// message is the whole line, or its start when `expected` ends in '*'; `rule`
// must appear in it too.
TEST(ReadInputs, RefusesBadInputNamingFileRecordAndItem) {
    const std::string ff3 = "fort3.dat (unit 3), record 1, ";
    const std::string ff2 = "fort2.dat (unit 2), record ";
    const std::string ff14 = "fort14.dat (unit 14), row ";
    const std::string ends = ": file ends before the record is complete";
    const std::string garbage = std::string("\x00\x01\x7f\xff\xfe garbage\0\0\n", 16);
    const std::string ncylWhy = "NCYL must be between 1 and 12; the zone arrays hold 14 zones";
    const char* dphiWhy = "DPHI must lie between 720/821 and 1 degree";
    const char* ivcWhy = "trunc(IVC - 540), must lie between 1 and 821";
    const char* ncyleWhy = "NCYLE must be between 0 and 720";
    const struct {
        const char* name;
        Change change;
        std::string expected;  // "": accepted
        const char* rule = "";
    } cases[] = {
        // Missing files and records.
        {"fort3 missing", [](InputTexts& t) { t.fort3.reset(); }, "fort3.dat (unit 3): file is missing"},
        {"fort2 missing", [](InputTexts& t) { t.fort2.reset(); }, "fort2.dat (unit 2): file is missing"},
        {"fort14 missing", cylinders(2, [](InputTexts& t) { t.fort14.reset(); }),
         "fort14.dat (unit 14): file is missing; it holds the start states of cylinders 2 to 2"},
        {"fort3 truncated", [](InputTexts& t) { t.fort3 = "2000.0  2  7.0  3.5\n"; }, ff3 + "item 5 (NCYL)" + ends},
        {"fort2 without record 10", [](InputTexts& t) { t.fort2 = first_lines(kFort2, 9); },
         ff2 + "10 (start state of the exhaust receiver), item 1 (MASS0)" + ends},
        {"fort14 short of rows", fort14(3, fort14_rows(1)),
         ff14 + "2 (start state of cylinder 3), item 1 (mass): file ends before the row is complete"},
        {"fort14 row truncated", fort14(2, "1.0E-4 300.0\n"),
         ff14 + "1 (start state of cylinder 2), item 3 (equivalence ratio): file ends before the row is complete"},
        // Items that do not parse as their type.
        {"letters in DPHI", fort2_item(4, 13, "1.0x"), ff2 + "4, item 13 (DPHI): \"1.0x\" is not a real number"},
        {"letters in a start-table row", fort14(4, fort14_rows(1) + "abc 300 0\n"),
         ff14 + "2 (start state of cylinder 3), item 1 (mass): \"abc\" is not a real number"},
        {"NCYL written as a real", fort3_item(5, "1.0"), ff3 + "item 5 (NCYL): \"1.0\" is not an integer"},
        {"MAXCYC beyond int32", fort2_item(4, 12, "99999999999"),
         ff2 + "4, item 12 (MAXCYC): \"99999999999\" is outside the integer range -2147483648 to 2147483647"},
        {"two commas", fort2_item(5, 2, "50.0,,"), ff2 + "5, item 3 (LPIST): an empty value is not a real number"},
        {"nan", fort2_item(8, 2, "nan"), ff2 + "8 (start state of cylinder 1), item 2 (TEMP0): \"nan\" is not a real number"},
        {"1E39", fort2_item(1, 1, "1E39"), ff2 + "1, item 1 (BORE): \"1E39\" is too large for a 32-bit real number"},
        // Values the run cannot work with, and the last ones it can.
        {"NCYL 0", fort3_item(5, "0"), ff3 + "item 5 (NCYL): \"0\" is not accepted: " + ncylWhy},
        {"NCYL 13", fort3_item(5, "13"), ff3 + "item 5 (NCYL): \"13\" is not accepted: " + ncylWhy},
        {"NCYL 12", cylinders(12), ""},
        {"DPHI 0.5", fort2_item(4, 13, "0.5"), ff2 + "4, item 13 (DPHI): \"0.5\" is not accepted: " + dphiWhy + "*"},
        {"DPHI 0.8769", fort2_item(4, 13, "0.8769"), ff2 + "4, item 13 (DPHI): \"0.8769\"*", dphiWhy},
        {"DPHI 0.878", fort2_item(4, 13, "0.878"), ""},
        {"DPHI 1.01", fort2_item(4, 13, "1.01"), ff2 + "4, item 13 (DPHI): \"1.01\"*", dphiWhy},
        {"ANGST far out", fort2_item(4, 2, "5.0E7"), ff2 + "4, item 2 (ANGST): \"5.0E7\" is not accepted*",
         "ANGST must lie between -100000 and 100000 degrees"},
        {"ITMAX huge", fort2_item(4, 14, "2147483647"), ff2 + "4, item 14 (ITMAX): \"2147483647\" is not accepted*",
         "ITMAX must not exceed 1000"},
        {"IVC 540 (KIVC 0)", fort2_item(3, 3, "540.0"), ff2 + "3, item 3 (IVC): \"540.0\" is not accepted*", ivcWhy},
        {"IVC 541", fort2_item(3, 3, "541"), ""},
        {"IVC 1361.9", fort2_item(3, 3, "1361.9"), ""},
        {"IVC 1362 (KIVC 822)", fort2_item(3, 3, "1362"), ff2 + "3, item 3 (IVC): \"1362\"*", ivcWhy},
        {"IVC beyond int32", fort2_item(3, 3, "3E38"), ff2 + "3, item 3 (IVC): \"3E38\"*", ivcWhy},
        {"NCYLE -1", fort2_item(1, 4, "-1"), ff2 + "1, item 4 (NCYLE): \"-1\" is not accepted*", ncyleWhy},
        {"NCYLE 0", fort2_item(1, 4, "0"), ""},
        {"NCYLE 720", fort2_item(1, 4, "720"), ""},
        {"NCYLE 721", cylinders(2, fort2_item(1, 4, "721")), ff2 + "1, item 4 (NCYLE): \"721\"*", ncyleWhy},
        {"NCYLE unused with 3 cylinders", cylinders(3, fort2_item(1, 4, "-5")), ""},
        {"zero exhaust EQR0", fort2_item(10, 3, "0.0"),
         ff2 + "10 (start state of the exhaust receiver), item 3 (EQR0): \"0.0\" is not accepted*",
         "must be greater than 0"},
        {"negative cylinder EQR0", fort2_item(8, 3, "-0.1"), ""},  // only the exhaust receiver's EQR0 divides
        {"zero cylinder-1 mass", fort2_item(8, 1, "0.0"),
         ff2 + "8 (start state of cylinder 1), item 1 (MASS0): \"0.0\" is not accepted: a zone's start mass must be "
               "greater than 0 kg"},
        {"underflow to a zero mass", fort2_item(8, 1, "1E-50"), ff2 + "8 (start state of cylinder 1), item 1*",
         "greater than 0 kg"},
        {"tiny positive mass", fort2_item(8, 1, "1.4E-45"), ""},
        {"negative intake-receiver mass", fort2_item(9, 1, "-4.7E-3"),
         ff2 + "9 (start state of the intake receiver), item 1 (MASS0): \"-4.7E-3\" is not accepted*"},
        {"zero intake-receiver temperature", fort2_item(9, 2, "0"),
         ff2 + "9 (start state of the intake receiver), item 2 (TEMP0): \"0\" is not accepted: a zone's start "
               "temperature must be greater than 0 K"},
        {"negative exhaust-receiver temperature", fort2_item(10, 2, "-700"),
         ff2 + "10 (start state of the exhaust receiver), item 2 (TEMP0)*", "greater than 0 K"},
        {"start table of zeros", fort14(3, fort14_rows(1) + "0.0 0.0 0.0\n"),
         ff14 + "2 (start state of cylinder 3), item 1 (mass): start table row 2 holds a zero mass; "
                "was it written by a run that ended before completing a cycle?"},
        {"start table negative mass", fort14(2, "-1.0E-4 300.0 0.0\n"),
         ff14 + "1 (start state of cylinder 2), item 1 (mass): \"-1.0E-4\" is not accepted: a zone's start mass must "
                "be greater than 0 kg"},
        // Hostile text: one short printable line whatever the input held.
        {"10 MB number", fort2_item(1, 1, std::string(10'000'000, '9')),
         ff2 + "1, item 1 (BORE): \"" + std::string(40, '9') +
             "...\" (10000000 characters) is too large for a 32-bit real number"},
        {"10 MB of blanks", [](InputTexts& t) { t.fort3 = std::string(10'000'000, ' '); }, ff3 + "item 1 (SPEED)" + ends},
        {"binary garbage in fort3", [&](InputTexts& t) { t.fort3 = garbage; },
         ff3 + "item 1 (SPEED): \"\\x00\\x01\\x7F\\xFF\\xFE\" is not a real number"},
        {"binary garbage in fort14", fort14(2, garbage), ff14 + "1 (start state of cylinder 2), item 1 (mass)*"},
        {"NUL inside a number", fort2_item(4, 13, std::string("1.\0", 3)),
         ff2 + "4, item 13 (DPHI): \"1.\\x00\" is not a real number"},
        {"UTF-8 byte order mark", [](InputTexts& t) { t.fort3 = "\xEF\xBB\xBF" + kFort3; },
         ff3 + "item 1 (SPEED): \"\\xEF\\xBB\\xBF2000.0\" is not a real number"},
    };
    for (const auto& c : cases) {
        InputTexts texts = example();
        c.change(texts);
        RunState s{};
        const auto start = std::chrono::steady_clock::now();
        try {
            read_inputs(s, texts);
            EXPECT_EQ(c.expected, "") << c.name << ": no error";
        } catch (const InputError& e) {
            const std::string message = e.what();
            if (c.expected.ends_with('*'))
                EXPECT_TRUE(message.starts_with(c.expected.substr(0, c.expected.size() - 1))) << c.name << ": " << message;
            else
                EXPECT_EQ(message, c.expected) << c.name;
            EXPECT_NE(message.find(c.rule), std::string::npos) << c.name << ": " << message;
            EXPECT_LT(message.size(), 400u) << c.name;
            for (char ch : message) EXPECT_TRUE(ch >= 0x20 && ch < 0x7f) << c.name << ": byte " << int(ch);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.name;
    }
}

}  // namespace
}  // namespace diesel
