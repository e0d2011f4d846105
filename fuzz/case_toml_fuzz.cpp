// libFuzzer target over the case-file reader: any bytes either read into a
// case or give one printable input-error line naming the case file; a case
// that passes its checks writes a case.toml that reads back to the same
// values, bit for bit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "case/case_checks.hpp"
#include "case/case_toml.hpp"
#include "case/input_error.hpp"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool one_printable_line(const std::string& s) {
    for (const char ch : s)
        if (ch == '\n' || ch == '\r' || ch == '\0') return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace diesel;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Case c;
    try {
        c = read_case_toml(text, "case.toml");
    } catch (const InputError& err) {
        const std::string message = err.what();
        require(message.rfind("case.toml", 0) == 0 && one_printable_line(message));
        return 0;
    }
    const CaseCheck check = check_case(c);
    for (const std::string& m : check.errors) require(one_printable_line(m));
    for (const std::string& m : check.warnings) require(one_printable_line(m));
    if (!check.errors.empty()) return 0;
    Case back = read_case_toml(write_case_toml(c), "case.toml");  // throws, and so aborts, if it cannot
    require(!first_difference(c, back));
    return 0;
}
