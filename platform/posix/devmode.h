// DEVMODEA records built from what CUPS knows of a destination: its name,
// copies, orientation and paper, each set (with its dmFields bit) only when
// known. Pure: the spooler hands in a lookup of the destination's options.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/winapi.h"

namespace dkposix {

// The value of a CUPS option or attribute ("copies", "media",
// "orientation-requested", ...) for the destination, if it has one.
using DestOptionLookup = std::function<std::optional<std::string>(const char *name)>;

winapi::DEVMODEA BuildDevMode(const std::string &destName, const DestOptionLookup &lookup);

// Copies into target the fields input marks in its dmFields.
void MergeDevMode(winapi::DEVMODEA &target, const winapi::DEVMODEA &input);

// DMPAPER_* of a CUPS media name (PWG "iso_a4_210x297mm" or legacy "A4"); a
// list takes its first known entry; 0 when none is known.
winapi::SHORT PaperSizeOfMedia(const std::string &media);

// DMORIENT_* of an orientation-requested value ("4", "landscape", ...); 0
// when unknown.
winapi::SHORT OrientationOf(const std::string &value);

}  // namespace dkposix
