#include "printer/settings.h"

#include <cstddef>
#include <cstring>
#include <string>

namespace {

struct SettingKey {
  const char *key;
  DWORD field;
  size_t offset;
};

const SettingKey kKeys[] = {
    {"ORIENTATION", DM_ORIENTATION, offsetof(DEVMODEA, dmOrientation)},
    {"PAPERSIZE", DM_PAPERSIZE, offsetof(DEVMODEA, dmPaperSize)},
    {"PAPERLENGTH", DM_PAPERLENGTH, offsetof(DEVMODEA, dmPaperLength)},
    {"PAPERWIDTH", DM_PAPERWIDTH, offsetof(DEVMODEA, dmPaperWidth)},
    {"SCALE", DM_SCALE, offsetof(DEVMODEA, dmScale)},
    {"COPIES", DM_COPIES, offsetof(DEVMODEA, dmCopies)},
    {"DEFAULTSOURCE", DM_DEFAULTSOURCE, offsetof(DEVMODEA, dmDefaultSource)},
    {"PRINTQUALITY", DM_PRINTQUALITY, offsetof(DEVMODEA, dmPrintQuality)},
    {"COLOR", DM_COLOR, offsetof(DEVMODEA, dmColor)},
    {"DUPLEX", DM_DUPLEX, offsetof(DEVMODEA, dmDuplex)},
    {"YRESOLUTION", DM_YRESOLUTION, offsetof(DEVMODEA, dmYResolution)},
    {"TTOPTION", DM_TTOPTION, offsetof(DEVMODEA, dmTTOption)},
    {"COLLATE", DM_COLLATE, offsetof(DEVMODEA, dmCollate)},
};

// Every member the settings can reach lies before this offset.
constexpr LONG kSettingsReach = offsetof(DEVMODEA, dmCollate) + sizeof(SHORT);

int DigitValue(char c, int base) {
  int value = base;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  }
  return value < base ? value : -1;
}

void ApplyPair(const std::string &pair, BYTE *devmode) {
  size_t firstEquals = pair.find('=');
  std::string key = pair.substr(0, firstEquals);
  std::string valueText;
  if (firstEquals != std::string::npos) {
    size_t secondEquals = pair.find('=', firstEquals + 1);
    valueText = pair.substr(firstEquals + 1, secondEquals == std::string::npos
                                                 ? std::string::npos
                                                 : secondEquals - firstEquals - 1);
  }
  int64_t value = Print_ParseInteger(valueText.c_str());
  CharUpperA(&key[0]);

  for (const SettingKey &row : kKeys) {
    if (key != row.key) continue;
    DWORD fields;
    std::memcpy(&fields, devmode + offsetof(DEVMODEA, dmFields), sizeof fields);
    fields |= row.field;
    std::memcpy(devmode + offsetof(DEVMODEA, dmFields), &fields, sizeof fields);
    SHORT member = static_cast<SHORT>(static_cast<uint16_t>(static_cast<uint64_t>(value)));
    std::memcpy(devmode + row.offset, &member, sizeof member);
    return;
  }
}

}  // namespace

int64_t Print_ParseInteger(const char *text) {
  const char *at = text;
  while (*at == ' ' || *at == '\t') ++at;
  bool negative = false;
  if (*at == '-' || *at == '+') negative = *at++ == '-';
  int base = 10;
  if (*at == '$') {
    base = 16;
    ++at;
  } else if (*at == '%') {
    base = 2;
    ++at;
  }
  uint64_t value = 0;  // unsigned, so that overflow wraps instead of trapping
  for (int digit; (digit = DigitValue(*at, base)) >= 0; ++at) value = value * base + digit;
  if (negative) value = 0 - value;
  return static_cast<int64_t>(value);
}

int Print_ApplySettings(const char *settings, BYTE *devmode, LONG devmodeSize) {
  if (settings == nullptr || devmode == nullptr || devmodeSize < kSettingsReach) return 0;
  const char *start = settings;
  for (;;) {
    const char *comma = std::strchr(start, ',');
    size_t length = comma != nullptr ? static_cast<size_t>(comma - start) : std::strlen(start);
    ApplyPair(std::string(start, length), devmode);
    if (comma == nullptr) break;
    start = comma + 1;
  }
  return 0;
}
