#include "case/case.hpp"

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "input/free_format.hpp"

namespace diesel {

namespace {

std::size_t slot(Item item) { return static_cast<std::size_t>(index_of(item)); }

void require_type(Item item, ItemType type) {
    if (item_info(item).type != type)
        throw std::logic_error(std::string(item_info(item).name) + " is " +
                               (type == ItemType::Real ? "an INTEGER" : "a REAL") + " item");
}

// A value given is set, whatever the caller said of its source.
ValueSource given(ValueSource source) {
    if (source.kind == ValueSource::Kind::Unset) source.kind = ValueSource::Kind::Program;
    return source;
}

bool same_bits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

}  // namespace

Case::Case() = default;

float Case::real(Item item) const {
    require_type(item, ItemType::Real);
    return reals_[slot(item)];
}

int32_t Case::integer(Item item) const {
    require_type(item, ItemType::Integer);
    return integers_[slot(item)];
}

double Case::number(Item item) const {
    return item_info(item).type == ItemType::Real ? static_cast<double>(reals_[slot(item)])
                                                  : static_cast<double>(integers_[slot(item)]);
}

void Case::set_real(Item item, float value, ValueSource source) {
    require_type(item, ItemType::Real);
    reals_[slot(item)] = value;
    sources_[slot(item)] = given(std::move(source));
}

void Case::set_integer(Item item, int32_t value, ValueSource source) {
    require_type(item, ItemType::Integer);
    integers_[slot(item)] = value;
    sources_[slot(item)] = given(std::move(source));
}

std::string Case::set_number(Item item, double value, ValueSource source) {
    if (item_info(item).type == ItemType::Real) {
        if (std::isfinite(value) && std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max()))
            return "is too large for a 32-bit real number";
        set_real(item, static_cast<float>(value), std::move(source));
        return {};
    }
    if (!(value == std::trunc(value)) || value < -2147483648.0 || value > 2147483647.0)
        return "is not an integer within -2147483648 .. 2147483647";
    set_integer(item, static_cast<int32_t>(value), std::move(source));
    return {};
}

std::string Case::set_text(Item item, std::string_view text, ValueSource source) {
    source.text = std::string(text);
    if (item_info(item).type == ItemType::Integer) {
        int32_t v = 0;
        switch (parse_integer(text, v)) {
            case NumberStatus::Ok: set_integer(item, v, std::move(source)); return {};
            case NumberStatus::Malformed: return quote_item(text) + " is not an integer";
            case NumberStatus::OutOfRange:
                return quote_item(text) + " is outside the integer range -2147483648 to 2147483647";
        }
    }
    float v = 0.0f;
    switch (parse_real(text, v)) {
        case NumberStatus::Ok: set_real(item, v, std::move(source)); return {};
        case NumberStatus::Malformed: return quote_item(text) + " is not a real number";
        case NumberStatus::OutOfRange: return quote_item(text) + " is too large for a 32-bit real number";
    }
    return {};
}

int32_t Case::start_rows_needed() const {
    const int32_t ncyl = integers_[slot(Item::NCYL)];
    return ncyl >= 2 ? ncyl - 1 : 0;
}

std::optional<CaseDifference> first_difference(const Case& a, const Case& b) {
    for (const InputItem& it : input_items()) {
        const bool same = it.type == ItemType::Real ? same_bits(a.real(it.id), b.real(it.id))
                                                    : a.integer(it.id) == b.integer(it.id);
        if (!same) return CaseDifference{it.id, 0};
    }
    const int32_t needed = a.start_rows_needed();  // both have the same NCYL by now
    for (int32_t r = 0; r < needed; ++r) {
        const auto ra = static_cast<std::size_t>(r);
        const bool inA = ra < a.start.rows.size(), inB = ra < b.start.rows.size();
        if (inA != inB) return CaseDifference{std::nullopt, r + 1};
        if (!inA) break;
        const StartRow& x = a.start.rows[ra];
        const StartRow& y = b.start.rows[ra];
        if (!same_bits(x.mass, y.mass) || !same_bits(x.temperature, y.temperature) || !same_bits(x.eqr, y.eqr))
            return CaseDifference{std::nullopt, r + 1};
    }
    return std::nullopt;
}

std::string shortest_text(float v) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    std::string text(buf, ec == std::errc{} ? end : buf);
    if (text.find_first_of(".eEn") == std::string::npos) text += ".0";  // "2000" -> "2000.0"; "inf"/"nan" kept
    return text;
}

}  // namespace diesel
