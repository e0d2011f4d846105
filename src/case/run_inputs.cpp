#include "case/run_inputs.hpp"

#include <memory>
#include <type_traits>

#include "case/case_checks.hpp"
#include "case/fort_files.hpp"

namespace diesel {

namespace {

// Where each item goes in the run state. VINL and VEXR are the volumes of the
// receiver zones and the start states fill zone slots, both placed by NCYL.
// No default: the compiler names an item that is missing here.
template <class State>
auto slot_of(State& s, Item item) {
    using Real = std::conditional_t<std::is_const_v<State>, const float*, float*>;
    using Integer = std::conditional_t<std::is_const_v<State>, const int32_t*, int32_t*>;
    struct Slot { Real real = nullptr; Integer integer = nullptr; };
    const int32_t n = s.NCYL;
    const auto at = [](auto& target) {
        Slot slot;
        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(target)>, int32_t>) slot.integer = &target;
        else slot.real = &target;
        return slot;
    };
#define DIESEL_ITEM(name) \
    case Item::name: return at(s.name);
    switch (item) {
        DIESEL_ITEM(SPEED) DIESEL_ITEM(MODE) DIESEL_ITEM(PETARG) DIESEL_ITEM(FUEL) DIESEL_ITEM(NCYL)
        DIESEL_ITEM(BORE) DIESEL_ITEM(STROKE) DIESEL_ITEM(CONROD) DIESEL_ITEM(NCYLE) DIESEL_ITEM(CR)
        DIESEL_ITEM(SHEAD) DIESEL_ITEM(SPIST) DIESEL_ITEM(AHEAD) DIESEL_ITEM(APIST) DIESEL_ITEM(AER)
        DIESEL_ITEM(AINF) DIESEL_ITEM(DRV) DIESEL_ITEM(FRV) DIESEL_ITEM(KRV)
        DIESEL_ITEM(TCOOL) DIESEL_ITEM(IVO) DIESEL_ITEM(IVC) DIESEL_ITEM(EVO) DIESEL_ITEM(EVC) DIESEL_ITEM(AIMAX)
        DIESEL_ITEM(AEMAX) DIESEL_ITEM(SOC) DIESEL_ITEM(DURC0) DIESEL_ITEM(MWIEB0) DIESEL_ITEM(TIDR)
        DIESEL_ITEM(EQRREF)
        DIESEL_ITEM(SPEEDR) DIESEL_ITEM(ANGST) DIESEL_ITEM(PIVC) DIESEL_ITEM(PREFM) DIESEL_ITEM(TREFM)
        DIESEL_ITEM(SWIRL) DIESEL_ITEM(CWOS) DIESEL_ITEM(CW1) DIESEL_ITEM(K3) DIESEL_ITEM(KAPPA) DIESEL_ITEM(PEXP)
        DIESEL_ITEM(MAXCYC) DIESEL_ITEM(DPHI) DIESEL_ITEM(ITMAX)
        DIESEL_ITEM(HCOOL) DIESEL_ITEM(LHEAD) DIESEL_ITEM(LPIST) DIESEL_ITEM(XDUREQ) DIESEL_ITEM(XDURN)
        DIESEL_ITEM(FAIN) DIESEL_ITEM(FAEX) DIESEL_ITEM(FA3)
        DIESEL_ITEM(HCOOLC) DIESEL_ITEM(HCOOLX) DIESEL_ITEM(EQREX0) DIESEL_ITEM(FRCR) DIESEL_ITEM(PIOFF)
        DIESEL_ITEM(FAINLS)
        DIESEL_ITEM(IRES) DIESEL_ITEM(EQRMAX) DIESEL_ITEM(DPEMIN) DIESEL_ITEM(FUELMX) DIESEL_ITEM(TOLEQR)
        DIESEL_ITEM(TOLM) DIESEL_ITEM(TOLT) DIESEL_ITEM(TOLPE) DIESEL_ITEM(TOLCYM) DIESEL_ITEM(TOLEXM)
        DIESEL_ITEM(RRES)
        case Item::VINL: return at(s.VOL[n + 1]);
        case Item::VEXR: return at(s.VOL[n + 2]);
        case Item::MASS0_CYLINDER1: return at(s.MASS0[1]);
        case Item::TEMP0_CYLINDER1: return at(s.TEMP0[1]);
        case Item::EQR0_CYLINDER1: return at(s.EQR0[1]);
        case Item::MASS0_INTAKE: return at(s.MASS0[n + 1]);
        case Item::TEMP0_INTAKE: return at(s.TEMP0[n + 1]);
        case Item::EQR0_INTAKE: return at(s.EQR0[n + 1]);
        case Item::MASS0_EXHAUST: return at(s.MASS0[n + 2]);
        case Item::TEMP0_EXHAUST: return at(s.TEMP0[n + 2]);
        case Item::EQR0_EXHAUST: return at(s.EQR0[n + 2]);
    }
#undef DIESEL_ITEM
    return Slot{};
}

void store(const Case& c, Item item, RunState& s) {
    const auto slot = slot_of(s, item);
    if (slot.integer != nullptr) *slot.integer = c.integer(item);
    else *slot.real = c.real(item);
}

}  // namespace

std::vector<std::string> load_case(const Case& c, RunState& s) {
    CaseCheck check = check_case(c);
    if (!check.errors.empty()) throw InputError(check.errors.front());
    const int32_t needed = c.start_rows_needed();
    if (needed > 0 && !c.start.inlineRows && !c.start.loaded)
        throw InputError(c.start.file + " (unit 14): the start table was not read; it holds the start states of "
                         "cylinders 2 to " + std::to_string(needed + 1));

    // Filled in a copy, so that nothing of `s` changes unless all of it does.
    auto next = std::make_unique<RunState>(s);
    next->NCYL = c.integer(Item::NCYL);  // places the receiver zones
    for (const InputItem& it : input_items()) store(c, it.id, *next);
    for (int32_t k = 2; k <= needed + 1; ++k) {
        const StartRow& row = c.start.rows[static_cast<std::size_t>(k - 2)];
        next->MASS0[k] = row.mass;
        next->TEMP0[k] = row.temperature;
        next->EQR0[k] = row.eqr;
    }
    next->NZONE = next->NCYL + 2;
    s = *next;
    return std::move(check.warnings);
}

double input_value(const RunState& s, Item item) {
    const auto slot = slot_of(s, item);
    return slot.integer != nullptr ? static_cast<double>(*slot.integer) : static_cast<double>(*slot.real);
}

void read_inputs(RunState& s, const InputTexts& texts) {
    load_case(read_fort_case(texts), s);
}

}  // namespace diesel
