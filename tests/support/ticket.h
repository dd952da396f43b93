// One "EPOS" ticket as the printer must receive it, written out from the
// ticket's description rather than taken from the program. Every test,
// harness and tool test that checks a ticket compares against these bytes.
#pragma once

#include <cstddef>
#include <string>

#define DK_TICKET_FEED "\n\n\n\n"                                 // feed 4 lines
#define DK_TICKET_HEADER "Brevanti Limited   09284 31 26 48\r\n"  // printed twice
#define DK_TICKET_CUT "\x1B\x69"                                  // ESC i: cut
#define DK_TICKET_KICK "\x1B\x70\x30\x20\x20"                     // ESC p 0 32 32: drawer pin 2

// The pieces in the order the program writes them: a failed write can leave
// any of them out, each whole.
inline constexpr const char *kTicketPieces[] = {DK_TICKET_FEED, DK_TICKET_HEADER, DK_TICKET_HEADER,
                                                DK_TICKET_FEED, DK_TICKET_FEED,   DK_TICKET_CUT,
                                                DK_TICKET_KICK};

inline constexpr char kTicket[] = DK_TICKET_FEED DK_TICKET_HEADER DK_TICKET_HEADER DK_TICKET_FEED
    DK_TICKET_FEED DK_TICKET_CUT DK_TICKET_KICK;

inline constexpr char kTicketName[] = "EPOS";  // the spooler document's name
inline constexpr std::size_t kTicketSize = 89;
static_assert(sizeof kTicket - 1 == kTicketSize, "a ticket is 89 bytes");

inline std::string TicketBytes() {
  return std::string(kTicket, sizeof kTicket - 1);
}
