// escpos-decode [FILE]: prints the transcript of the ESC/POS bytes in FILE,
// or on standard input when no file is given.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/escpos/decoder.h"
#include "tools/escpos/read_all.h"

int main(int argc, char **argv) {
  if (argc > 2 ||
      (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
    std::fprintf(stderr, "usage: escpos-decode [FILE]\n");
    return 2;
  }
  const char *path = argc == 2 ? argv[1] : nullptr;
  std::string bytes;
  if (!escpos::ReadFileOrStdin(path, bytes)) {
    std::fprintf(stderr, "escpos-decode: cannot read %s: %s\n", path ? path : "standard input",
                 std::strerror(errno));
    return 1;
  }
  const std::string text = escpos::DecodeToText(bytes);
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "escpos-decode: cannot write the transcript: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}
