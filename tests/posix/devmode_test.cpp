// DEVMODEs from a destination's options.
#include "platform/posix/devmode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace {

using dkposix::BuildDevMode;
using winapi::DEVMODEA;

DEVMODEA Build(const std::string &name, const std::map<std::string, std::string> &options) {
  return BuildDevMode(name, [&](const char *option) -> std::optional<std::string> {
    auto it = options.find(option);
    if (it == options.end()) return std::nullopt;
    return it->second;
  });
}

TEST(BuildDevMode, HeaderHasThePublishedSizeAndTheName) {
  DEVMODEA mode = Build("Receipts", {});
  EXPECT_STREQ(reinterpret_cast<const char *>(mode.dmDeviceName), "Receipts");
  EXPECT_EQ(mode.dmSize, sizeof(DEVMODEA));
  EXPECT_EQ(mode.dmSize, 156);
  EXPECT_EQ(mode.dmDriverExtra, 0);
  EXPECT_EQ(mode.dmSpecVersion, winapi::DM_SPECVERSION);
  EXPECT_EQ(mode.dmFields, 0u);  // nothing known, nothing claimed
}

TEST(BuildDevMode, LongNamesAreCutTo31Bytes) {
  std::string name(40, 'q');
  DEVMODEA mode = Build(name, {});
  EXPECT_EQ(std::strlen(reinterpret_cast<const char *>(mode.dmDeviceName)), 31u);
  EXPECT_EQ(mode.dmDeviceName[31], 0);
}

TEST(BuildDevMode, KnownOptionsFillTheirFields) {
  DEVMODEA mode =
      Build("p", {{"copies", "3"}, {"orientation-requested", "4"}, {"media", "iso_a4_210x297mm"}});
  EXPECT_EQ(mode.dmFields, winapi::DM_COPIES | winapi::DM_ORIENTATION | winapi::DM_PAPERSIZE);
  EXPECT_EQ(mode.dmCopies, 3);
  EXPECT_EQ(mode.dmOrientation, winapi::DMORIENT_LANDSCAPE);
  EXPECT_EQ(mode.dmPaperSize, winapi::DMPAPER_A4);
}

TEST(BuildDevMode, UnreadableValuesLeaveTheirFieldsUnset) {
  DEVMODEA mode =
      Build("p", {{"copies", "many"}, {"orientation-requested", "none"}, {"media", "roll_80mm"}});
  EXPECT_EQ(mode.dmFields, 0u);
  EXPECT_EQ(Build("p", {{"copies", "0"}}).dmFields, 0u);
  EXPECT_EQ(Build("p", {{"copies", "123456"}}).dmCopies, 9999);
}

TEST(BuildDevMode, LegacyOptionsCountToo) {
  DEVMODEA mode = Build("p", {{"landscape", ""}, {"PageSize", "Legal"}});
  EXPECT_EQ(mode.dmOrientation, winapi::DMORIENT_LANDSCAPE);
  EXPECT_EQ(mode.dmPaperSize, winapi::DMPAPER_LEGAL);
}

TEST(PaperSizeOfMedia, KnowsPwgAndLegacyNamesAndLists) {
  EXPECT_EQ(dkposix::PaperSizeOfMedia("na_letter_8.5x11in"), winapi::DMPAPER_LETTER);
  EXPECT_EQ(dkposix::PaperSizeOfMedia("A5"), winapi::DMPAPER_A5);
  EXPECT_EQ(dkposix::PaperSizeOfMedia("tray-1,iso_a4_210x297mm"), winapi::DMPAPER_A4);
  EXPECT_EQ(dkposix::PaperSizeOfMedia(""), 0);
}

TEST(OrientationOf, ReadsEnumsAndKeywords) {
  EXPECT_EQ(dkposix::OrientationOf("3"), winapi::DMORIENT_PORTRAIT);
  EXPECT_EQ(dkposix::OrientationOf("reverse-landscape"), winapi::DMORIENT_LANDSCAPE);
  EXPECT_EQ(dkposix::OrientationOf("7"), 0);
}

TEST(MergeDevMode, TakesOnlyTheFieldsTheInputMarks) {
  DEVMODEA target = Build("p", {{"copies", "2"}, {"media", "a4"}});
  DEVMODEA input{};
  input.dmFields = winapi::DM_COPIES | winapi::DM_ORIENTATION | winapi::DM_FORMNAME;
  input.dmCopies = 5;
  input.dmOrientation = winapi::DMORIENT_PORTRAIT;
  input.dmPaperSize = winapi::DMPAPER_LETTER;                   // not marked: ignored
  std::memset(input.dmFormName, 'F', sizeof input.dmFormName);  // unterminated
  dkposix::MergeDevMode(target, input);
  EXPECT_EQ(target.dmCopies, 5);
  EXPECT_EQ(target.dmOrientation, winapi::DMORIENT_PORTRAIT);
  EXPECT_EQ(target.dmPaperSize, winapi::DMPAPER_A4);
  EXPECT_EQ(target.dmFormName[31], 0);
  EXPECT_EQ(target.dmFields, winapi::DM_COPIES | winapi::DM_ORIENTATION | winapi::DM_FORMNAME |
                                 winapi::DM_PAPERSIZE);
}

}  // namespace
