// Windows-1252 as the ANSI code page: conversion to UTF-16, upper-casing,
// and the glyphs the console shows.
#include "platform/posix/code_page.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/posix/last_error.h"
#include "platform/posix/system_calls.h"

namespace {

TEST(Cp1252, EveryDefinedByteRoundTripsThroughUnicode) {
  for (int byte = 0; byte < 256; ++byte) {
    char32_t character = dkposix::Cp1252ToUnicode(static_cast<uint8_t>(byte));
    std::optional<uint8_t> back = dkposix::UnicodeToCp1252(character);
    ASSERT_TRUE(back.has_value()) << byte;
    EXPECT_EQ(*back, byte);
  }
  EXPECT_EQ(dkposix::Cp1252ToUnicode(0x80), U'\u20AC');
  EXPECT_EQ(dkposix::Cp1252ToUnicode(0x9F), U'\u0178');
  EXPECT_FALSE(dkposix::UnicodeToCp1252(U'\u2603').has_value());
}

TEST(CharUpperA, UpperCasesAsciiAndWindows1252InPlace) {
  char text[] = "abc xyz 09 \xe0\xe9\xfe \xf7\xdf\xb5 \x9a\x9c\x9e\xff";
  EXPECT_EQ(dkposix::CharUpperA(text), text);
  // ÷ ß µ have no upper-case byte and stay.
  EXPECT_STREQ(text, "ABC XYZ 09 \xc0\xc9\xde \xf7\xdf\xb5 \x8a\x8c\x8e\x9f");
}

TEST(CharUpperA, SingleCharacterInTheLowWordComesBackTheSameWay) {
  auto upper = [](uint8_t c) {
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(
        dkposix::CharUpperA(reinterpret_cast<char *>(static_cast<uintptr_t>(c)))));
  };
  EXPECT_EQ(upper('q'), unsigned('Q'));
  EXPECT_EQ(upper(0xE7), 0xC7u);
  EXPECT_EQ(upper('#'), unsigned('#'));
}

TEST(MultiByteToWideChar, ConvertsWindows1252ToUtf16) {
  const char text[] = "A\x80\xe9\x9d";
  char16_t wide[8] = {};
  EXPECT_EQ(dkposix::MultiByteToWideChar(winapi::CP_ACP, 0, text, 4, wide, 8), 4);
  EXPECT_EQ(wide[0], u'A');
  EXPECT_EQ(wide[1], u'\u20AC');
  EXPECT_EQ(wide[2], u'\u00E9');
  EXPECT_EQ(wide[3], u'\u009D');  // undefined bytes keep their value, as on Windows
}

TEST(MultiByteToWideChar, MinusOneCountsTheTerminatorAndZeroOutputAsksTheSize) {
  EXPECT_EQ(dkposix::MultiByteToWideChar(winapi::CP_ACP, 0, "abc", -1, nullptr, 0), 4);
  char16_t wide[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(dkposix::MultiByteToWideChar(1252, 0, "abc", -1, wide, 4), 4);
  EXPECT_EQ(wide[3], u'\0');
}

TEST(MultiByteToWideChar, FailuresSetTheLastError) {
  char16_t wide[2];
  dkposix::SetLastError(0);
  EXPECT_EQ(dkposix::MultiByteToWideChar(winapi::CP_ACP, 0, "abc", 3, wide, 2), 0);
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(dkposix::MultiByteToWideChar(65001, 0, "abc", 3, wide, 2), 0);
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_INVALID_PARAMETER);
  EXPECT_EQ(dkposix::MultiByteToWideChar(winapi::CP_ACP, 0, nullptr, 3, wide, 2), 0);
  EXPECT_EQ(dkposix::MultiByteToWideChar(winapi::CP_ACP, 0, "abc", 0, wide, 2), 0);
  EXPECT_EQ(dkposix::MultiByteToWideChar(winapi::CP_ACP, 0, "abc", 3, nullptr, 2), 0);
  EXPECT_EQ(dkposix::GetLastError(), winapi::ERROR_INVALID_PARAMETER);
}

TEST(ConsoleGlyph, ControlBytesArePicturesOfCodePage437) {
  EXPECT_EQ(dkposix::ConsoleGlyph(0x00), U' ');
  EXPECT_EQ(dkposix::ConsoleGlyph(0x01), U'\u263A');
  EXPECT_EQ(dkposix::ConsoleGlyph(0x0D), U'\u266A');
  EXPECT_EQ(dkposix::ConsoleGlyph(0x1F), U'\u25BC');
  EXPECT_EQ(dkposix::ConsoleGlyph(0x7F), U'\u2302');
  EXPECT_EQ(dkposix::ConsoleGlyph('A'), U'A');
  EXPECT_EQ(dkposix::ConsoleGlyph(0x8D), U'?');  // a C1 control would act on the terminal
}

TEST(AppendUtf8, EncodesEachLength) {
  std::string out;
  for (char32_t c : {U'A', U'\u00E9', U'\u20AC', U'\U0001F600'}) dkposix::AppendUtf8(out, c);
  EXPECT_EQ(out, "A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
}

}  // namespace
