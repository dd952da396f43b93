// Windows-1252, the ANSI code page of this backend, and the code page 437
// pictures a console shows for control bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dkposix {

// The Unicode character of a Windows-1252 byte. The five bytes the code page
// leaves undefined map to the C1 controls of the same value, as Windows does.
char32_t Cp1252ToUnicode(uint8_t byte);

// The Windows-1252 byte of a Unicode character, if the code page has one.
std::optional<uint8_t> UnicodeToCp1252(char32_t character);

// The upper-case form of a Windows-1252 byte (unchanged when it has none).
uint8_t Cp1252Upper(uint8_t byte);

// What a console shows for a byte written without processing: control bytes
// as the pictures of code page 437, others as their Windows-1252 character.
// Bytes the code page leaves undefined show as '?'.
char32_t ConsoleGlyph(uint8_t byte);

void AppendUtf8(std::string &out, char32_t character);

}  // namespace dkposix
