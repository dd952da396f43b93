// The bytes of one "EPOS" ticket, as every Enter must print them.
#pragma once

#include <string>

inline std::string TicketBytes() {
  const std::string header = "Brevanti Limited   09284 31 26 48\r\n";
  return std::string(4, '\n') + header + header + std::string(8, '\n') + "\x1bi" + "\x1bp0  ";
}
