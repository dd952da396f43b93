// A scratch folder for one test, removed with what it holds.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class TestFolder {
 public:
  TestFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dk-posix-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TestFolder() { std::filesystem::remove_all(path_); }
  TestFolder(const TestFolder &) = delete;
  TestFolder &operator=(const TestFolder &) = delete;

  std::string Path(const std::string &name) const { return path_ + "/" + name; }

  std::string Write(const std::string &name, const std::string &text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
    return Path(name);
  }

  std::string Read(const std::string &name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::string path_;
};
