#include "input/input_files.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "input/start_table.hpp"

namespace diesel {
namespace {

// The one-cylinder fixed-fuel example set.
const std::string kFort3 =
    R"(2000.0  2  7.0  3.5  1                                                   ! SPEED[rpm] MODE PETARG[bar] FUEL[10mm3] NCYL
)";

const std::string kFort2 =
    R"(0.100  0.100  0.160  4  17.0  0.004  0.004                               ! BORE STROKE CONROD[m] NCYLE CR VINL VEXR[m3]
0.010  0.012  0.0095  0.0125  0.060  6.0E-4  0.020  60.0  20000.0        ! SHEAD SPIST[m] AHEAD APIST AER AINF[m2] DRV[m] FRV[N] KRV[N/m]
90.0  340.0  576.0  130.0  370.0  7.0E-4  6.0E-4  6.0  75.0  0.8  1.0  0.5 ! TCOOL[C] IVO IVC EVO EVC[deg] AIMAX AEMAX[m2] SOC DURC0[deg] MWIEB0 TIDR EQRREF
2000.0  540.0  95000.0  95000.0  340.0  1.0  140.0  2.28  0.00324  1.35  1.34  40  1.0  8 ! SPEEDR[rpm] ANGST[deg] PIVC PREFM[Pa] TREFM[K] SWIRL CWOS CW1 K3 KAPPA PEXP MAXCYC DPHI[deg] ITMAX
3000.0  50.0  50.0  0.4  0.5  1.0  1.0  1.0                              ! HCOOL[W/m2K] LHEAD LPIST[W/mK] XDUREQ XDURN FAIN FAEX FA3
5.0  0.6  0.5  1.0  5.0  1.0                                             ! HCOOLC HCOOLX EQREX0 FRCR[bar] PIOFF[bar] FAINLS
0  1.2  0.05  8.0  1.0E-5  1.0E-8  0.01  0.1  2.0E-6  2.0E-6  0.0        ! IRES EQRMAX DPEMIN[bar] FUELMX[10mm3] TOLEQR TOLM[kg] TOLT[K] TOLPE[bar] TOLCYM TOLEXM[kg] RRES
8.8E-4  330.0  0.05                                                      ! cylinder 1 at ANGST: MASS0[kg] TEMP0[K] EQR0
4.7E-3  293.0  0.0                                                       ! intake receiver: MASS0[kg] TEMP0[K] EQR0
1.9E-3  700.0  0.40                                                      ! exhaust receiver: MASS0[kg] TEMP0[K] EQR0
)";

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string join_lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

// `text` with item `item` of line `line` (both 1-based) replaced by `value`;
// in the example files every record is one line, so that is the record's item.
std::string with_item(const std::string& text, int line, int item, const std::string& value) {
    auto lines = split_lines(text);
    std::string& l = lines.at(static_cast<std::size_t>(line - 1));
    std::size_t pos = 0;
    for (int i = 1;; ++i) {
        pos = l.find_first_not_of(' ', pos);
        const std::size_t end = l.find(' ', pos);
        if (i == item) {
            l.replace(pos, end - pos, value);
            break;
        }
        pos = end;
    }
    return join_lines(lines);
}

// The first `count` lines of `text`.
std::string first_lines(const std::string& text, int count) {
    auto lines = split_lines(text);
    lines.resize(static_cast<std::size_t>(count));
    return join_lines(lines);
}

// Start-table rows that tell their row apart: row r is r.0E-4 kg, 300+r K, r/100.
std::string fort14_rows(int count) {
    std::string text;
    for (int r = 1; r <= count; ++r)
        text += std::to_string(r) + ".0E-4  " + std::to_string(300 + r) + ".0  " + std::to_string(r) + "E-2\n";
    return text;
}

// The example set for NCYL cylinders, with a start table when it needs one.
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

uint32_t bits(float x) { return std::bit_cast<uint32_t>(x); }

TEST(ReadInputs, ReadsEveryRecordOfTheExampleSet) {
    const auto s = read(example());
    EXPECT_EQ(s->SPEED, 2000.0f);
    EXPECT_EQ(s->MODE, 2);
    EXPECT_EQ(s->PETARG, 7.0f);
    EXPECT_EQ(s->FUEL, 3.5f);
    EXPECT_EQ(s->NCYL, 1);
    EXPECT_EQ(s->NZONE, 3);
    EXPECT_EQ(s->BORE, 0.100f);
    EXPECT_EQ(s->NCYLE, 4);
    EXPECT_EQ(s->CR, 17.0f);
    EXPECT_EQ(s->VOL[1], 0.0f);
    EXPECT_EQ(s->VOL[2], 0.004f);
    EXPECT_EQ(s->VOL[3], 0.004f);
    EXPECT_EQ(s->KRV, 20000.0f);
    EXPECT_EQ(s->TCOOL, 90.0f);
    EXPECT_EQ(s->IVC, 576.0f);
    EXPECT_EQ(s->EQRREF, 0.5f);
    EXPECT_EQ(s->K3, 0.00324f);
    EXPECT_EQ(s->MAXCYC, 40);
    EXPECT_EQ(s->DPHI, 1.0f);
    EXPECT_EQ(s->ITMAX, 8);
    EXPECT_EQ(s->FA3, 1.0f);
    EXPECT_EQ(s->FAINLS, 1.0f);
    EXPECT_EQ(s->IRES, 0);
    EXPECT_EQ(s->TOLM, 1.0E-8f);
    EXPECT_EQ(s->RRES, 0.0f);
    const float mass0[] = {8.8E-4f, 4.7E-3f, 1.9E-3f}, temp0[] = {330.0f, 293.0f, 700.0f},
                eqr0[] = {0.05f, 0.0f, 0.40f};
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(s->MASS0[k], mass0[k - 1]) << k;
        EXPECT_EQ(s->TEMP0[k], temp0[k - 1]) << k;
        EXPECT_EQ(s->EQR0[k], eqr0[k - 1]) << k;
        // The working state starts from the table only at the first predictor.
        EXPECT_EQ(s->MASS[k], 0.0f);
        EXPECT_EQ(s->TEMP[k], 0.0f);
        EXPECT_EQ(s->EQR[k], 0.0f);
    }
}

// Layouts of the same values that must read to the identical state.
TEST(ReadInputs, EquivalentLayoutsReadAlike) {
    const auto base = read(example());
    const auto lines = split_lines(kFort2);
    std::string crlf;
    for (const auto& line : lines) crlf += line + "\r\n";
    std::string noComments;
    for (const auto& line : lines) noComments += line.substr(0, line.find('!')) + "\n";
    std::string commas = kFort2;
    for (std::size_t p = 0; (p = commas.find("  ", p)) != std::string::npos && p < commas.find('!');) commas[p++] = ',';

    const std::vector<std::pair<const char*, std::string>> cases = {
        {"record 4 over four lines with a blank line",
         join_lines({lines[0], lines[1], lines[2], "2000.0  540.0  95000.0", "", "  95000.0  340.0  1.0  140.0",
                     "2.28  0.00324\t1.35  1.34  40", "1.0  8 ! rest"}) +
             join_lines({lines.begin() + 4, lines.end()})},
        {"CRLF line ends", crlf},
        {"no comments", noComments},
        {"comma separators", commas},
        {"surplus values after the last item", with_item(kFort2, 8, 3, "0.05 7 8 9.9")},
        {"blank lines between records",
         join_lines({lines[0], "", lines[1], "   ", lines[2]}) + join_lines({lines.begin() + 3, lines.end()})},
        {"no line end after the last record", kFort2.substr(0, kFort2.size() - 1)},
        {"lines after the last record are never read", kFort2 + "garbage \x01\xff 1.0x\n"},
        {"1 for a real item", with_item(kFort2, 4, 13, "1")},
        {"90 for 90.0", with_item(kFort2, 3, 1, "90")},
        {"9.0E1 for 90.0", with_item(kFort2, 3, 1, "9.0E1")},
        {"9.0e1 for 90.0", with_item(kFort2, 3, 1, "9.0e1")},
        {"9.0D1 for 90.0", with_item(kFort2, 3, 1, "9.0D1")},
        {".9d+2 for 90.0", with_item(kFort2, 3, 1, ".9d+2")},
        {"+90. for 90.0", with_item(kFort2, 3, 1, "+90.")},
        {"1.0D-8 for 1.0E-8", with_item(kFort2, 7, 6, "1.0D-8")},
        {"+40 for 40", with_item(kFort2, 4, 12, "+40")},
        {"10 MB blank line before record 1", std::string(10'000'000, ' ') + "\n" + kFort2},
        {"10 MB of surplus values", with_item(kFort2, 1, 7, "0.004 " + std::string(10'000'000, '1'))},
    };
    for (const auto& [name, fort2] : cases) {
        InputTexts texts = example();
        texts.fort2 = fort2;
        std::unique_ptr<RunState> s;
        try {
            s = read(texts);
        } catch (const InputError& e) {
            ADD_FAILURE() << name << ": " << e.what();
            continue;
        }
        EXPECT_EQ(std::memcmp(s.get(), base.get(), sizeof(RunState)), 0) << name;
    }
    InputTexts crlf3 = example();
    crlf3.fort3 = "2000.0  2  7.0  3.5  1\r\n";
    EXPECT_EQ(std::memcmp(read(crlf3).get(), base.get(), sizeof(RunState)), 0) << "CRLF fort3.dat";
}

// Zone k takes record 8 (k = 1), rows 1 .. NCYL-1 of the start table
// (k = 2 .. NCYL), record 9 (k = NCYL+1) and record 10 (k = NCYL+2).
TEST(ReadInputs, FillsTheStartTableZoneByZone) {
    for (int ncyl : {1, 2, 4, 12}) {
        InputTexts texts = example(ncyl);
        if (ncyl == 1) texts.fort14 = "not read \x01\n";
        if (ncyl == 4) texts.fort14 = fort14_rows(5) + "rows beyond NCYL-1 are never read\n";
        const auto s = read(texts);
        EXPECT_EQ(s->NZONE, ncyl + 2);
        EXPECT_EQ(s->MASS0[1], 8.8E-4f) << ncyl;
        for (int k = 2; k <= ncyl; ++k) {
            const int row = k - 1;
            EXPECT_EQ(s->MASS0[k], std::strtof((std::to_string(row) + ".0E-4").c_str(), nullptr))
                << ncyl << " zone " << k;
            EXPECT_EQ(s->TEMP0[k], static_cast<float>(300 + row)) << ncyl << " zone " << k;
            EXPECT_EQ(s->EQR0[k], std::strtof((std::to_string(row) + "E-2").c_str(), nullptr)) << ncyl << " zone " << k;
        }
        EXPECT_EQ(s->VOL[ncyl + 1], 0.004f);
        EXPECT_EQ(s->VOL[ncyl + 2], 0.004f);
        EXPECT_EQ(s->MASS0[ncyl + 1], 4.7E-3f) << ncyl;
        EXPECT_EQ(s->TEMP0[ncyl + 1], 293.0f) << ncyl;
        EXPECT_EQ(s->MASS0[ncyl + 2], 1.9E-3f) << ncyl;
        EXPECT_EQ(s->EQR0[ncyl + 2], 0.40f) << ncyl;
        for (int k = ncyl + 3; k <= kZoneSlots; ++k) EXPECT_EQ(s->MASS0[k], 0.0f) << ncyl << " zone " << k;
    }
    // Twelve cylinders fill every zone slot: receivers in zones 13 and 14.
    const auto s = read(example(12));
    EXPECT_EQ(s->TEMP0[12], 311.0f);
    EXPECT_EQ(s->TEMP0[13], 293.0f);
    EXPECT_EQ(s->TEMP0[14], 700.0f);
}

TEST(ReadInputs, FailedReadLeavesTheStateAsItWas) {
    RunState s{};
    s.SPEED = 123.0f;
    s.MASS0[1] = 5.0f;
    InputTexts texts = example();
    texts.fort2 = first_lines(kFort2, 9);
    EXPECT_THROW(read_inputs(s, texts), InputError);
    EXPECT_EQ(s.SPEED, 123.0f);
    EXPECT_EQ(s.MASS0[1], 5.0f);
    EXPECT_EQ(s.BORE, 0.0f);
    EXPECT_EQ(s.NZONE, 0);
}

TEST(ReadInputs, AcceptsValuesAtTheEdgesOfTheirRanges) {
    const std::vector<std::pair<const char*, InputTexts>> cases = {
        {"DPHI 0.878",
         [] {
             auto t = example();
             t.fort2 = with_item(kFort2, 4, 13, "0.878");
             return t;
         }()},
        {"IVC 541",
         [] {
             auto t = example();
             t.fort2 = with_item(kFort2, 3, 3, "541");
             return t;
         }()},
        {"IVC 1361.9",
         [] {
             auto t = example();
             t.fort2 = with_item(kFort2, 3, 3, "1361.9");
             return t;
         }()},
        {"NCYLE 0",
         [] {
             auto t = example();
             t.fort2 = with_item(kFort2, 1, 4, "0");
             return t;
         }()},
        {"NCYLE 720",
         [] {
             auto t = example();
             t.fort2 = with_item(kFort2, 1, 4, "720");
             return t;
         }()},
        {"NCYLE unused with 3 cylinders",
         [] {
             auto t = example(3);
             t.fort2 = with_item(kFort2, 1, 4, "-5");
             return t;
         }()},
        {"negative start EQR of cylinder 1",
         [] {
             auto t = example();
             t.fort2 = with_item(kFort2, 8, 3, "-0.1");
             return t;
         }()},
        {"tiny positive start mass",
         [] {
             auto t = example();
             t.fort2 = with_item(kFort2, 8, 1, "1.4E-45");
             return t;
         }()},
    };
    for (const auto& [name, texts] : cases) {
        try {
            read(texts);
        } catch (const InputError& e) {
            ADD_FAILURE() << name << ": " << e.what();
        }
    }
}

struct BadCase {
    const char* name;
    std::function<void(InputTexts&)> change;
    std::string expected;  // the whole message, or its start when `prefixOnly`
    bool prefixOnly = false;
    const char* phrase = "";  // must also appear in the message
};

std::function<void(InputTexts&)> fort2_item(int record, int item, std::string value) {
    return [=](InputTexts& t) { t.fort2 = with_item(kFort2, record, item, value); };
}
std::function<void(InputTexts&)> fort3_item(int item, std::string value) {
    return [=](InputTexts& t) { t.fort3 = with_item(kFort3, 1, item, value); };
}
std::function<void(InputTexts&)> cylinders(int ncyl, std::function<void(InputTexts&)> then) {
    return [=](InputTexts& t) {
        t = example(ncyl);
        then(t);
    };
}

const char* const kNcylWhy = "NCYL must be between 1 and 12; the zone arrays hold 14 zones";
const char* const kDphiWhy = "DPHI must lie between 720/821 and 1 degree";
const char* const kIvcWhy = "trunc(IVC - 540), must lie between 1 and 821";

TEST(ReadInputs, RejectsBadInputNamingFileRecordAndItem) {
    const std::string ff3 = "fort3.dat (unit 3), record 1, ";
    const std::string ff2 = "fort2.dat (unit 2), record ";
    const std::string ff14 = "fort14.dat (unit 14), row ";
    const std::string garbage = std::string("\x00\x01\x7f\xff\xfe garbage\0\0\n", 16);
    const std::vector<BadCase> cases = {
        // Missing files and records.
        {"fort3 missing", [](InputTexts& t) { t.fort3.reset(); }, "fort3.dat (unit 3): file is missing"},
        {"fort2 missing", [](InputTexts& t) { t.fort2.reset(); }, "fort2.dat (unit 2): file is missing"},
        {"fort14 missing with 2 cylinders", cylinders(2, [](InputTexts& t) { t.fort14.reset(); }),
         "fort14.dat (unit 14): file is missing; it holds the start states of cylinders 2 to 2"},
        {"fort3 empty", [](InputTexts& t) { t.fort3 = ""; },
         ff3 + "item 1 (SPEED): file ends before the record is complete"},
        {"fort3 truncated", [](InputTexts& t) { t.fort3 = "2000.0  2  7.0  3.5\n"; },
         ff3 + "item 5 (NCYL): file ends before the record is complete"},
        {"fort2 record 7 truncated",
         [](InputTexts& t) { t.fort2 = first_lines(kFort2, 6) + "0  1.2  0.05  8.0  1.0E-5  1.0E-8  0.01  0.1\n"; },
         ff2 + "7, item 9 (TOLCYM): file ends before the record is complete"},
        {"fort2 without record 10", [](InputTexts& t) { t.fort2 = first_lines(kFort2, 9); },
         ff2 + "10 (start state of the exhaust receiver), item 1 (MASS0): file ends before the record is complete"},
        {"fort14 short of rows", cylinders(3, [](InputTexts& t) { t.fort14 = fort14_rows(1); }),
         ff14 + "2 (start state of cylinder 3), item 1 (mass): file ends before the row is complete"},
        {"fort14 row truncated", cylinders(2, [](InputTexts& t) { t.fort14 = "1.0E-4 300.0\n"; }),
         ff14 + "1 (start state of cylinder 2), item 3 (equivalence ratio): file ends before the row is complete"},
        // Items that do not parse as their type.
        {"letters in DPHI", fort2_item(4, 13, "1.0x"), ff2 + "4, item 13 (DPHI): \"1.0x\" is not a real number"},
        {"letters in a start-table row", cylinders(4, [](InputTexts& t) { t.fort14 = fort14_rows(1) + "abc 300 0\n"; }),
         ff14 + "2 (start state of cylinder 3), item 1 (mass): \"abc\" is not a real number"},
        {"NCYL written as a real", fort3_item(5, "1.0"), ff3 + "item 5 (NCYL): \"1.0\" is not an integer"},
        {"MODE in exponent form", fort3_item(2, "2E0"), ff3 + "item 2 (MODE): \"2E0\" is not an integer"},
        {"NCYLE written as a real", fort2_item(1, 4, "4.0"), ff2 + "1, item 4 (NCYLE): \"4.0\" is not an integer"},
        {"MAXCYC written as a real", fort2_item(4, 12, "40."), ff2 + "4, item 12 (MAXCYC): \"40.\" is not an integer"},
        {"MAXCYC beyond int32", fort2_item(4, 12, "99999999999"),
         ff2 + "4, item 12 (MAXCYC): \"99999999999\" is outside the integer range -2147483648 to 2147483647"},
        {"IRES letters", fort2_item(7, 1, "zero"), ff2 + "7, item 1 (IRES): \"zero\" is not an integer"},
        {"two commas", fort2_item(5, 2, "50.0,,"), ff2 + "5, item 3 (LPIST): an empty value is not a real number"},
        {"inf", fort3_item(1, "inf"), ff3 + "item 1 (SPEED): \"inf\" is not a real number"},
        {"nan", fort2_item(8, 2, "nan"),
         ff2 + "8 (start state of cylinder 1), item 2 (TEMP0): \"nan\" is not a real number"},
        {"hex float", fort2_item(2, 1, "0x1p-7"), ff2 + "2, item 1 (SHEAD): \"0x1p-7\" is not a real number"},
        {"1E39", fort2_item(1, 1, "1E39"), ff2 + "1, item 1 (BORE): \"1E39\" is too large for a 32-bit real number"},
        {"-1D39", fort2_item(6, 4, "-1D39"), ff2 + "6, item 4 (FRCR): \"-1D39\" is too large for a 32-bit real number"},
        // Values the run cannot work with.
        {"NCYL 0", fort3_item(5, "0"), ff3 + "item 5 (NCYL): \"0\" is not accepted: " + kNcylWhy},
        {"NCYL 13", fort3_item(5, "13"), ff3 + "item 5 (NCYL): \"13\" is not accepted: " + kNcylWhy},
        {"NCYL -2147483648", fort3_item(5, "-2147483648"),
         ff3 + "item 5 (NCYL): \"-2147483648\" is not accepted: " + kNcylWhy},
        {"DPHI 0.5", fort2_item(4, 13, "0.5"), ff2 + "4, item 13 (DPHI): \"0.5\" is not accepted: " + kDphiWhy, true},
        {"DPHI 0.8769", fort2_item(4, 13, "0.8769"), ff2 + "4, item 13 (DPHI): \"0.8769\"", true, kDphiWhy},
        {"DPHI 1.01", fort2_item(4, 13, "1.01"), ff2 + "4, item 13 (DPHI): \"1.01\"", true, kDphiWhy},
        {"DPHI 0", fort2_item(4, 13, "0"), ff2 + "4, item 13 (DPHI): \"0\"", true, kDphiWhy},
        {"DPHI negative", fort2_item(4, 13, "-1.0"), ff2 + "4, item 13 (DPHI): \"-1.0\"", true, kDphiWhy},
        {"ANGST far out", fort2_item(4, 2, "5.0E7"), ff2 + "4, item 2 (ANGST): \"5.0E7\" is not accepted", true,
         "ANGST must lie between -100000 and 100000 degrees"},
        {"ITMAX huge", fort2_item(4, 14, "2147483647"), ff2 + "4, item 14 (ITMAX): \"2147483647\" is not accepted",
         true, "ITMAX must not exceed 1000"},
        {"IVC 540 (KIVC 0)", fort2_item(3, 3, "540.0"), ff2 + "3, item 3 (IVC): \"540.0\" is not accepted", true,
         kIvcWhy},
        {"IVC 540.99", fort2_item(3, 3, "540.99"), ff2 + "3, item 3 (IVC): \"540.99\"", true, kIvcWhy},
        {"IVC 1362 (KIVC 822)", fort2_item(3, 3, "1362"), ff2 + "3, item 3 (IVC): \"1362\"", true, kIvcWhy},
        {"IVC huge", fort2_item(3, 3, "3E38"), ff2 + "3, item 3 (IVC): \"3E38\"", true, kIvcWhy},
        {"IVC hugely negative", fort2_item(3, 3, "-3.4E38"), ff2 + "3, item 3 (IVC): \"-3.4E38\"", true, kIvcWhy},
        {"NCYLE -1 with 1 cylinder", fort2_item(1, 4, "-1"), ff2 + "1, item 4 (NCYLE): \"-1\" is not accepted", true,
         "NCYLE must be between 0 and 720"},
        {"NCYLE 721 with 2 cylinders", cylinders(2, fort2_item(1, 4, "721")), ff2 + "1, item 4 (NCYLE): \"721\"", true,
         "NCYLE must be between 0 and 720"},
        {"zero exhaust EQR0", fort2_item(10, 3, "0.0"),
         ff2 + "10 (start state of the exhaust receiver), item 3 (EQR0): \"0.0\" is not accepted", true,
         "must be greater than 0"},
        {"negative exhaust EQR0", fort2_item(10, 3, "-0.4"),
         ff2 + "10 (start state of the exhaust receiver), item 3 (EQR0)", true, "must be greater than 0"},
        {"zero cylinder-1 mass", fort2_item(8, 1, "0.0"),
         ff2 + "8 (start state of cylinder 1), item 1 (MASS0): \"0.0\" is not accepted: a zone's start mass must be "
               "greater than 0 kg"},
        {"negative intake-receiver mass", fort2_item(9, 1, "-4.7E-3"),
         ff2 + "9 (start state of the intake receiver), item 1 (MASS0): \"-4.7E-3\" is not accepted", true},
        {"zero intake-receiver temperature", fort2_item(9, 2, "0"),
         ff2 + "9 (start state of the intake receiver), item 2 (TEMP0): \"0\" is not accepted: a zone's start "
               "temperature must be greater than 0 K"},
        {"negative exhaust-receiver temperature", fort2_item(10, 2, "-700"),
         ff2 + "10 (start state of the exhaust receiver), item 2 (TEMP0)", true, "greater than 0 K"},
        {"underflow to a zero mass", fort2_item(8, 1, "1E-50"), ff2 + "8 (start state of cylinder 1), item 1 (MASS0)",
         true, "greater than 0 kg"},
        {"start table of zeros", cylinders(3, [](InputTexts& t) { t.fort14 = fort14_rows(1) + "0.0 0.0 0.0\n"; }),
         ff14 + "2 (start state of cylinder 3), item 1 (mass): start table row 2 holds a zero mass; was it written by "
                "a run that ended before completing a cycle?"},
        {"start table zero temperature", cylinders(2, [](InputTexts& t) { t.fort14 = "1.0E-4 0.0 0.0\n"; }),
         ff14 + "1 (start state of cylinder 2), item 2 (temperature): start table row 1 holds a zero temperature; was "
                "it written by a run that ended before completing a cycle?"},
        {"start table negative mass", cylinders(2, [](InputTexts& t) { t.fort14 = "-1.0E-4 300.0 0.0\n"; }),
         ff14 + "1 (start state of cylinder 2), item 1 (mass): \"-1.0E-4\" is not accepted: a zone's start mass must "
                "be greater than 0 kg"},
        // Hostile text.
        {"10 MB number", fort2_item(1, 1, std::string(10'000'000, '9')),
         ff2 + "1, item 1 (BORE): \"" + std::string(40, '9') +
             "...\" (10000000 characters) is too large for a 32-bit "
             "real number"},
        {"10 MB word", fort3_item(3, std::string(10'000'000, 'x')),
         ff3 + "item 3 (PETARG): \"" + std::string(40, 'x') + "...\" (10000000 characters) is not a real number"},
        {"10 MB of blanks", [](InputTexts& t) { t.fort3 = std::string(10'000'000, ' '); },
         ff3 + "item 1 (SPEED): file ends before the record is complete"},
        {"binary garbage in fort3", [&](InputTexts& t) { t.fort3 = garbage; },
         ff3 + "item 1 (SPEED): \"\\x00\\x01\\x7F\\xFF\\xFE\" is not a real number"},
        {"binary garbage in fort2", [&](InputTexts& t) { t.fort2 = garbage + kFort2; }, ff2 + "1, item 1 (BORE)", true},
        {"binary garbage in fort14", cylinders(2, [&](InputTexts& t) { t.fort14 = garbage; }),
         ff14 + "1 (start state of cylinder 2), item 1 (mass)", true},
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
            ADD_FAILURE() << c.name << ": no error";
            continue;
        } catch (const InputError& e) {
            const std::string message = e.what();
            if (c.prefixOnly)
                EXPECT_EQ(message.substr(0, c.expected.size()), c.expected) << c.name << "\n  got: " << message;
            else
                EXPECT_EQ(message, c.expected) << c.name;
            EXPECT_NE(message.find(c.phrase), std::string::npos) << c.name << "\n  got: " << message;
            // One line of printable text of modest length, whatever the input held.
            EXPECT_LT(message.size(), 400u) << c.name;
            for (char ch : message) EXPECT_TRUE(ch >= 0x20 && ch < 0x7f) << c.name << ": byte " << int(ch);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.name;
    }
}

// A table written by a one-cylinder run reads back bit for bit as the start
// states of cylinders 2 .. NCYLE of the next run.
TEST(StartTableRoundTrip, RowsReadBackToTheIdenticalFloats) {
    RunState writer{};
    uint32_t x = 12345u;
    const auto next = [&x] {
        x = x * 1664525u + 1013904223u;  // any float pattern, every exponent
        return x;
    };
    for (int i = 1; i <= kHistorySlots; ++i) {
        writer.TRMASS[i] = std::bit_cast<float>(next() % 0x7F7FFFFFu + 1u);  // positive, finite, subnormals too
        writer.TRTEMP[i] = std::bit_cast<float>(next() % 0x7F7FFFFFu + 1u);
        writer.TREQR[i] = std::bit_cast<float>(next() % 0x7F800000u | (next() & 0x80000000u));
    }
    writer.TRMASS[180] = 1.0000001f;  // a few hand-picked awkward values
    writer.TRTEMP[180] = 3.4028235e38f;
    writer.TREQR[180] = -0.0f;
    writer.TRMASS[360] = 1.4e-45f;
    writer.TRTEMP[360] = 1.17549435e-38f;
    writer.TREQR[360] = 0.1f;

    for (int ncyle : {4, 7, 1}) {
        writer.NCYLE = ncyle;
        const std::string table = start_table_text(writer);
        InputTexts texts{with_item(kFort3, 1, 5, std::to_string(ncyle)), with_item(kFort2, 1, 4, std::to_string(ncyle)),
                         table};
        const auto s = read(texts);
        const int spacing = 720 / ncyle;
        EXPECT_EQ(static_cast<int>(split_lines(table).size()), ncyle - 1) << ncyle;
        for (int j = 1; j < ncyle; ++j) {
            EXPECT_EQ(bits(s->MASS0[j + 1]), bits(writer.TRMASS[j * spacing])) << ncyle << " row " << j;
            EXPECT_EQ(bits(s->TEMP0[j + 1]), bits(writer.TRTEMP[j * spacing])) << ncyle << " row " << j;
            EXPECT_EQ(bits(s->EQR0[j + 1]), bits(writer.TREQR[j * spacing])) << ncyle << " row " << j;
        }
    }
}

}  // namespace
}  // namespace diesel
