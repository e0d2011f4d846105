#include "case/case_bytes.hpp"

#include <bit>
#include <charconv>
#include <cstdint>

#include "case/input_error.hpp"

namespace diesel {

namespace {

// A header naming the layout, then fields: a number as decimal digits and a
// space, a text as its length, a colon and its bytes.
constexpr std::string_view kHeader = "diesel-cycle case 1\n";

struct Writer {
    std::string out{kHeader};
    void number(int64_t v) { out += std::to_string(v) + ' '; }
    void text(const std::string& t) {
        out += std::to_string(t.size()) + ':';
        out += t;
    }
    void real(float v) { number(std::bit_cast<uint32_t>(v)); }
    void source(const ValueSource& s) {
        number(static_cast<int64_t>(s.kind));
        number(s.line);
        text(s.text);
    }
};

struct Reader {
    std::string_view in;
    [[noreturn]] static void fail() { throw InputError("not a case written by this version of diesel-cycle"); }
    int64_t number() {
        int64_t v = 0;
        const auto [end, ec] = std::from_chars(in.data(), in.data() + in.size(), v);
        if (ec != std::errc{} || end == in.data() + in.size() || *end != ' ') fail();
        in.remove_prefix(static_cast<std::size_t>(end - in.data()) + 1);
        return v;
    }
    int64_t number(int64_t low, int64_t high) {
        const int64_t v = number();
        if (v < low || v > high) fail();
        return v;
    }
    std::string text() {
        std::size_t n = 0;
        const auto [end, ec] = std::from_chars(in.data(), in.data() + in.size(), n);
        if (ec != std::errc{} || end == in.data() + in.size() || *end != ':') fail();
        in.remove_prefix(static_cast<std::size_t>(end - in.data()) + 1);
        if (n > in.size()) fail();
        std::string t(in.substr(0, n));
        in.remove_prefix(n);
        return t;
    }
    float real() { return std::bit_cast<float>(static_cast<uint32_t>(number(0, UINT32_MAX))); }
    ValueSource source() {
        ValueSource s;
        s.kind = static_cast<ValueSource::Kind>(number(0, static_cast<int64_t>(ValueSource::Kind::Program)));
        s.line = static_cast<int32_t>(number(0, INT32_MAX));
        s.text = text();
        return s;
    }
};

}  // namespace

std::string case_to_bytes(const Case& c) {
    Writer w;
    w.number(kItemCount);
    for (const InputItem& it : input_items()) {
        w.number(it.type == ItemType::Real ? static_cast<int64_t>(std::bit_cast<uint32_t>(c.real(it.id)))
                                           : static_cast<int64_t>(c.integer(it.id)));
        w.source(c.source(it.id));
    }
    w.text(c.caseFile);
    const StartTable& t = c.start;
    w.number(t.inlineRows);
    w.text(t.file);
    w.number(t.loaded);
    w.number(t.line);
    w.number(static_cast<int64_t>(t.rows.size()));
    w.number(static_cast<int64_t>(t.sources.size()));
    for (const StartRow& row : t.rows) {
        w.real(row.mass);
        w.real(row.temperature);
        w.real(row.eqr);
    }
    for (const auto& sources : t.sources)
        for (const ValueSource& s : sources) w.source(s);
    return std::move(w.out);
}

Case case_from_bytes(std::string_view bytes) {
    if (!bytes.starts_with(kHeader)) Reader::fail();
    Reader r{bytes.substr(kHeader.size())};
    if (r.number() != kItemCount) Reader::fail();
    Case c;
    for (const InputItem& it : input_items()) {
        const int64_t v = it.type == ItemType::Real ? r.number(0, UINT32_MAX) : r.number(INT32_MIN, INT32_MAX);
        const ValueSource source = r.source();
        if (source.kind == ValueSource::Kind::Unset) {
            if (v != 0) Reader::fail();  // an item never given a value is 0
            continue;
        }
        if (it.type == ItemType::Real) c.set_real(it.id, std::bit_cast<float>(static_cast<uint32_t>(v)), source);
        else c.set_integer(it.id, static_cast<int32_t>(v), source);
    }
    c.caseFile = r.text();
    StartTable& t = c.start;
    t.inlineRows = r.number(0, 1) != 0;
    t.file = r.text();
    t.loaded = r.number(0, 1) != 0;
    t.line = static_cast<int32_t>(r.number(0, INT32_MAX));
    // Each row takes at least three bytes, so the counts cannot ask for more than the bytes hold.
    const auto rows = static_cast<std::size_t>(r.number(0, static_cast<int64_t>(bytes.size())));
    const auto sources = static_cast<std::size_t>(r.number(0, static_cast<int64_t>(bytes.size())));
    for (std::size_t i = 0; i < rows; ++i) t.rows.push_back({r.real(), r.real(), r.real()});
    for (std::size_t i = 0; i < sources; ++i) t.sources.push_back({r.source(), r.source(), r.source()});
    if (!r.in.empty()) Reader::fail();
    return c;
}

}  // namespace diesel
