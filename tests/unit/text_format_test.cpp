// The number forms of trace lines: signed decimal and upper-case hex of the
// low 32 bits of a value.
#include "printer/text_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct NumberCase {
  int64_t value;
  const char *decimal;
  const char *hex;
};

const NumberCase kNumberCases[] = {
    {0, "0", "0"},
    {1, "1", "1"},
    {-1, "-1", "FFFFFFFF"},
    {10, "10", "A"},
    {255, "255", "FF"},
    {4096, "4096", "1000"},  // inner zeros stay, leading ones do not
    {0xABCDEF, "11259375", "ABCDEF"},
    {INT32_MAX, "2147483647", "7FFFFFFF"},
    {INT32_MIN, "-2147483648", "80000000"},
    {-255, "-255", "FFFFFF01"},
    // Wider values are reduced to their low 32 bits first.
    {INT64_C(0x1000000FF), "255", "FF"},
    {INT64_C(0x100000000), "0", "0"},
    {static_cast<int64_t>(UINT64_C(0xFFFFFFFF80000000)), "-2147483648", "80000000"},
    {INT64_C(0x7FFFFFFFFFFFFFFF), "-1", "FFFFFFFF"},
    {INT64_MIN, "0", "0"},
};

TEST(TextFormat, DecimalAndHexOfTheLow32Bits) {
  for (const NumberCase &c : kNumberCases) {
    SCOPED_TRACE(testing::Message() << "value " << c.value);
    EXPECT_EQ(DecimalText(c.value), c.decimal);
    EXPECT_EQ(HexText(static_cast<uint64_t>(c.value)), c.hex);
  }
}

TEST(TextFormat, HexOfAPointerIsItsLow32Bits) {
  struct PointerCase {
    uintptr_t address;
    const char *hex;
  };
  const PointerCase cases[] = {
      {0, "0"},
      {0x2001, "2001"},
      {0xDEADBEEF, "DEADBEEF"},
      // On a 64-bit host the high half is dropped; a 32-bit one never has it.
      {static_cast<uintptr_t>(UINT64_C(0x12345678ABC)), "45678ABC"},
  };
  for (const PointerCase &c : cases) {
    SCOPED_TRACE(testing::Message() << "address 0x" << std::hex << c.address);
    EXPECT_EQ(HexText(reinterpret_cast<const void *>(c.address)), c.hex);
  }
}

}  // namespace
