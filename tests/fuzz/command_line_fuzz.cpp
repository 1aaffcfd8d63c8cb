// The command-line rules on any byte string, against the rules stated plainly here: the tail
// ends at its first zero byte, the first switch of the table found anywhere decides, and the
// handle is the atol number after it, or the foreground window when that is 0 or does not fit
// 32 signed bits. The tail is copied into a buffer of exactly its size, so that ASan sees any
// read past its end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/command_line_rules.h"

namespace {

constexpr intptr_t Foreground = 0x7e57;

int32_t LengthSeen;

int32_t CountLength(const char* text) {
    LengthSeen = static_cast<int32_t>(std::strlen(text));
    return LengthSeen;
}

intptr_t GiveForeground() {
    return Foreground;
}

struct Expected {
    int32_t result;
    SaverMode mode;  // -1: left as it was
    intptr_t host;
};

bool IsSpace(char c) {
    return std::strchr(" \t\n\v\f\r", c) != nullptr && c != '\0';
}

// Digits compared as text against the limits: no arithmetic that could itself overflow.
intptr_t PlainNumber(const std::string& text, size_t at) {
    while (at < text.size() && IsSpace(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    std::string digits;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        digits += text[at++];
    }
    const size_t first = digits.find_first_not_of('0');
    digits = first == std::string::npos ? "" : digits.substr(first);
    const std::string limit = negative ? "2147483648" : "2147483647";
    if (digits.empty() || digits.size() > limit.size() ||
        (digits.size() == limit.size() && digits > limit)) {
        return 0;
    }
    const long long magnitude = std::stoll(digits);
    return static_cast<intptr_t>(negative ? -magnitude : magnitude);
}

Expected PlainRules(const std::string& tail) {
    if (tail.empty()) {
        return {0, ModeConfigure, 0};
    }
    for (const SwitchEntry& entry : SwitchTable) {
        const size_t at = tail.find(entry.text);
        if (at != std::string::npos) {
            const intptr_t number = PlainNumber(tail, at + 2);
            return {0, entry.mode, number == 0 ? Foreground : number};
        }
    }
    return {1, -1, 0};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char* tail = static_cast<char*>(std::malloc(size + 1));
    std::memcpy(tail, data, size);
    tail[size] = '\0';
    const std::string visible(tail);

    const CommandLinePlatform platform = {CountLength, GiveForeground};
    intptr_t host = -99;
    SaverMode mode = -1;
    LengthSeen = -1;
    const int32_t result = ParseSwitches(tail, platform, &host, &mode);
    const Expected expected = PlainRules(visible);
    if (LengthSeen != static_cast<int32_t>(visible.size()) || result != expected.result ||
        mode != expected.mode || host != expected.host) {
        std::abort();
    }
    std::free(tail);
    return 0;
}
