#include "platform/posix/server_default.h"

#include <pwd.h>
#include <strings.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/posix/backend_calls.h"

namespace dkposix {
namespace {

// What libcups asks for a destination, with the default resolution, which it
// reads past.
const char *const kWanted[] = {"auth-info-required",
                               "device-uri",
                               "job-sheets-default",
                               "marker-change-time",
                               "marker-colors",
                               "marker-high-levels",
                               "marker-levels",
                               "marker-low-levels",
                               "marker-message",
                               "marker-names",
                               "marker-types",
                               "printer-commands",
                               "printer-defaults",
                               "printer-info",
                               "printer-is-accepting-jobs",
                               "printer-is-shared",
                               "printer-is-temporary",
                               "printer-location",
                               "printer-make-and-model",
                               "printer-mandatory-job-attributes",
                               "printer-name",
                               "printer-resolution-default",
                               "printer-state",
                               "printer-state-change-time",
                               "printer-state-reasons",
                               "printer-type",
                               "printer-uri-supported"};

// Description attributes a destination carries under their own names.
const char *const kDescriptions[] = {"auth-info-required",     "device-uri",
                                     "marker-change-time",     "marker-colors",
                                     "marker-high-levels",     "marker-levels",
                                     "marker-low-levels",      "marker-message",
                                     "marker-names",           "marker-types",
                                     "printer-commands",       "printer-info",
                                     "printer-is-shared",      "printer-is-temporary",
                                     "printer-make-and-model", "printer-mandatory-job-attributes",
                                     "printer-state",          "printer-state-change-time",
                                     "printer-type",           "printer-is-accepting-jobs",
                                     "printer-location",       "printer-state-reasons",
                                     "printer-uri-supported"};

std::string LpoptionsOfServer() {
  const char *root = std::getenv("CUPS_SERVERROOT");
  return std::string(root != nullptr ? root : "/etc/cups") + "/lpoptions";
}

// The user's file in the home libcups takes: HOME, else the account's.
std::string LpoptionsOfUser() {
  const char *home = std::getenv("HOME");
  if (home == nullptr) {
    const passwd *account = getpwuid(getuid());
    if (account != nullptr) home = account->pw_dir;
  }
  return home != nullptr ? std::string(home) + "/.cups/lpoptions" : std::string();
}

bool NamesDefault(const std::string &path) {
  if (path.empty()) return false;
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream words(line);
    std::string keyword;
    if (words >> keyword && strcasecmp(keyword.c_str(), "Default") == 0) return true;
  }
  return false;
}

// The user's options for the destination (lines "Dest name ..." or
// "Default name ..." without an instance), later lines winning.
void AddUserOptions(const std::string &path, cups_dest_t *dest) {
  if (path.empty()) return;
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream words(line);
    std::string keyword, name;
    if (!(words >> keyword >> name)) continue;
    if (strcasecmp(keyword.c_str(), "Dest") != 0 && strcasecmp(keyword.c_str(), "Default") != 0) {
      continue;
    }
    if (strcasecmp(name.c_str(), dest->name) != 0) continue;  // other printers and instances
    std::string rest;
    std::getline(words, rest);
    dest->num_options = cupsParseOptions(rest.c_str(), dest->num_options, &dest->options);
  }
}

// The values of an attribute as a destination option: comma-separated.
std::string OptionText(ipp_attribute_t *attribute) {
  std::string text;
  for (int i = 0; i < ippGetCount(attribute); ++i) {
    if (i > 0) text += ',';
    switch (ippGetValueTag(attribute)) {
      case IPP_TAG_INTEGER:
      case IPP_TAG_ENUM:
        text += std::to_string(ippGetInteger(attribute, i));
        break;
      case IPP_TAG_BOOLEAN:
        text += ippGetBoolean(attribute, i) ? "true" : "false";
        break;
      case IPP_TAG_RANGE: {
        int upper = 0;
        int lower = ippGetRange(attribute, i, &upper);
        text += std::to_string(lower) + "-" + std::to_string(upper);
        break;
      }
      default:
        if (const char *value = ippGetString(attribute, i, nullptr)) text += value;
        break;
    }
  }
  return text;
}

bool IsOptionTag(ipp_tag_t tag) {
  switch (tag) {
    case IPP_TAG_INTEGER:
    case IPP_TAG_ENUM:
    case IPP_TAG_BOOLEAN:
    case IPP_TAG_TEXT:
    case IPP_TAG_TEXTLANG:
    case IPP_TAG_NAME:
    case IPP_TAG_NAMELANG:
    case IPP_TAG_KEYWORD:
    case IPP_TAG_RANGE:
    case IPP_TAG_URI:
      return true;
    default:
      return false;
  }
}

bool IsDescription(const char *name) {
  for (const char *description : kDescriptions) {
    if (std::strcmp(name, description) == 0) return true;
  }
  return false;
}

// The destination the scheduler's answer describes: its description
// attributes, and its "<name>-default" attributes as "<name>" options.
CupsDest DestOfAnswer(ipp_t *answer) {
  const char *printerName = nullptr;
  int count = 0;
  cups_option_t *options = nullptr;
  for (ipp_attribute_t *attribute = ippFirstAttribute(answer); attribute != nullptr;
       attribute = ippNextAttribute(answer)) {
    const char *name = ippGetName(attribute);
    ipp_tag_t tag = ippGetValueTag(attribute);
    if (name == nullptr || ippGetGroupTag(attribute) != IPP_TAG_PRINTER || !IsOptionTag(tag)) {
      continue;
    }
    if (IsDescription(name)) {
      count = cupsAddOption(name, OptionText(attribute).c_str(), count, &options);
    } else if (std::strcmp(name, "printer-name") == 0 && tag == IPP_TAG_NAME) {
      printerName = ippGetString(attribute, 0, nullptr);
    } else if (const char *suffix = std::strstr(name, "-default");
               suffix != nullptr && std::strncmp(name, "notify-", 7) != 0 &&
               std::strncmp(name, "print-quality-", 14) != 0 && tag != IPP_TAG_TEXT &&
               tag != IPP_TAG_TEXTLANG && tag != IPP_TAG_NAMELANG && tag != IPP_TAG_URI) {
      std::string option(name, static_cast<size_t>(suffix - name));
      if (option != "media" || cupsGetOption("media", count, options) == nullptr) {
        count = cupsAddOption(option.c_str(), OptionText(attribute).c_str(), count, &options);
      }
    }
  }
  cups_dest_t *dests = nullptr;
  if (printerName == nullptr || cupsAddDest(printerName, nullptr, 0, &dests) != 1) {
    cupsFreeOptions(count, options);
    return nullptr;
  }
  dests->num_options = count;
  dests->options = options;
  dests->is_default = 1;
  return CupsDest(dests);
}

}  // namespace

bool UserNamesDefault() {
  const char *env = std::getenv("LPDEST");
  if (env == nullptr) {
    env = std::getenv("PRINTER");
    if (env != nullptr && std::strcmp(env, "lp") == 0) env = nullptr;
  }
  return env != nullptr || NamesDefault(LpoptionsOfUser()) || NamesDefault(LpoptionsOfServer());
}

DefaultAnswer LookupDefault(http_t *http) {
  if (UserNamesDefault()) return {LookupDest(http, nullptr), nullptr};
  ipp_t *request = ippNewRequest(IPP_OP_CUPS_GET_DEFAULT);
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(sizeof kWanted / sizeof kWanted[0]), nullptr, kWanted);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  IppMessage answer(Backend().cupsDoRequest(http, request, "/"));
  if (!answer || cupsLastError() > IPP_STATUS_OK_CONFLICTING) return {};
  CupsDest dest = DestOfAnswer(answer.get());
  if (!dest) return {};
  AddUserOptions(LpoptionsOfServer(), dest.get());
  AddUserOptions(LpoptionsOfUser(), dest.get());
  return {std::move(dest), std::move(answer)};
}

}  // namespace dkposix
