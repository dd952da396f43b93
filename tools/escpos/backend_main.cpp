// escpos-virtual: a CUPS backend for a receipt printer that exists only as
// files. With no arguments it reports its device for discovery; run by cupsd
// as "escpos-virtual job user title copies options [file]" it records the job
// in the folder of its device URI (escpos-virtual:/ABSOLUTE/DIR): the raw
// bytes as job-<N>.bin, the decoded transcript appended to transcript.log,
// and receipts.html, a picture of every job recorded there.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/escpos/read_all.h"
#include "tools/escpos/virtual_backend.h"

namespace {

// Exit codes CUPS defines for backends (backend(7)).
constexpr int kBackendOk = 0;
constexpr int kBackendFailed = 1;

int Fail(const std::string &message) {
  std::fprintf(stderr, "ERROR: %s\n", message.c_str());
  return kBackendFailed;
}

bool IsJobId(const char *text) {
  const size_t length = std::strlen(text);
  if (length == 0 || length > 10) return false;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 1) {
    std::printf("direct escpos-virtual \"Unknown\" \"Virtual ESC/POS receipt printer\"\n");
    return kBackendOk;
  }
  if (argc != 6 && argc != 7) {
    std::fprintf(stderr, "Usage: escpos-virtual job-id user title copies options [file]\n");
    return kBackendFailed;
  }
  // cupsd passes the device URI in the environment; argv[0] holds it too.
  const char *uri = std::getenv("DEVICE_URI");
  if (uri == nullptr) uri = argv[0];
  const auto folder = escpos::FolderFromDeviceUri(uri);
  if (!folder)
    return Fail(std::string("device URI must be escpos-virtual:/ABSOLUTE/DIR, not ") + uri);
  if (!IsJobId(argv[1])) return Fail(std::string("job id must be a number, not ") + argv[1]);

  const char *file = argc == 7 ? argv[6] : nullptr;
  std::string bytes;
  if (!escpos::ReadFileOrStdin(file, bytes)) {
    return Fail(std::string("cannot read the job from ") + (file ? file : "standard input") + ": " +
                std::strerror(errno));
  }
  if (const auto failure = escpos::RecordJob(*folder, argv[1], argv[3], bytes)) {
    return Fail(*failure);
  }
  std::fprintf(stderr, "INFO: Recorded job %s, %zu bytes, in %s\n", argv[1], bytes.size(),
               folder->c_str());
  return kBackendOk;
}
