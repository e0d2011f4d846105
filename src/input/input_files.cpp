#include "input/input_files.hpp"

#include <cmath>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/free_format.hpp"

namespace diesel {

namespace {

// One item of a record: its name for messages and where its value goes.
struct Item {
    const char* name;
    int32_t* integer;  // set for an INTEGER item
    float* real;       // set for a REAL item
};

Item integer_item(const char* name, int32_t& target) { return {name, &target, nullptr}; }
Item real_item(const char* name, float& target) { return {name, nullptr, &target}; }

// Which record of a file is being read, as a message names it:
// "record 4" or "row 2 (start state of cylinder 3)".
struct RecordRef {
    const char* kind;  // "record" or "row"
    int32_t number;
    std::string note;  // optional parenthesised description
};

// One input file being read record by record; every failure names the file,
// its unit, the record and the item.
class InputFile {
public:
    InputFile(const char* name, int32_t unit, const std::optional<std::string>& text)
        : name_(name), unit_(unit), text_(text), reader_(text ? std::string_view(*text) : std::string_view{}) {}

    // Reads one record into `items` and returns the item texts (for messages
    // about values that parse but cannot be run with).
    std::vector<std::string_view> read(const RecordRef& record, std::initializer_list<Item> items,
                                       const char* missingWhy = nullptr) {
        if (!text_) {
            std::string message = file_prefix() + ": file is missing";
            if (missingWhy) message += std::string("; ") + missingWhy;
            throw InputError(message);
        }
        reader_.start_record();
        std::vector<std::string_view> texts;
        texts.reserve(items.size());
        int32_t index = 0;
        for (const Item& item : items) {
            ++index;
            const std::optional<std::string_view> text = reader_.next_item();
            if (!text)
                fail(record, index, item.name, std::string("file ends before the ") + record.kind + " is complete");
            const char* type = item.integer ? "an integer" : "a real number";
            if (text->empty()) fail(record, index, item.name, std::string("an empty value is not ") + type);
            const NumberStatus status =
                item.integer ? parse_integer(*text, *item.integer) : parse_real(*text, *item.real);
            if (status == NumberStatus::Malformed)
                fail(record, index, item.name, quote_item(*text) + " is not " + type);
            if (status == NumberStatus::OutOfRange)
                fail(record, index, item.name,
                     quote_item(*text) + (item.integer ? " is outside the integer range -2147483648 to 2147483647"
                                                       : " is too large for a 32-bit real number"));
            texts.push_back(*text);
        }
        return texts;
    }

    [[noreturn]] void fail(const RecordRef& record, int32_t item, const char* itemName, const std::string& why) const {
        std::string message = file_prefix() + ", " + record.kind + " " + std::to_string(record.number);
        if (!record.note.empty()) message += " (" + record.note + ")";
        message += ", item " + std::to_string(item) + " (" + itemName + "): " + why;
        if (text_ && has_cr_only_line_ends(*text_))
            message += "; the file's lines end in a carriage return alone (CR, as on old Macs), which is no line end "
                       "here, so the file reads as one line: convert it to LF or CRLF line ends";
        throw InputError(message);
    }

private:
    std::string file_prefix() const { return std::string(name_) + " (unit " + std::to_string(unit_) + ")"; }

    const char* name_;
    int32_t unit_;
    const std::optional<std::string>& text_;
    FreeFormatReader reader_;
};

std::string not_accepted(std::string_view text, const char* why) {
    return quote_item(text) + " is not accepted: " + why;
}

// A start state the run can begin from: mass and temperature above zero. A
// table row of zeros is what a run that stopped inside its first cycle writes.
void check_start_state(const InputFile& file, const RecordRef& record, bool fromStartTable, float mass, float temp,
                       const std::vector<std::string_view>& texts, const char* massName, const char* tempName) {
    const auto check = [&](float value, int32_t item, const char* name, const char* quantity, const char* why) {
        if (value > 0.0f) return;
        if (fromStartTable && value == 0.0f)
            file.fail(record, item, name,
                      "start table row " + std::to_string(record.number) + " holds a zero " + quantity +
                          "; was it written by a run that ended before completing a cycle?");
        file.fail(record, item, name, not_accepted(texts[static_cast<std::size_t>(item - 1)], why));
    };
    check(mass, 1, massName, "mass", "a zone's start mass must be greater than 0 kg");
    check(temp, 2, tempName, "temperature", "a zone's start temperature must be greater than 0 K");
}

void read_all(RunState& s, const InputTexts& texts) {
    // ---- "fort3.dat": the operating point -------------------------------
    InputFile fort3("fort3.dat", 3, texts.fort3);
    {
        const RecordRef rec{"record", 1, ""};
        const auto t =
            fort3.read(rec, {real_item("SPEED", s.SPEED), integer_item("MODE", s.MODE), real_item("PETARG", s.PETARG),
                             real_item("FUEL", s.FUEL), integer_item("NCYL", s.NCYL)});
        // NCYL indexes the zone arrays from here on.
        if (s.NCYL < 1 || s.NCYL > kMaxCylinders)
            fort3.fail(rec, 5, "NCYL",
                       not_accepted(t[4], "NCYL must be between 1 and 12; the zone arrays hold 14 zones"));
    }
    const int32_t ncyl = s.NCYL;
    s.NZONE = ncyl + 2;

    // ---- "fort2.dat" records 1 to 7: engine, model constants, run control --
    InputFile fort2("fort2.dat", 2, texts.fort2);
    {
        const RecordRef rec{"record", 1, ""};
        const auto t =
            fort2.read(rec, {real_item("BORE", s.BORE), real_item("STROKE", s.STROKE), real_item("CONROD", s.CONROD),
                             integer_item("NCYLE", s.NCYLE), real_item("CR", s.CR), real_item("VINL", s.VOL[ncyl + 1]),
                             real_item("VEXR", s.VOL[ncyl + 2])});
        // Only a run of one or two cylinders writes the start table, with a row
        // spacing of 720 div NCYLE.
        if (ncyl <= 2 && (s.NCYLE < 0 || s.NCYLE > 720))
            fort2.fail(rec, 4, "NCYLE",
                       not_accepted(t[3],
                                    "NCYLE must be between 0 and 720 when NCYL is 1 or 2; the start table "
                                    "written at the end has rows 720 div NCYLE history steps apart"));
    }
    fort2.read({"record", 2, ""},
               {real_item("SHEAD", s.SHEAD), real_item("SPIST", s.SPIST), real_item("AHEAD", s.AHEAD),
                real_item("APIST", s.APIST), real_item("AER", s.AER), real_item("AINF", s.AINF),
                real_item("DRV", s.DRV), real_item("FRV", s.FRV), real_item("KRV", s.KRV)});
    {
        const RecordRef rec{"record", 3, ""};
        const auto t =
            fort2.read(rec, {real_item("TCOOL", s.TCOOL), real_item("IVO", s.IVO), real_item("IVC", s.IVC),
                             real_item("EVO", s.EVO), real_item("EVC", s.EVC), real_item("AIMAX", s.AIMAX),
                             real_item("AEMAX", s.AEMAX), real_item("SOC", s.SOC), real_item("DURC0", s.DURC0),
                             real_item("MWIEB0", s.MWIEB0), real_item("TIDR", s.TIDR), real_item("EQRREF", s.EQRREF)});
        // KIVC = trunc(IVC - 540) indexes the history: 1 .. 821 exactly when
        // IVC - 540 lies in [1, 822). Checked as a float, never converted.
        const float sinceStart = s.IVC - 540.0f;
        if (!std::isfinite(sinceStart) || sinceStart < 1.0f || sinceStart >= 822.0f)
            fort2.fail(rec, 3, "IVC",
                       not_accepted(t[2],
                                    "the history index of intake closing, trunc(IVC - 540), must lie "
                                    "between 1 and 821"));
    }
    {
        const RecordRef rec{"record", 4, ""};
        const auto t =
            fort2.read(rec, {real_item("SPEEDR", s.SPEEDR), real_item("ANGST", s.ANGST), real_item("PIVC", s.PIVC),
                             real_item("PREFM", s.PREFM), real_item("TREFM", s.TREFM), real_item("SWIRL", s.SWIRL),
                             real_item("CWOS", s.CWOS), real_item("CW1", s.CW1), real_item("K3", s.K3),
                             real_item("KAPPA", s.KAPPA), real_item("PEXP", s.PEXP), integer_item("MAXCYC", s.MAXCYC),
                             real_item("DPHI", s.DPHI), integer_item("ITMAX", s.ITMAX)});
        // One history entry per DPHI: a cycle of 720 degrees must fit the 821
        // entries and must reach entry 720, which the periodicity test reads.
        if (!std::isfinite(s.DPHI) || s.DPHI < 720.0f / 821.0f || s.DPHI > 1.0f)
            fort2.fail(rec, 13, "DPHI",
                       not_accepted(t[12],
                                    "DPHI must lie between 720/821 and 1 degree; a smaller step overflows "
                                    "the 821 history slots, a larger one never reaches history entry 720"));
        // Far from zero a float crank angle no longer takes a step of a tenth of
        // a degree, and the cycle would never reach its end.
        if (!(std::fabs(s.ANGST) <= 100000.0f))
            fort2.fail(rec, 2, "ANGST",
                       not_accepted(t[1], "ANGST must lie between -100000 and 100000 degrees; further out the "
                                          "crank angle cannot advance by a refined step in single precision"));
        // Each step may take up to ITMAX+1 corrector passes; beyond a thousand a
        // step that does not converge would hold the run for hours.
        if (s.ITMAX > 1000)
            fort2.fail(rec, 14, "ITMAX", not_accepted(t[13], "ITMAX must not exceed 1000"));
    }
    fort2.read({"record", 5, ""},
               {real_item("HCOOL", s.HCOOL), real_item("LHEAD", s.LHEAD), real_item("LPIST", s.LPIST),
                real_item("XDUREQ", s.XDUREQ), real_item("XDURN", s.XDURN), real_item("FAIN", s.FAIN),
                real_item("FAEX", s.FAEX), real_item("FA3", s.FA3)});
    fort2.read({"record", 6, ""},
               {real_item("HCOOLC", s.HCOOLC), real_item("HCOOLX", s.HCOOLX), real_item("EQREX0", s.EQREX0),
                real_item("FRCR", s.FRCR), real_item("PIOFF", s.PIOFF), real_item("FAINLS", s.FAINLS)});
    fort2.read({"record", 7, ""},
               {integer_item("IRES", s.IRES), real_item("EQRMAX", s.EQRMAX), real_item("DPEMIN", s.DPEMIN),
                real_item("FUELMX", s.FUELMX), real_item("TOLEQR", s.TOLEQR), real_item("TOLM", s.TOLM),
                real_item("TOLT", s.TOLT), real_item("TOLPE", s.TOLPE), real_item("TOLCYM", s.TOLCYM),
                real_item("TOLEXM", s.TOLEXM), real_item("RRES", s.RRES)});

    // ---- Start table: records 8 to 10 of "fort2.dat" for cylinder 1 and the
    // receivers, rows of "fort14.dat" for cylinders 2 .. NCYL, zone by zone.
    InputFile fort14("fort14.dat", 14, texts.fort14);
    const std::string fort14Missing = "it holds the start states of cylinders 2 to " + std::to_string(ncyl);
    int32_t fort2Record = 7;
    int32_t fort14Row = 0;
    for (int32_t k = 1; k <= ncyl + 2; ++k) {
        if (k == 1 || k > ncyl) {
            ++fort2Record;
            const char* zone = k == 1          ? "start state of cylinder 1"
                               : k == ncyl + 1 ? "start state of the intake receiver"
                                               : "start state of the exhaust receiver";
            const RecordRef rec{"record", fort2Record, zone};
            const auto t = fort2.read(
                rec, {real_item("MASS0", s.MASS0[k]), real_item("TEMP0", s.TEMP0[k]), real_item("EQR0", s.EQR0[k])});
            check_start_state(fort2, rec, false, s.MASS0[k], s.TEMP0[k], t, "MASS0", "TEMP0");
            // The isentropic-exponent fit of the cylinder valve flows divides
            // by the exhaust-receiver equivalence ratio.
            if (k == ncyl + 2 && !(std::isfinite(s.EQR0[k]) && s.EQR0[k] > 0.0f))
                fort2.fail(rec, 3, "EQR0",
                           not_accepted(t[2],
                                        "the exhaust-receiver start equivalence ratio must be greater than 0; "
                                        "the isentropic-exponent fit of the cylinder valve flows divides by it"));
        } else {
            ++fort14Row;
            const RecordRef rec{"row", fort14Row, "start state of cylinder " + std::to_string(k)};
            const auto t = fort14.read(rec,
                                       {real_item("mass", s.MASS0[k]), real_item("temperature", s.TEMP0[k]),
                                        real_item("equivalence ratio", s.EQR0[k])},
                                       fort14Missing.c_str());
            check_start_state(fort14, rec, true, s.MASS0[k], s.TEMP0[k], t, "mass", "temperature");
        }
    }
}

}  // namespace

int32_t cylinder_count(const std::optional<std::string>& fort3) {
    float speed = 0.0f, petarg = 0.0f, fuel = 0.0f;
    int32_t mode = 0, ncyl = 0;
    try {
        InputFile("fort3.dat", 3, fort3)
            .read({"record", 1, ""}, {real_item("SPEED", speed), integer_item("MODE", mode),
                                      real_item("PETARG", petarg), real_item("FUEL", fuel),
                                      integer_item("NCYL", ncyl)});
    } catch (const InputError&) {
        return 0;
    }
    return ncyl;
}

void read_inputs(RunState& s, const InputTexts& texts) {
    // Read into a copy so that a failed read leaves the caller's state as it was.
    auto next = std::make_unique<RunState>(s);
    read_all(*next, texts);
    s = *next;
}

}  // namespace diesel
