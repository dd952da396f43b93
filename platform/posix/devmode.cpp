#include "platform/posix/devmode.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace dkposix {
namespace {

using winapi::DEVMODEA;
using winapi::SHORT;

constexpr int kMaxCopies = 9999;

struct PaperName {
  const char *name;
  SHORT paper;
};

// PWG self-describing names and the older PPD-style names CUPS also uses.
constexpr PaperName kPapers[] = {
    {"na_letter_8.5x11in", winapi::DMPAPER_LETTER}, {"letter", winapi::DMPAPER_LETTER},
    {"na_legal_8.5x14in", winapi::DMPAPER_LEGAL},   {"legal", winapi::DMPAPER_LEGAL},
    {"iso_a4_210x297mm", winapi::DMPAPER_A4},       {"a4", winapi::DMPAPER_A4},
    {"iso_a5_148x210mm", winapi::DMPAPER_A5},       {"a5", winapi::DMPAPER_A5},
};

std::optional<SHORT> CopiesOf(const std::string &value) {
  char *end = nullptr;
  long copies = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0' || copies < 1) return std::nullopt;
  return static_cast<SHORT>(std::min<long>(copies, kMaxCopies));
}

}  // namespace

SHORT PaperSizeOfMedia(const std::string &media) {
  size_t start = 0;
  while (start <= media.size()) {
    size_t end = media.find(',', start);
    if (end == std::string::npos) end = media.size();
    std::string entry = media.substr(start, end - start);
    for (const PaperName &paper : kPapers) {
      if (strcasecmp(entry.c_str(), paper.name) == 0) return paper.paper;
    }
    start = end + 1;
  }
  return 0;
}

SHORT OrientationOf(const std::string &value) {
  // IPP enums: 3 portrait, 4 landscape, 5 reverse-landscape, 6 reverse-portrait.
  if (value == "3" || value == "6" || value == "portrait" || value == "reverse-portrait") {
    return winapi::DMORIENT_PORTRAIT;
  }
  if (value == "4" || value == "5" || value == "landscape" || value == "reverse-landscape") {
    return winapi::DMORIENT_LANDSCAPE;
  }
  return 0;
}

DEVMODEA BuildDevMode(const std::string &destName, const DestOptionLookup &lookup) {
  DEVMODEA mode{};
  size_t nameBytes = std::min(destName.size(), sizeof mode.dmDeviceName - 1);
  std::memcpy(mode.dmDeviceName, destName.data(), nameBytes);
  mode.dmSpecVersion = winapi::DM_SPECVERSION;
  mode.dmSize = sizeof(DEVMODEA);
  mode.dmDriverExtra = 0;

  if (std::optional<std::string> copies = lookup("copies")) {
    if (std::optional<SHORT> value = CopiesOf(*copies)) {
      mode.dmCopies = *value;
      mode.dmFields |= winapi::DM_COPIES;
    }
  }
  SHORT orientation = 0;
  if (std::optional<std::string> requested = lookup("orientation-requested")) {
    orientation = OrientationOf(*requested);
  }
  if (orientation == 0 && lookup("landscape")) orientation = winapi::DMORIENT_LANDSCAPE;
  if (orientation != 0) {
    mode.dmOrientation = orientation;
    mode.dmFields |= winapi::DM_ORIENTATION;
  }
  SHORT paper = 0;
  for (const char *option : {"media", "PageSize"}) {
    if (paper != 0) break;
    if (std::optional<std::string> media = lookup(option)) paper = PaperSizeOfMedia(*media);
  }
  if (paper != 0) {
    mode.dmPaperSize = paper;
    mode.dmFields |= winapi::DM_PAPERSIZE;
  }
  return mode;
}

void MergeDevMode(DEVMODEA &target, const DEVMODEA &input) {
  struct Field {
    winapi::DWORD bit;
    SHORT DEVMODEA::*member;
  };
  static constexpr Field kShortFields[] = {
      {winapi::DM_ORIENTATION, &DEVMODEA::dmOrientation},
      {winapi::DM_PAPERSIZE, &DEVMODEA::dmPaperSize},
      {winapi::DM_PAPERLENGTH, &DEVMODEA::dmPaperLength},
      {winapi::DM_PAPERWIDTH, &DEVMODEA::dmPaperWidth},
      {winapi::DM_SCALE, &DEVMODEA::dmScale},
      {winapi::DM_COPIES, &DEVMODEA::dmCopies},
      {winapi::DM_DEFAULTSOURCE, &DEVMODEA::dmDefaultSource},
      {winapi::DM_PRINTQUALITY, &DEVMODEA::dmPrintQuality},
      {winapi::DM_COLOR, &DEVMODEA::dmColor},
      {winapi::DM_DUPLEX, &DEVMODEA::dmDuplex},
      {winapi::DM_YRESOLUTION, &DEVMODEA::dmYResolution},
      {winapi::DM_TTOPTION, &DEVMODEA::dmTTOption},
      {winapi::DM_COLLATE, &DEVMODEA::dmCollate},
  };
  for (const Field &field : kShortFields) {
    if (input.dmFields & field.bit) {
      target.*field.member = input.*field.member;
      target.dmFields |= field.bit;
    }
  }
  if (input.dmFields & winapi::DM_FORMNAME) {
    std::memcpy(target.dmFormName, input.dmFormName, sizeof target.dmFormName);
    target.dmFormName[sizeof target.dmFormName - 1] = 0;
    target.dmFields |= winapi::DM_FORMNAME;
  }
}

}  // namespace dkposix
