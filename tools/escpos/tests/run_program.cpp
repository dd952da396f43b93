#include "tests/run_program.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char **environ;

namespace escpos_test {
namespace {

std::string ReadBack(FILE *file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  std::fclose(file);
  return text;
}

}  // namespace

TempDir::TempDir() {
  const char *base = getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/escpos-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

Result Run(const std::vector<std::string> &args, const std::string &stdin_path,
           const std::vector<std::string> &extra_env) {
  FILE *out = std::tmpfile();
  FILE *err = std::tmpfile();
  if (out == nullptr || err == nullptr) throw std::runtime_error("tmpfile failed");
  std::vector<char *> argv;
  for (const std::string &arg : args) argv.push_back(const_cast<char *>(arg.c_str()));
  argv.push_back(nullptr);
  // An extra entry replaces an inherited one of the same name.
  std::vector<char *> envp;
  for (char **entry = environ; *entry != nullptr; ++entry) {
    const std::string inherited = *entry;
    const std::string name = inherited.substr(0, inherited.find('=') + 1);
    bool replaced = false;
    for (const std::string &extra : extra_env) replaced |= extra.compare(0, name.size(), name) == 0;
    if (!replaced) envp.push_back(*entry);
  }
  for (const std::string &entry : extra_env) envp.push_back(const_cast<char *>(entry.c_str()));
  envp.push_back(nullptr);

  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    const int in = open(stdin_path.empty() ? "/dev/null" : stdin_path.c_str(), O_RDONLY);
    if (in < 0 || dup2(in, 0) < 0 || dup2(fileno(out), 1) < 0 || dup2(fileno(err), 2) < 0) {
      _exit(127);
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  Result result;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadBack(out);
  result.err = ReadBack(err);
  return result;
}

std::string ReadFile(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace escpos_test
