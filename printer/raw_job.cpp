#include "printer/raw_job.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "printer/print_state.h"
#include "printer/text_format.h"

namespace {

LPSTR OrNull(std::string &text) {
  return text.empty() ? nullptr : &text[0];
}

// Each byte taken as the character of the same number.
size_t Utf8Length(const unsigned char *text, size_t length) {
  size_t n = length;
  for (size_t i = 0; i < length; ++i) n += text[i] >= 0x80;
  return n;
}

void EncodeUtf8(const unsigned char *text, size_t length, BYTE *out) {
  for (size_t i = 0; i < length; ++i) {
    unsigned char b = text[i];
    if (b < 0x80) {
      *out++ = b;
    } else {
      *out++ = static_cast<BYTE>(0xC0 + b / 64);
      *out++ = static_cast<BYTE>(0x80 + b % 64);
    }
  }
}

// Converts with the system ANSI code page; the character count can be lower
// than the byte count on a double-byte code page. -1 when conversion failed.
long ToUtf16(const char *text, size_t length, std::vector<WCHAR> *wide) {
  if (length == 0) return 0;
  if (length > INT_MAX) return -1;
  wide->assign(length, 0);
  int count = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), wide->data(),
                                  static_cast<int>(length));
  return count > 0 ? count : -1;
}

}  // namespace

DWORD Print_StartRaw(const char *docName, const char *outputFile, const char *dataType) {
  std::string name = docName != nullptr ? docName : "";
  std::string output = outputFile != nullptr ? outputFile : "";
  std::string type = dataType != nullptr ? dataType : "";
  DOC_INFO_1A info = {OrNull(name), OrNull(output), OrNull(type)};
  DWORD job = StartDocPrinterA(g_Print.Vantrel_PH, 1, reinterpret_cast<LPBYTE>(&info));
  BOOL page = StartPagePrinter(g_Print.Vantrel_PH);
  return page ? job : 0;
}

int Print_RawString(const char *text, RawFormat format) {
  if (text == nullptr) text = "";
  const unsigned char *bytes = reinterpret_cast<const unsigned char *>(text);
  size_t length = std::strlen(text);

  std::vector<WCHAR> wide;
  size_t n = length;
  if (format == RAW_UTF8) {
    n = Utf8Length(bytes, length);
  } else if (format == RAW_UTF16) {
    long count = ToUtf16(text, length, &wide);
    if (count < 0) return 0;  // sending zeros in place of the text would corrupt the job
    n = 2 * static_cast<size_t>(count);
  }
  if (n > INT_MAX - 2) return 0;

  BYTE *buffer = static_cast<BYTE *>(Print_Calloc(n + 2, 1));
  if (buffer == nullptr) return 0;
  if (format == RAW_UTF8) {
    EncodeUtf8(bytes, length, buffer);
  } else if (format == RAW_UTF16) {
    for (size_t i = 0; i < n / 2; ++i) {  // low byte first, whatever the host's order
      buffer[2 * i] = static_cast<BYTE>(wide[i] & 0xFF);
      buffer[2 * i + 1] = static_cast<BYTE>(wide[i] >> 8);
    }
  } else {
    std::memcpy(buffer, text, length);
  }
  int result = Print_WriteRaw(buffer, static_cast<int>(n));
  std::free(buffer);
  return result;
}

int Print_WriteRaw(const BYTE *buffer, int size) {
  if (size < 0) return 0;
  // The spooler may take fewer bytes than asked; a ticket cut short would lose
  // its drawer-kick command, so the rest is written until all is taken or a
  // write fails. A write that takes nothing counts as failed, so this ends.
  int total = 0;
  do {
    int asked = size - total;
    BYTE *at = const_cast<BYTE *>(buffer) + total;
    DWORD written = 0;
    if (!WritePrinter(g_Print.Vantrel_PH, at, static_cast<DWORD>(asked), &written)) break;
    Print_Trace(
        "WritePrinter_(Vantrel_PH=" +
        DecimalText(static_cast<int64_t>(reinterpret_cast<uintptr_t>(g_Print.Vantrel_PH))) +
        ",*Membuffer=" + DecimalText(static_cast<int64_t>(reinterpret_cast<uintptr_t>(at))) +
        ",Size=" + DecimalText(asked) + ")");
    if (written > static_cast<DWORD>(asked)) written = static_cast<DWORD>(asked);
    total += static_cast<int>(written);
    if (written == 0) break;
  } while (total < size);
  return total;
}

int Print_StopRaw() {
  EndPagePrinter(g_Print.Vantrel_PH);
  BOOL ended = EndDocPrinter(g_Print.Vantrel_PH);
  Print_Release();
  return ended ? 1 : 0;
}
