// The table of every input item: one row per value a case holds, with its
// model name, its case.toml key, type, unit, meaning, typical values, where it
// sits in the fort files, the values a run can work with and the values that
// are usable but implausible.
//
// Everything that names an input reads it from here: the fort reader and
// writer (record layouts), case.toml (keys, comments), --set and the sweeps
// (lookup by model name or key), the checks and the generated documentation.
// The keys are the case file's format: once released, a key is never renamed.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace diesel {

// Every input item, in the order of the fort files ("fort3.dat" record 1,
// then "fort2.dat" records 1 to 10). The three start states of records 8 to
// 10 share the model names MASS0, TEMP0 and EQR0; their enumerators name the zone.
enum class Item : int32_t {
    // fort3.dat record 1: the operating point
    SPEED, MODE, PETARG, FUEL, NCYL,
    // fort2.dat record 1: geometry
    BORE, STROKE, CONROD, NCYLE, CR, VINL, VEXR,
    // record 2: walls, receiver connections, pressure-actuated valve
    SHEAD, SPIST, AHEAD, APIST, AER, AINF, DRV, FRV, KRV,
    // record 3: coolant, valve timing, combustion
    TCOOL, IVO, IVC, EVO, EVC, AIMAX, AEMAX, SOC, DURC0, MWIEB0, TIDR, EQRREF,
    // record 4: reference state, heat transfer, run control
    SPEEDR, ANGST, PIVC, PREFM, TREFM, SWIRL, CWOS, CW1, K3, KAPPA, PEXP, MAXCYC, DPHI, ITMAX,
    // record 5: walls and model factors
    HCOOL, LHEAD, LPIST, XDUREQ, XDURN, FAIN, FAEX, FA3,
    // record 6: correlations
    HCOOLC, HCOOLX, EQREX0, FRCR, PIOFF, FAINLS,
    // record 7: stopping rules and tolerances
    IRES, EQRMAX, DPEMIN, FUELMX, TOLEQR, TOLM, TOLT, TOLPE, TOLCYM, TOLEXM, RRES,
    // records 8, 9, 10: start states of cylinder 1, the intake and the exhaust receiver
    MASS0_CYLINDER1, TEMP0_CYLINDER1, EQR0_CYLINDER1,
    MASS0_INTAKE, TEMP0_INTAKE, EQR0_INTAKE,
    MASS0_EXHAUST, TEMP0_EXHAUST, EQR0_EXHAUST,
};

inline constexpr int32_t kItemCount = static_cast<int32_t>(Item::EQR0_EXHAUST) + 1;

inline constexpr int32_t index_of(Item item) { return static_cast<int32_t>(item); }

enum class ItemType : int8_t { Real, Integer };

inline constexpr double kUnbounded = std::numeric_limits<double>::infinity();

// An interval of values with open or closed ends; infinite ends are absent.
struct ValueRange {
    double low = -kUnbounded;
    double high = kUnbounded;
    bool lowOpen = false;   // low itself is outside
    bool highOpen = false;  // high itself is outside
    const char* text = nullptr;  // how messages write the range when the numbers alone would mislead
    const char* why = nullptr;   // the reason for it, for messages and documentation

    constexpr bool bounded() const { return low != -kUnbounded || high != kUnbounded; }
    bool contains(double v) const {
        return (lowOpen ? v > low : v >= low) && (highOpen ? v < high : v <= high);
    }
};

struct InputItem {
    Item id;
    const char* name;     // model name, as the documentation and the fort comments write it
    const char* key;      // case.toml key, "table.key"
    ItemType type;
    const char* unit;     // unit in ASCII ("m3", "degC", "W/(m2 K)"); "-" for none
    const char* meaning;  // what it is and does, one or two sentences
    const char* typical;  // typical values, for comments and documentation
    int32_t fortFile;     // 3 or 2
    int32_t record;       // record of that file (1-based)
    int32_t position;     // item number within the record (1-based)
    ValueRange accepted;  // outside: an input error (no run can use the value)
    ValueRange plausible; // outside: a warning (usable, but likely a mistake)
    // Set for the placeholders the model never reads: case.toml may leave
    // them out, and they then take this value (read like a fort value).
    const char* defaultText = nullptr;
};

// The table, indexed by Item.
std::span<const InputItem> input_items();
const InputItem& item_info(Item item);

// Items of one fort record, in their order within it.
std::vector<Item> record_items(int32_t fortFile, int32_t record);

// Lookup by model name ("SPEED") or case.toml key ("operating_point.speed").
// On failure `error` says why: an unknown name with the nearest names, or a
// model name shared by several items with the keys it could mean.
std::optional<Item> find_item(std::string_view nameOrKey, std::string& error);

// Up to `count` model names and keys nearest to `text` (edit distance), for
// "did you mean" hints; empty when nothing is close.
std::vector<std::string> nearest_names(std::string_view text, const std::vector<std::string>& candidates,
                                       std::size_t count = 3);

// "; did you mean A, B or C?" of the nearest candidates, for the end of a
// message; empty when nothing is close.
std::string did_you_mean(std::string_view text, const std::vector<std::string>& candidates);

// "SPEED (operating_point.speed)": how messages name an item outside its file.
std::string item_label(Item item);

}  // namespace diesel
