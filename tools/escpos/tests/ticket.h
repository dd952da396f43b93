// The tester's 89-byte ticket and the transcript it decodes to, shared by the
// tests of escpos-decode and escpos-virtual.
#pragma once

inline constexpr char kTicket[] =
    "\n\n\n\nBrevanti Limited   09284 31 26 48\r\nBrevanti Limited   09284 31 26 48\r\n"
    "\n\n\n\n\n\n\n\n\x1bi\x1bp0  ";

inline constexpr char kTicketTranscript[] =
    "feed x4\n"
    "text \"Brevanti Limited   09284 31 26 48\" (CR LF)\n"
    "text \"Brevanti Limited   09284 31 26 48\" (CR LF)\n"
    "feed x8\n"
    "partial cut\n"
    "drawer pulse pin 2, on 64 ms, off 64 ms\n";
