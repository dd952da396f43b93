#include "harness/scratch_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "harness/command.h"

namespace {

// A process told to stop (a tmux server, a cupsd) is given this long to go.
constexpr auto kGoneTimeout = std::chrono::seconds(5);

std::vector<std::string> &Handed() {
  static std::vector<std::string> folders;
  return folders;
}

// Command lines of the other processes that mention folder.
std::vector<std::string> ProcessesNaming(const std::string &folder) {
  std::vector<std::string> found;
  const std::string self = std::to_string(getpid());
  std::error_code error;
  for (const auto &entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    std::ifstream file(entry.path() / "cmdline", std::ios::binary);
    std::string cmdline((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (char &c : cmdline) {
      if (c == '\0') c = ' ';
    }
    if (cmdline.find(folder) != std::string::npos) found.push_back(pid + ": " + cmdline);
  }
  return found;
}

class NoLeftovers : public testing::Environment {
 public:
  void TearDown() override {
    for (const std::string &folder : Handed()) {
      EXPECT_FALSE(std::filesystem::exists(folder)) << "scratch folder left behind: " << folder;
      std::vector<std::string> alive;
      WaitUntil(
          [&] {
            alive = ProcessesNaming(folder);
            return alive.empty();
          },
          kGoneTimeout, std::chrono::milliseconds(100));
      for (const std::string &process : alive) ADD_FAILURE() << "still running: " << process;
    }
  }
};

testing::Environment *const kNoLeftovers = testing::AddGlobalTestEnvironment(new NoLeftovers);

}  // namespace

std::string MakeScratchFolder(const std::string &prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) return "";
  Handed().push_back(pattern);
  return pattern;
}
