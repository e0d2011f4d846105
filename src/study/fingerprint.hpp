// A fingerprint of texts: 64-bit FNV-1a, as 16 hex digits. It tells whether
// two job folders, points or input sets were made from the same texts; it is
// no defence against someone forging a collision on purpose.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace diesel {

class Fingerprint {
public:
    // Adds `text` and a separator, so that ("ab", "c") and ("a", "bc") differ.
    Fingerprint& add(std::string_view text) {
        for (const char c : text) mix(static_cast<unsigned char>(c));
        mix(0xFF);  // a byte that no text of this program holds
        mix(static_cast<unsigned char>(text.size() & 0xFF));
        return *this;
    }

    std::string hex() const {
        char buf[17];
        std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(hash_));
        return buf;
    }

private:
    void mix(unsigned char byte) {
        hash_ ^= byte;
        hash_ *= UINT64_C(0x100000001b3);
    }

    uint64_t hash_ = UINT64_C(0xcbf29ce484222325);
};

}  // namespace diesel
