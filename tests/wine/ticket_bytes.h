// The bytes each Enter must put on the printer, written out here from the
// ticket's description rather than taken from the program.
#pragma once

#include <string>

namespace wine_harness {

inline std::string ExpectedTicket() {
  const std::string header = "Brevanti Limited   09284 31 26 48\r\n";
  return std::string(4, '\n')       // feed 4 lines
         + header + header          // the header line twice
         + std::string(8, '\n')     // feed 8 lines
         + "\x1B\x69"               // ESC i: cut
         + "\x1B\x70\x30\x20\x20";  // ESC p 0 32 32: kick the drawer on pin 2
}

constexpr const char *kTicketName = "EPOS";
constexpr size_t kTicketSize = 89;

}  // namespace wine_harness
