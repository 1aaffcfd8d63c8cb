#include "common/number_text.h"

bool ParseNumber(const std::string& text, int64_t min, int64_t max, int64_t* value) {
    if (text.empty() || text.size() > 18) {
        return false;
    }
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size()) {
        return false;
    }
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        v = v * 10 + (text[i] - '0');
    }
    if (negative) {
        v = -v;
    }
    if (v < min || v > max) {
        return false;
    }
    *value = v;
    return true;
}

bool ParsePair(const std::string& text, char separator, int64_t min, int64_t max, int64_t* a,
               int64_t* b) {
    const size_t at = text.find(separator);
    return at != std::string::npos && ParseNumber(text.substr(0, at), min, max, a) &&
           ParseNumber(text.substr(at + 1), min, max, b);
}
