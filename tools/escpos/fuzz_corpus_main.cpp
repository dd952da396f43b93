// Runs the fuzz entry over every file in the folders given, without
// libFuzzer, so the seed and regression corpus is replayed by every ctest.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR...\n", argv[0]);
    return 2;
  }
  size_t inputs = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(argv[i], error)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream file(entry.path(), std::ios::binary);
      const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                    std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
      ++inputs;
    }
    if (error) {
      std::fprintf(stderr, "cannot read %s: %s\n", argv[i], error.message().c_str());
      return 1;
    }
  }
  if (inputs == 0) {
    std::fprintf(stderr, "no inputs found\n");
    return 1;
  }
  std::printf("%zu inputs decoded\n", inputs);
  return 0;
}
