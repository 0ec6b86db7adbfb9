// Strict reading of a whole decimal number from a command-line argument.
#pragma once

#include <cstdint>

// Text is an optional sign and decimal digits, nothing else, within [Low, High]; on
// success Value holds it. Any length of input is safe.
bool ParseWholeNumber(const char *Text, int64_t Low, int64_t High, int64_t &Value);
