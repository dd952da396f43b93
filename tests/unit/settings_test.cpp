// The printer settings string: each case compares the whole DEVMODE buffer,
// driver-private bytes included, against the buffer it should leave.
#include "printer/settings.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/unit/support/fixture.h"

namespace {

// A driver's DEVMODE with a private part after the public members, every
// byte distinct from its neighbours, and some mask bits already set.
constexpr size_t kBufferSize = sizeof(DEVMODEA) + 64;
constexpr DWORD kDriverFields = DM_FORMNAME | DM_ORIENTATION | 0x40;

std::vector<BYTE> DriverBuffer() {
  std::vector<BYTE> buffer(kBufferSize);
  for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<BYTE>(i * 7 + 3);
  std::memcpy(&buffer[offsetof(DEVMODEA, dmFields)], &kDriverFields, sizeof kDriverFields);
  return buffer;
}

struct Write {
  DWORD bit;
  size_t offset;
  SHORT value;
};

std::vector<BYTE> Expected(const std::vector<Write> &writes) {
  std::vector<BYTE> buffer = DriverBuffer();
  for (const Write &w : writes) {
    DWORD fields;
    std::memcpy(&fields, &buffer[offsetof(DEVMODEA, dmFields)], sizeof fields);
    fields |= w.bit;
    std::memcpy(&buffer[offsetof(DEVMODEA, dmFields)], &fields, sizeof fields);
    std::memcpy(&buffer[w.offset], &w.value, sizeof w.value);
  }
  return buffer;
}

// Differences shown member by member would hide a stray byte; the whole
// buffer is compared, with the first differing offset named.
void ExpectBuffer(const std::vector<BYTE> &actual, const std::vector<BYTE> &expected,
                  const std::string &label) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] != expected[i]) {
      ADD_FAILURE() << label << ": byte " << i << " is " << int(actual[i]) << ", expected "
                    << int(expected[i]);
      return;
    }
  }
}

constexpr size_t kCopies = offsetof(DEVMODEA, dmCopies);
constexpr size_t kOrientation = offsetof(DEVMODEA, dmOrientation);
constexpr size_t kPaperSize = offsetof(DEVMODEA, dmPaperSize);
constexpr size_t kCollate = offsetof(DEVMODEA, dmCollate);

const Write Copies(SHORT value) {
  return {DM_COPIES, kCopies, value};
}

struct SettingsCase {
  const char *label;
  std::string settings;
  std::vector<Write> writes;
};

std::ostream &operator<<(std::ostream &out, const SettingsCase &c) {
  return out << c.label;
}

const SettingsCase kSettingsCases[] = {
    {"copies", "COPIES=2", {Copies(2)}},
    {"lower_case_key", "copies=2", {Copies(2)}},
    {"mixed_case_key", "Copies=2", {Copies(2)}},
    {"two_pairs", "ORIENTATION=2,COPIES=3", {{DM_ORIENTATION, kOrientation, 2}, Copies(3)}},
    {"blank_after_comma_is_part_of_key",
     "ORIENTATION=2, COPIES=3",
     {{DM_ORIENTATION, kOrientation, 2}}},
    {"blank_before_equals_is_part_of_key", "COPIES =3", {}},
    {"blank_before_digits_skipped", "COPIES= 3", {Copies(3)}},
    {"tab_before_digits_skipped", "COPIES=\t 3", {Copies(3)}},
    {"key_alone", "COPIES", {Copies(0)}},
    {"empty_value", "COPIES=", {Copies(0)}},
    {"hexadecimal", "COPIES=$1F", {Copies(31)}},
    {"hexadecimal_lower", "COPIES=$1f", {Copies(31)}},
    {"binary", "COPIES=%101", {Copies(5)}},
    {"binary_stops_at_two", "COPIES=%1021", {Copies(2)}},
    {"negative", "COPIES=-1", {Copies(-1)}},
    {"plus_sign", "COPIES=+7", {Copies(7)}},
    {"only_one_sign", "COPIES=--7", {Copies(0)}},
    {"low_16_bits_only", "COPIES=$1FFFF", {Copies(-1)}},
    {"wraps_into_negative", "COPIES=32768", {Copies(-32768)}},
    {"wraps_past_65535", "COPIES=65538", {Copies(2)}},
    {"digits_then_text", "COPIES=3pages", {Copies(3)}},
    {"no_digits", "COPIES=abc", {Copies(0)}},
    {"second_equals_ends_value", "COPIES=2=9", {Copies(2)}},
    {"sign_before_dollar", "COPIES=-$10", {Copies(-16)}},
    {"sign_after_dollar", "COPIES=$-10", {Copies(0)}},
    // A decimal beyond 64 bits wraps: 2^64 + 1 and 2^64 + 65538.
    {"wraps_at_64_bits", "COPIES=18446744073709551617", {Copies(1)}},
    {"wraps_at_64_bits_then_16", "COPIES=18446744073709617154", {Copies(2)}},
    {"negated_after_wrapping", "COPIES=-18446744073709551615", {Copies(1)}},
    {"later_pair_wins", "COPIES=2,COPIES=5", {Copies(2), Copies(5)}},
    {"repeat_keeps_bit",
     "ORIENTATION=1,COPIES=9,ORIENTATION=2",
     {{DM_ORIENTATION, kOrientation, 2}, Copies(9)}},
    {"unknown_key", "FOO=1", {}},
    {"longer_key", "COPIESX=2", {}},
    {"shorter_key", "COPY=2", {}},
    {"commas_alone", ",,,", {}},
    {"empty_key", "=5", {}},
    {"empty_string", "", {}},
    {"trailing_comma", "COPIES=2,", {Copies(2)}},
    {"leading_comma", ",COPIES=4", {Copies(4)}},
    {"unknown_between_known",
     "ORIENTATION=1,FOO=9,COLLATE=1",
     {{DM_ORIENTATION, kOrientation, 1}, {DM_COLLATE, kCollate, 1}}},
    {"hex_paper_size", "PAPERSIZE=9,papersize=$B", {{DM_PAPERSIZE, kPaperSize, 11}}},
};

class SettingsTest : public CoreTest, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(SettingsTest, WritesOnlyTheNamedMembersAndTheirBits) {
  const SettingsCase &c = GetParam();
  std::vector<BYTE> buffer = DriverBuffer();
  EXPECT_EQ(Print_ApplySettings(c.settings.c_str(), buffer.data(), kBufferSize), 0);
  ExpectBuffer(buffer, Expected(c.writes), c.label);
}

INSTANTIATE_TEST_SUITE_P(Strings, SettingsTest, ::testing::ValuesIn(kSettingsCases),
                         [](const auto &info) { return std::string(info.param.label); });

struct KeyCase {
  const char *key;
  DWORD bit;
  size_t offset;
};

TEST(SettingsKeysTest, EveryKeyReachesItsMemberAndBit) {
  const KeyCase keys[] = {
      {"ORIENTATION", 0x1, offsetof(DEVMODEA, dmOrientation)},
      {"PAPERSIZE", 0x2, offsetof(DEVMODEA, dmPaperSize)},
      {"PAPERLENGTH", 0x4, offsetof(DEVMODEA, dmPaperLength)},
      {"PAPERWIDTH", 0x8, offsetof(DEVMODEA, dmPaperWidth)},
      {"SCALE", 0x10, offsetof(DEVMODEA, dmScale)},
      {"COPIES", 0x100, offsetof(DEVMODEA, dmCopies)},
      {"DEFAULTSOURCE", 0x200, offsetof(DEVMODEA, dmDefaultSource)},
      {"PRINTQUALITY", 0x400, offsetof(DEVMODEA, dmPrintQuality)},
      {"COLOR", 0x800, offsetof(DEVMODEA, dmColor)},
      {"DUPLEX", 0x1000, offsetof(DEVMODEA, dmDuplex)},
      {"YRESOLUTION", 0x2000, offsetof(DEVMODEA, dmYResolution)},
      {"TTOPTION", 0x4000, offsetof(DEVMODEA, dmTTOption)},
      {"COLLATE", 0x8000, offsetof(DEVMODEA, dmCollate)},
  };
  fake::Platform fp;
  for (const KeyCase &k : keys) {
    std::string lower = k.key;
    for (char &ch : lower) ch = static_cast<char>(ch - 'A' + 'a');
    for (const std::string &key : {std::string(k.key), lower}) {
      std::vector<BYTE> buffer = DriverBuffer();
      const std::string settings = key + "=-300";
      Print_ApplySettings(settings.c_str(), buffer.data(), kBufferSize);
      ExpectBuffer(buffer, Expected({{k.bit, k.offset, -300}}), settings);
    }
  }
}

TEST(SettingsBufferTest, MissingOrShortBufferIsLeftAlone) {
  fake::Platform fp;
  EXPECT_EQ(Print_ApplySettings("COPIES=2", nullptr, sizeof(DEVMODEA)), 0);

  // The members reach up to and including dmCollate, 70 bytes. A buffer of
  // exactly that size takes every one of them; the heap block is that size,
  // so a write past it would be caught by the sanitizers.
  const std::string every = "COPIES=2,COLLATE=1,ORIENTATION=2";
  for (size_t size : {size_t{0}, size_t{40}, size_t{69}}) {
    std::vector<BYTE> buffer = DriverBuffer();
    buffer.resize(size);
    const std::vector<BYTE> before = buffer;
    Print_ApplySettings(every.c_str(), buffer.data(), static_cast<LONG>(size));
    EXPECT_EQ(buffer, before) << size << " bytes";
  }

  std::vector<BYTE> exact = DriverBuffer();
  exact.resize(70);
  Print_ApplySettings(every.c_str(), exact.data(), 70);
  std::vector<BYTE> expected =
      Expected({Copies(2), {DM_COLLATE, kCollate, 1}, {DM_ORIENTATION, kOrientation, 2}});
  expected.resize(70);
  EXPECT_EQ(exact, expected);

  std::vector<BYTE> whole = DriverBuffer();
  Print_ApplySettings(every.c_str(), whole.data(), -1);
  EXPECT_EQ(whole, DriverBuffer()) << "negative size";
}

TEST(SettingsBufferTest, KeysAreUpperCasedThroughThePlatform) {
  fake::Platform fp;
  std::vector<BYTE> buffer = DriverBuffer();
  Print_ApplySettings("copies=2,Orientation=1", buffer.data(), kBufferSize);
  EXPECT_EQ(fp.CountOf("CharUpperA"), 2);
}

}  // namespace
