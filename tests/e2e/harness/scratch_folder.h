// Scratch folders of the end-to-end tests: each test's private cupsd and
// tmux server live in one, with their sockets. At the end of the test
// process every folder handed out must be gone and no process may still
// name one on its command line (a cupsd, a tmux server, the program): the
// tests leave nothing behind in the system's temporary folder.
#pragma once

#include <string>

// A new folder PREFIX-XXXXXX in the temporary folder, or "" when it cannot
// be made.
std::string MakeScratchFolder(const std::string &prefix);
