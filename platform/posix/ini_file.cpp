#include "platform/posix/ini_file.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/posix/last_error.h"

namespace dkposix {
namespace {

std::string Trim(const std::string &text) {
  const char *blanks = " \t\r\n";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

std::string Unquote(const std::string &value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

bool SameName(const std::string &a, const std::string &b) {
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace

IniFile::IniFile(const std::string &text) {
  std::istringstream lines(text);
  std::string line;
  std::string section;
  bool inSection = false;
  while (std::getline(lines, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      section = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      inSection = true;
      bool known = std::any_of(sections_.begin(), sections_.end(),
                               [&](const std::string &s) { return SameName(s, section); });
      if (!known) sections_.push_back(section);
      continue;
    }
    size_t equals = line.find('=');
    if (!inSection || equals == std::string::npos) continue;
    entries_.push_back(
        Entry{section, Trim(line.substr(0, equals)), Unquote(Trim(line.substr(equals + 1)))});
  }
}

std::optional<std::string> IniFile::Value(const std::string &section,
                                          const std::string &key) const {
  for (const Entry &entry : entries_) {
    if (SameName(entry.section, section) && SameName(entry.key, key)) return entry.value;
  }
  return std::nullopt;
}

std::vector<std::string> IniFile::Sections() const {
  return sections_;
}

std::vector<std::string> IniFile::Keys(const std::string &section) const {
  std::vector<std::string> keys;
  for (const Entry &entry : entries_) {
    if (!SameName(entry.section, section)) continue;
    bool seen = std::any_of(keys.begin(), keys.end(),
                            [&](const std::string &k) { return SameName(k, entry.key); });
    if (!seen) keys.push_back(entry.key);
  }
  return keys;
}

winapi::DWORD CopyProfileString(const std::string &text, winapi::LPSTR buffer, winapi::DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  size_t copied = std::min<size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return static_cast<winapi::DWORD>(copied);
}

winapi::DWORD CopyProfileList(const std::vector<std::string> &names, winapi::LPSTR buffer,
                              winapi::DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  if (size == 1) {
    buffer[0] = '\0';
    return 0;
  }
  size_t used = 0;
  for (const std::string &name : names) {
    if (used + name.size() + 2 > size) {
      // Cut short: fill what fits and end with two zeros, as Windows does.
      size_t room = size - 2 >= used ? size - 2 - used : 0;
      std::memcpy(buffer + used, name.data(), std::min(room, name.size()));
      buffer[size - 2] = '\0';
      buffer[size - 1] = '\0';
      return size - 2;
    }
    std::memcpy(buffer + used, name.c_str(), name.size() + 1);
    used += name.size() + 1;
  }
  buffer[used] = '\0';
  return static_cast<winapi::DWORD>(used);
}

winapi::DWORD GetPrivateProfileStringA(winapi::LPCSTR section, winapi::LPCSTR key,
                                       winapi::LPCSTR fallback, winapi::LPSTR buffer,
                                       winapi::DWORD size, winapi::LPCSTR file) {
  if (buffer == nullptr || size == 0) {
    SetLastError(winapi::ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string text;
  bool found = false;
  if (file != nullptr) {
    std::ifstream stream(file, std::ios::binary);
    if (stream) {
      std::ostringstream contents;
      contents << stream.rdbuf();
      text = contents.str();
      found = true;
    }
  }
  IniFile ini(text);
  if (section == nullptr) return CopyProfileList(ini.Sections(), buffer, size);
  if (key == nullptr) return CopyProfileList(ini.Keys(section), buffer, size);
  if (std::optional<std::string> value = ini.Value(section, key)) {
    return CopyProfileString(*value, buffer, size);
  }
  if (!found) SetLastError(winapi::ERROR_FILE_NOT_FOUND);
  // The fallback comes back without its trailing blanks.
  std::string answer = fallback != nullptr ? fallback : "";
  answer.erase(answer.find_last_not_of(' ') + 1);
  return CopyProfileString(answer, buffer, size);
}

}  // namespace dkposix
