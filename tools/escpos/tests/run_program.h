// Test helpers: a temporary folder and running a program with chosen
// arguments, standard input and environment.
#pragma once

#include <string>
#include <vector>

namespace escpos_test {

// A fresh folder under TMPDIR, removed with everything in it at destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  const std::string &path() const { return path_; }

 private:
  std::string path_;
};

struct Result {
  int status;  // exit status, or -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs args[0] with args; standard input comes from stdin_path (/dev/null
// when empty). extra_env entries ("NAME=value") are added to the environment,
// replacing inherited ones of the same name.
Result Run(const std::vector<std::string> &args, const std::string &stdin_path = "",
           const std::vector<std::string> &extra_env = {});

std::string ReadFile(const std::string &path);

}  // namespace escpos_test
