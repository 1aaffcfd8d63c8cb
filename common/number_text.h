// Numbers on command lines, shared by the programs that drive the effect.
#pragma once

#include <cstdint>
#include <string>

// A whole decimal number from min to max, or false.
bool ParseNumber(const std::string& text, int64_t min, int64_t max, int64_t* value);

// "A<sep>B" as two numbers within their ranges.
bool ParsePair(const std::string& text, char separator, int64_t min, int64_t max, int64_t* a,
               int64_t* b);
