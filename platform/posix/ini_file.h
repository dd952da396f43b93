// INI files as GetPrivateProfileStringA reads them: sections and keys match
// without regard to case, blanks around names and values are dropped, a value
// in matching quotes loses them, lines starting with ';' are comments, and the
// first of repeated sections or keys wins. Pure, apart from reading the file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/seam.h"

namespace dkposix {

class IniFile {
 public:
  explicit IniFile(const std::string &text);

  std::optional<std::string> Value(const std::string &section, const std::string &key) const;
  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(const std::string &section) const;

 private:
  struct Entry {
    std::string section;
    std::string key;
    std::string value;
  };
  std::vector<std::string> sections_;
  std::vector<Entry> entries_;
};

// Copies text into buffer cut to size-1 bytes and terminated; returns the
// bytes copied.
winapi::DWORD CopyProfileString(const std::string &text, winapi::LPSTR buffer, winapi::DWORD size);

// Copies names one after another, each terminated, the list ended by one
// more zero; a list cut short ends in two zeros and returns size-2.
winapi::DWORD CopyProfileList(const std::vector<std::string> &names, winapi::LPSTR buffer,
                              winapi::DWORD size);

DK_PROFILE_CALLS(DK_PLATFORM_DECLARE)

}  // namespace dkposix
