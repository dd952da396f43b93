// Reading a whole input with plain POSIX calls.
#pragma once

#include <string>

namespace escpos {

// Appends everything readable from fd to out until end of file. Returns false
// with errno set when a read fails.
bool ReadAll(int fd, std::string &out);

// Reads the named file, or standard input when path is null. Returns false
// with errno set when the file cannot be opened or read.
bool ReadFileOrStdin(const char *path, std::string &out);

}  // namespace escpos
