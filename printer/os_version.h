// Generation code of the running Windows version: a small number that grows
// with the age of the system, compared as a number by its callers.
#pragma once

constexpr int kOsCodeWin2000 = 50;
constexpr int kOsCodeUnknown = 200;

// Asks the system afresh on every call; 200 for anything unclassified.
int OsVersionCode();
// The generation name of a code; "Windows_Future" for a code without one.
const char *OsGenerationName(int code);
