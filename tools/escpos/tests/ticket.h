// The transcript the tester's 89-byte ticket (kTicket) decodes to, shared by
// the tests of escpos-decode and escpos-virtual.
#pragma once

#include "tests/support/ticket.h"

inline constexpr char kTicketTranscript[] =
    "feed x4\n"
    "text \"Brevanti Limited   09284 31 26 48\" (CR LF)\n"
    "text \"Brevanti Limited   09284 31 26 48\" (CR LF)\n"
    "feed x8\n"
    "partial cut\n"
    "drawer pulse pin 2, on 64 ms, off 64 ms\n";
