#include "tools/escpos/decoder.h"

#include <cstring>

#include "tools/escpos/command_form.h"
#include "tools/escpos/cp437.h"
#include "tools/escpos/text_format.h"

namespace escpos {
namespace {

constexpr unsigned char kHt = 0x09;
constexpr unsigned char kLf = 0x0A;
constexpr unsigned char kCr = 0x0D;
constexpr unsigned char kDel = 0x7F;

enum class LineEnd { kLf, kCrLf, kCr };

const char *LineEndSuffix(LineEnd end) {
  switch (end) {
    case LineEnd::kLf:
      return "";
    case LineEnd::kCrLf:
      return " (CR LF)";
    case LineEnd::kCr:
      return " (CR)";
  }
  return "";
}

// The first words of a form's name, one for each prefix byte present: the
// name of a command cut off inside its prefix ("ESC c" for 1B 63 at the end).
std::string LeadingWords(const char *name, size_t words) {
  std::string out;
  for (const char *c = name; *c != '\0'; ++c) {
    if (*c == ' ' && --words == 0) break;
    out += *c;
  }
  return out;
}

class Decoder {
 public:
  explicit Decoder(std::string_view bytes)
      : in_(reinterpret_cast<const unsigned char *>(bytes.data())), size_(bytes.size()) {}

  std::vector<std::string> Run() {
    while (pos_ < size_) Step();
    if (!pending_.empty()) EmitText(" (unterminated)");
    FlushFeeds();
    return std::move(events_);
  }

 private:
  void Step() {
    const unsigned char byte = in_[pos_];
    if (byte == kLf) {
      ++pos_;
      EndLine(LineEnd::kLf);
    } else if (byte == kCr) {
      const bool crlf = pos_ + 1 < size_ && in_[pos_ + 1] == kLf;
      pos_ += crlf ? 2 : 1;
      EndLine(crlf ? LineEnd::kCrLf : LineEnd::kCr);
    } else if (byte == kHt || (byte >= 0x20 && byte != kDel)) {
      ++pos_;
      AddText(byte);
    } else {
      Command();
    }
  }

  void AddText(unsigned char byte) {
    if (byte >= 0x80 && state_.codeTable == 0) {
      AppendCp437(byte, pending_);
    } else {
      AppendQuoted(byte, pending_);
    }
  }

  void EndLine(LineEnd end) {
    if (!pending_.empty()) {
      EmitText(LineEndSuffix(end));
    } else if (lineOpen_) {
      Emit(std::string("end of line") + LineEndSuffix(end));
    } else if (end == LineEnd::kCr) {
      Emit("carriage return");
    } else {
      AddFeed(end);
    }
    lineOpen_ = false;
  }

  void AddFeed(LineEnd end) {
    if (feeds_ > 0 && feedEnd_ != end) FlushFeeds();
    feedEnd_ = end;
    ++feeds_;
  }

  void FlushFeeds() {
    if (feeds_ == 0) return;
    events_.push_back("feed x" + std::to_string(feeds_) + LineEndSuffix(feedEnd_));
    feeds_ = 0;
  }

  void Emit(std::string line) {
    FlushFeeds();
    events_.push_back(std::move(line));
  }

  void EmitText(const std::string &suffix) {
    Emit("text \"" + pending_ + "\"" + suffix);
    pending_.clear();
  }

  // Emits a command's event after settling the text it interrupts.
  void EmitCommand(std::string line, LineEffect effect, const char *name) {
    switch (effect) {
      case LineEffect::kKeepsLine:
        if (!pending_.empty()) {
          EmitText(" (continues)");
          lineOpen_ = true;
        }
        break;
      case LineEffect::kPrintsLine:
        if (!pending_.empty()) EmitText(std::string(" (printed by ") + name + ")");
        lineOpen_ = false;
        break;
      case LineEffect::kClearsLine:
        if (!pending_.empty()) EmitText(std::string(" (cleared by ") + name + ")");
        lineOpen_ = false;
        break;
    }
    Emit(std::move(line));
  }

  // Reports the bytes from start on and moves past them.
  void Report(const char *what, const std::string &name, size_t start, size_t end) {
    std::string line = what;
    if (!name.empty()) line += " " + name + ":";
    EmitCommand(line + " " + HexBytes(in_ + start, end - start), LineEffect::kKeepsLine, "");
    pos_ = end;
  }

  // Finds the form whose prefix starts at pos_, or reports the bytes as
  // unknown or truncated.
  void Command() {
    const unsigned char lead = in_[pos_];
    const CommandForm *found = nullptr;
    size_t foundSize = 0;
    size_t longestCommon = 0;
    const CommandForm *cutInsidePrefix = nullptr;
    for (const auto *table : {&EscCommands(), &GsCommands(), &OtherCommands()}) {
      for (const CommandForm &form : *table) {
        if (static_cast<unsigned char>(form.prefix[0]) != lead) continue;
        const size_t prefixSize = std::strlen(form.prefix);
        size_t common = 0;
        while (common < prefixSize && pos_ + common < size_ &&
               in_[pos_ + common] == static_cast<unsigned char>(form.prefix[common])) {
          ++common;
        }
        if (common == prefixSize) {
          if (prefixSize > foundSize) {
            found = &form;
            foundSize = prefixSize;
          }
        } else if (pos_ + common == size_ && cutInsidePrefix == nullptr) {
          cutInsidePrefix = &form;
        }
        if (common > longestCommon) longestCommon = common;
      }
    }
    if (found != nullptr) {
      Apply(*found, foundSize);
    } else if (cutInsidePrefix != nullptr) {
      Report("truncated", LeadingWords(cutInsidePrefix->name, size_ - pos_), pos_, size_);
    } else {
      // The matching part of a prefix and the byte that breaks it; a byte
      // that starts no command at all stands alone.
      const size_t length = longestCommon + 1;
      Report("unknown", "", pos_, pos_ + (length > size_ - pos_ ? size_ - pos_ : length));
    }
  }

  void Apply(const CommandForm &form, size_t prefixSize) {
    const size_t start = pos_;
    const size_t paramsAt = start + prefixSize;
    if (size_ - paramsAt < form.params) return Report("truncated", form.name, start, size_);
    const unsigned char *params = in_ + paramsAt;
    const size_t dataAt = paramsAt + form.params;
    const ByteSpan rest{in_ + dataAt, size_ - dataAt};
    size_t dataSize = 0;
    if (form.dataLength != nullptr) {
      const DataLength length = form.dataLength(params, rest);
      // A length past the end counts as truncated whatever the form says.
      if (length.status == DataLength::kTruncated ||
          (length.status == DataLength::kKnown && length.length > rest.size)) {
        return Report("truncated", form.name, start, size_);
      }
      // The data's length is unknown, so only the fixed part is consumed and
      // whatever follows is decoded afresh.
      if (length.status == DataLength::kInvalid) {
        return Report("invalid", form.name, start, dataAt);
      }
      dataSize = length.length;
    }
    const size_t end = dataAt + dataSize;
    const std::optional<std::string> line = form.describe(params, ByteSpan{rest.data, dataSize});
    if (!line) return Report("invalid", form.name, start, end);
    EmitCommand(*line, form.effect, form.name);
    if (form.update != nullptr) form.update(state_, params);
    pos_ = end;
  }

  const unsigned char *in_;
  size_t size_;
  size_t pos_ = 0;
  std::vector<std::string> events_;
  PrinterState state_;
  std::string pending_;    // quoted text of the line being assembled
  bool lineOpen_ = false;  // part of the current line is already in events_
  size_t feeds_ = 0;       // empty lines not yet reported
  LineEnd feedEnd_ = LineEnd::kLf;
};

}  // namespace

std::vector<std::string> Decode(std::string_view bytes) {
  return Decoder(bytes).Run();
}

std::string DecodeToText(std::string_view bytes) {
  std::string text;
  for (const std::string &line : Decode(bytes)) text += line + "\n";
  return text;
}

}  // namespace escpos
