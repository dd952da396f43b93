// Number forms shared by every trace line.
#pragma once

#include <cstdint>
#include <string>

// Signed decimal of the low 32 bits: "-" before a negative value, no leading
// zeros, "0" for zero.
std::string DecimalText(int64_t value);
// Upper-case hexadecimal of the low 32 bits, no prefix, no leading zeros.
std::string HexText(uint64_t value);
std::string HexText(const void *pointer);
