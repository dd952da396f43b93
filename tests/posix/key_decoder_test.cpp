// The terminal's bytes as console key events.
#include "platform/posix/key_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using dkposix::KeyDecoder;
using winapi::INPUT_RECORD;

struct Key {
  winapi::WORD virtualKey;
  uint8_t character;
  winapi::DWORD controlKeys;
};

bool operator==(const Key &a, const Key &b) {
  return a.virtualKey == b.virtualKey && a.character == b.character &&
         a.controlKeys == b.controlKeys;
}

std::ostream &operator<<(std::ostream &out, const Key &key) {
  return out << "{vk " << key.virtualKey << ", char " << int(key.character) << ", ctl "
             << key.controlKeys << "}";
}

std::vector<Key> KeysOf(const std::vector<INPUT_RECORD> &records) {
  std::vector<Key> keys;
  for (const INPUT_RECORD &record : records) {
    EXPECT_EQ(record.EventType, winapi::KEY_EVENT);
    const winapi::KEY_EVENT_RECORD &key = record.Event.KeyEvent;
    EXPECT_TRUE(key.bKeyDown);
    EXPECT_EQ(key.wRepeatCount, 1);
    keys.push_back(
        {key.wVirtualKeyCode, static_cast<uint8_t>(key.uChar.AsciiChar), key.dwControlKeyState});
  }
  return keys;
}

std::vector<Key> Decode(KeyDecoder &decoder, const std::string &bytes) {
  std::vector<INPUT_RECORD> records;
  decoder.Feed(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), records);
  return KeysOf(records);
}

std::vector<Key> Decode(const std::string &bytes) {
  KeyDecoder decoder;
  return Decode(decoder, bytes);
}

constexpr winapi::DWORD kCtrl = dkposix::kLeftCtrlPressed;
constexpr winapi::DWORD kAlt = dkposix::kLeftAltPressed;
constexpr winapi::DWORD kShift = dkposix::kShiftPressed;
constexpr winapi::DWORD kEnhanced = dkposix::kEnhancedKey;

struct Case {
  const char *name;
  std::string bytes;
  std::vector<Key> keys;
};

class KeyDecoderTable : public ::testing::TestWithParam<Case> {};

TEST_P(KeyDecoderTable, DecodesBytesIntoKeys) {
  EXPECT_EQ(Decode(GetParam().bytes), GetParam().keys) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyDecoderTable,
    ::testing::Values(
        Case{"letters and digits",
             "aZ5 ",
             {{'A', 'a', 0}, {'Z', 'Z', kShift}, {'5', '5', 0}, {0x20, ' ', 0}}},
        Case{"punctuation carries only its byte", "!~", {{0, '!', 0}, {0, '~', 0}}},
        Case{"CR and LF are both Enter",
             "\r\n",
             {{winapi::VK_RETURN, 13, 0}, {winapi::VK_RETURN, 13, 0}}},
        Case{"DEL and BS are both Backspace",
             "\x7f\b",
             {{winapi::VK_BACK, 8, 0}, {winapi::VK_BACK, 8, 0}}},
        Case{"Tab", "\t", {{dkposix::kVkTab, 9, 0}}},
        Case{"Ctrl+letters", std::string("\x01\x1a", 2), {{'A', 1, kCtrl}, {'Z', 26, kCtrl}}},
        Case{"Ctrl+Space sends NUL", std::string("\0", 1), {{'2', 0, kCtrl}}},
        Case{"arrows, CSI and SS3",
             "\x1b[A\x1b[B\x1bOC\x1bOD",
             {{winapi::VK_UP, 0, kEnhanced},
              {winapi::VK_DOWN, 0, kEnhanced},
              {winapi::VK_RIGHT, 0, kEnhanced},
              {winapi::VK_LEFT, 0, kEnhanced}}},
        Case{"home and end, both spellings",
             "\x1b[H\x1b[F\x1b[1~\x1b[4~",
             {{winapi::VK_HOME, 0, kEnhanced},
              {winapi::VK_END, 0, kEnhanced},
              {winapi::VK_HOME, 0, kEnhanced},
              {winapi::VK_END, 0, kEnhanced}}},
        Case{"editing keys",
             "\x1b[2~\x1b[3~\x1b[5~\x1b[6~",
             {{winapi::VK_INSERT, 0, kEnhanced},
              {winapi::VK_DELETE, 0, kEnhanced},
              {winapi::VK_PRIOR, 0, kEnhanced},
              {winapi::VK_NEXT, 0, kEnhanced}}},
        Case{"function keys",
             "\x1bOP\x1bOS\x1b[15~\x1b[21~\x1b[24~\x1b[[A",
             {{winapi::VK_F1, 0, 0},
              {winapi::VK_F1 + 3, 0, 0},
              {winapi::VK_F1 + 4, 0, 0},
              {winapi::VK_F1 + 9, 0, 0},
              {winapi::VK_F1 + 11, 0, 0},
              {winapi::VK_F1, 0, 0}}},
        Case{"modifiers of xterm",
             "\x1b[1;5C\x1b[1;2A\x1b[3;3~",
             {{winapi::VK_RIGHT, 0, kCtrl | kEnhanced},
              {winapi::VK_UP, 0, kShift | kEnhanced},
              {winapi::VK_DELETE, 0, kAlt | kEnhanced}}},
        Case{"Shift+Tab", "\x1b[Z", {{dkposix::kVkTab, 9, kShift}}},
        Case{"Alt+letter",
             "\x1b"
             "x",
             {{'X', 'x', kAlt}}},
        Case{"two ESCs: the first is the Escape key",
             "\x1b\x1b[A",
             {{winapi::VK_ESCAPE, 27, 0}, {winapi::VK_UP, 0, kEnhanced}}},
        Case{"unknown sequences give nothing", "\x1b[99~\x1b[?1;2cq", {{'Q', 'q', 0}}},
        Case{"a broken sequence keeps the byte that broke it",
             "\x1b[1\r",
             {{winapi::VK_RETURN, 13, 0}}},
        Case{"UTF-8 with a Windows-1252 byte",
             "\xc3\xa9\xe2\x82\xac\xc5\x93",
             {{0, 0xE9, 0}, {0, 0x80, 0}, {0, 0x9C, 0}}},
        Case{"UTF-8 without one is skipped", "\xe2\x98\x83\xf0\x9f\x98\x80x", {{'X', 'x', 0}}},
        Case{"malformed UTF-8 is dropped", "\xc0\xaf\xed\xa0\x80\xff\xc3x", {{'X', 'x', 0}}}),
    [](const ::testing::TestParamInfo<Case> &info) { return std::to_string(info.index); });

TEST(KeyDecoder, SequencesSplitAcrossReadsStillDecode) {
  const std::string whole = "\x1b[1;5D\xc3\xa9\x1bOQ";
  const std::vector<Key> expected = {
      {winapi::VK_LEFT, 0, kCtrl | kEnhanced}, {0, 0xE9, 0}, {winapi::VK_F1 + 1, 0, 0}};
  // Every cut of the bytes into two reads gives the same keys.
  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    KeyDecoder decoder;
    std::vector<Key> keys = Decode(decoder, whole.substr(0, cut));
    std::vector<Key> rest = Decode(decoder, whole.substr(cut));
    keys.insert(keys.end(), rest.begin(), rest.end());
    EXPECT_EQ(keys, expected) << "cut at " << cut;
    EXPECT_FALSE(decoder.Pending());
  }
}

TEST(KeyDecoder, LoneEscapeIsTheEscapeKeyOnlyAfterTheTimeout) {
  KeyDecoder decoder;
  EXPECT_TRUE(Decode(decoder, "\x1b").empty());
  EXPECT_TRUE(decoder.Pending());
  std::vector<INPUT_RECORD> records;
  decoder.Expire(records);
  EXPECT_EQ(KeysOf(records), (std::vector<Key>{{winapi::VK_ESCAPE, 27, 0}}));
  EXPECT_FALSE(decoder.Pending());
  EXPECT_EQ(Decode(decoder, "a"), (std::vector<Key>{{'A', 'a', 0}}));
}

TEST(KeyDecoder, UnfinishedSequenceIsDroppedAtTheTimeout) {
  KeyDecoder decoder;
  EXPECT_TRUE(Decode(decoder, "\x1b[1;").empty());
  std::vector<INPUT_RECORD> records;
  decoder.Expire(records);
  EXPECT_TRUE(records.empty());
  EXPECT_EQ(Decode(decoder, "A"), (std::vector<Key>{{'A', 'A', kShift}}));
}

TEST(KeyDecoder, OverlongSequenceIsDroppedWithoutGrowing) {
  KeyDecoder decoder;
  std::string flood = "\x1b[" + std::string(10000, '1') + "~z";
  EXPECT_EQ(Decode(decoder, flood), (std::vector<Key>{{'Z', 'z', 0}}));
}

TEST(KeyDecoder, CursorReportIsTakenOnceAndIsNoKey) {
  KeyDecoder decoder;
  EXPECT_EQ(Decode(decoder, "\x1b[12;40Rk"), (std::vector<Key>{{'K', 'k', 0}}));
  std::optional<winapi::COORD> report = decoder.TakeCursorReport();
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(report->X, 39);
  EXPECT_EQ(report->Y, 11);
  EXPECT_FALSE(decoder.TakeCursorReport().has_value());
}

}  // namespace
