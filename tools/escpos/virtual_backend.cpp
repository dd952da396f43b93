#include "tools/escpos/virtual_backend.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "tools/escpos/decoder.h"
#include "tools/escpos/read_all.h"
#include "tools/escpos/receipt_page.h"

namespace escpos {
namespace {

constexpr char kScheme[] = "escpos-virtual:";

// Readable by all: cupsd runs backends under umask 077, and the person who
// reads a transcript is seldom the lp user that wrote it.
constexpr mode_t kRecordMode = 0644;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> PercentDecoded(const std::string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::string Failure(const std::string &what, const std::string &path) {
  return "cannot " + what + " " + path + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const std::string &bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(wrote);
  }
  return true;
}

// Writes beside the final name and renames, so a reader never sees half a file.
std::optional<std::string> WriteRawCopy(const std::string &path, const std::string &bytes) {
  const std::string partial = path + ".partial";
  const int fd = open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kRecordMode);
  if (fd < 0) return Failure("create", partial);
  fchmod(fd, kRecordMode);
  const bool wrote = WriteAll(fd, bytes);
  const int writeError = errno;
  const bool closed = close(fd) == 0;
  if (!wrote || !closed) {
    if (!wrote) errno = writeError;
    const std::string failure = Failure("write", partial);
    unlink(partial.c_str());
    return failure;
  }
  if (rename(partial.c_str(), path.c_str()) != 0) {
    const std::string failure = Failure("rename to", path);
    unlink(partial.c_str());
    return failure;
  }
  return std::nullopt;
}

// The picture of every job in the transcript, redrawn from the whole log.
std::optional<std::string> RedrawPage(const std::string &transcriptPath,
                                      const std::string &pagePath) {
  std::string transcript;
  if (!ReadFileOrStdin(transcriptPath.c_str(), transcript)) {
    return Failure("read", transcriptPath);
  }
  return WriteRawCopy(pagePath, ReceiptPage(transcript));
}

// One append under an exclusive lock, and the page redrawn under it too:
// queues sharing a folder never interleave their records, and the page
// always shows the log it was drawn from.
std::optional<std::string> AppendRecord(const std::string &path, const std::string &record,
                                        const std::string &pagePath) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, kRecordMode);
  if (fd < 0) return Failure("open", path);
  fchmod(fd, kRecordMode);  // fails harmlessly on a log another user created
  std::optional<std::string> failure;
  if (flock(fd, LOCK_EX) != 0) {
    failure = Failure("lock", path);
  } else if (!WriteAll(fd, record)) {
    failure = Failure("append to", path);
  } else {
    failure = RedrawPage(path, pagePath);
  }
  if (close(fd) != 0 && !failure) failure = Failure("close", path);
  return failure;
}

}  // namespace

std::optional<std::string> FolderFromDeviceUri(const std::string &uri) {
  if (uri.compare(0, sizeof kScheme - 1, kScheme) != 0) return std::nullopt;
  std::string path = uri.substr(sizeof kScheme - 1);
  if (path.compare(0, 2, "//") == 0) {
    // An authority must be empty: the folder is on this machine.
    if (path.size() < 3 || path[2] != '/') return std::nullopt;
    path = path.substr(2);
  }
  if (path.empty() || path[0] != '/') return std::nullopt;
  return PercentDecoded(path);
}

std::string JobHeader(const std::string &jobId, const std::string &title, size_t bytes) {
  std::string quoted;
  for (const char c : title) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return "=== job " + jobId + " \"" + quoted + "\" " + std::to_string(bytes) +
         (bytes == 1 ? " byte" : " bytes");
}

std::optional<std::string> RecordJob(const std::string &folder, const std::string &jobId,
                                     const std::string &title, const std::string &bytes) {
  if (const auto failure = WriteRawCopy(folder + "/job-" + jobId + ".bin", bytes)) {
    return failure;
  }
  const std::string record = JobHeader(jobId, title, bytes.size()) + "\n" + DecodeToText(bytes);
  return AppendRecord(folder + "/transcript.log", record, folder + "/receipts.html");
}

}  // namespace escpos
