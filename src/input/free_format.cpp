#include "input/free_format.hpp"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

namespace diesel {

namespace {

// A carriage return counts as a blank, so CRLF line ends read like LF.
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool ends_item(char c) { return is_blank(c) || c == ',' || c == '\n'; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::size_t skip_digits(std::string_view s, std::size_t i) {
    while (i < s.size() && is_digit(s[i])) ++i;
    return i;
}

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

FreeFormatReader::FreeFormatReader(std::string_view text) : text_(text) {
    // Some editors put a byte-order mark before the first value.
    if (text_.starts_with(kUtf8ByteOrderMark)) text_.remove_prefix(kUtf8ByteOrderMark.size());
}

bool has_cr_only_line_ends(std::string_view text) {
    if (text.find('\n') != std::string_view::npos) return false;
    const std::size_t cr = text.find('\r');
    return cr != std::string_view::npos && text.find_first_not_of(" \t\r", cr) != std::string_view::npos;
}

void FreeFormatReader::start_record() {
    if (inRecord_) {
        // The rest of the previous record's last line (a comment, surplus values).
        const void* nl = std::memchr(text_.data() + pos_, '\n', text_.size() - pos_);
        pos_ = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text_.data()) + 1 : text_.size();
    }
    inRecord_ = true;
    afterItem_ = false;
}

std::optional<std::string_view> FreeFormatReader::next_item() {
    for (;;) {
        while (pos_ < text_.size() && is_blank(text_[pos_])) ++pos_;
        if (pos_ >= text_.size()) return std::nullopt;
        const char c = text_[pos_];
        if (c == '\n') {  // a line end separates; a blank line holds no item
            ++pos_;
            afterItem_ = false;
            continue;
        }
        if (c == ',') {
            ++pos_;
            if (afterItem_) {  // the separator behind an item
                afterItem_ = false;
                continue;
            }
            return std::string_view{};  // nothing before this comma: a null value
        }
        break;
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !ends_item(text_[pos_])) ++pos_;
    afterItem_ = true;
    return text_.substr(start, pos_ - start);
}

NumberStatus parse_integer(std::string_view item, int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < item.size() && (item[i] == '+' || item[i] == '-')) negative = item[i++] == '-';
    const std::size_t digits = i;
    if (skip_digits(item, i) != item.size() || digits == item.size()) return NumberStatus::Malformed;

    // Magnitude limit 2^31 (reached only by the negative minimum); stop as soon
    // as it is passed, so a long run of digits costs nothing.
    const int64_t limit = negative ? INT64_C(2147483648) : INT64_C(2147483647);
    int64_t magnitude = 0;
    for (; i < item.size(); ++i) {
        magnitude = magnitude * 10 + (item[i] - '0');
        if (magnitude > limit) return NumberStatus::OutOfRange;
    }
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return NumberStatus::Ok;
}

NumberStatus parse_real(std::string_view item, float& value) {
    // Syntax first: [sign] (digits [. [digits]] | . digits) [(E|e|D|d) [sign] digits]
    std::size_t i = 0;
    if (i < item.size() && (item[i] == '+' || item[i] == '-')) ++i;
    const std::size_t intBegin = i;
    i = skip_digits(item, i);
    const std::size_t intEnd = i;
    std::size_t fracBegin = i;
    std::size_t fracEnd = i;
    if (i < item.size() && item[i] == '.') {
        fracBegin = i + 1;
        fracEnd = i = skip_digits(item, fracBegin);
    }
    if (intEnd == intBegin && fracEnd == fracBegin) return NumberStatus::Malformed;
    std::size_t expMarker = item.size();
    if (i < item.size()) {
        const char m = item[i];
        if (m != 'E' && m != 'e' && m != 'D' && m != 'd') return NumberStatus::Malformed;
        expMarker = i++;
        if (i < item.size() && (item[i] == '+' || item[i] == '-')) ++i;
        const std::size_t expDigits = i;
        i = skip_digits(item, i);
        if (i == expDigits || i != item.size()) return NumberStatus::Malformed;
    }

    // from_chars takes no leading '+' and knows no D marker; it rounds the
    // decimal text once, directly to float, whatever the locale.
    std::string text(item.substr(item[0] == '+' ? 1 : 0));
    if (expMarker < item.size()) text[expMarker - (item[0] == '+' ? 1 : 0)] = 'E';
    float parsed = 0.0f;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed, std::chars_format::general);
    if (ec == std::errc{} && end == text.data() + text.size()) {
        value = parsed;
        return NumberStatus::Ok;
    }
    if (ec != std::errc::result_out_of_range) return NumberStatus::Malformed;

    // Out of range is either too large or too small for a float. The decimal
    // magnitude of the leading non-zero digit tells which (the two are more
    // than 80 decades apart); exponents are clamped so nothing overflows.
    int64_t magnitude = 0;
    std::size_t lead = intBegin;
    while (lead < intEnd && item[lead] == '0') ++lead;
    if (lead < intEnd) {
        magnitude = static_cast<int64_t>(intEnd - lead);
    } else {
        lead = fracBegin;
        while (lead < fracEnd && item[lead] == '0') ++lead;
        magnitude = -static_cast<int64_t>(lead - fracBegin);
    }
    if (expMarker < item.size()) {
        std::size_t e = expMarker + 1;
        const bool negExp = item[e] == '-';
        if (item[e] == '+' || item[e] == '-') ++e;
        int64_t exponent = 0;
        for (; e < item.size() && exponent < INT64_C(1000000000000); ++e) exponent = exponent * 10 + (item[e] - '0');
        magnitude += negExp ? -exponent : exponent;
    }
    if (magnitude > 0) return NumberStatus::OutOfRange;
    value = item[0] == '-' ? -0.0f : 0.0f;  // below half the smallest subnormal
    return NumberStatus::Ok;
}

std::string quote_item(std::string_view item) {
    constexpr std::size_t kShown = 40;
    std::string out = "\"";
    const std::size_t shown = item.size() < kShown ? item.size() : kShown;
    for (std::size_t i = 0; i < shown; ++i) {
        const auto byte = static_cast<unsigned char>(item[i]);
        if (byte < 0x20 || byte >= 0x7f || byte == '"' || byte == '\\') {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(byte));
            out += hex;
        } else {
            out += static_cast<char>(byte);
        }
    }
    out += '"';
    if (shown < item.size()) {
        out.insert(out.size() - 1, "...");
        out += " (" + std::to_string(item.size()) + " characters)";
    }
    return out;
}

}  // namespace diesel
