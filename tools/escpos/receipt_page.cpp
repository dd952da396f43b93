#include "tools/escpos/receipt_page.h"

#include <vector>

namespace escpos {
namespace {

constexpr char kJobPrefix[] = "=== job ";
constexpr char kTextPrefix[] = "text \"";
constexpr char kFeedPrefix[] = "feed x";

// Paper, ink and marks; the teeth of a torn edge are two gradients, so the
// page needs no image.
constexpr char kStyle[] = R"(
body { background: #5b6470; color: #f4f4f4; font: 15px sans-serif; margin: 24px; }
h1 { font-size: 18px; font-weight: normal; }
.receipts { display: flex; flex-wrap: wrap; gap: 32px; align-items: flex-start; }
.receipt { margin: 0; width: min-content; }
.receipt h2 { font-size: 14px; font-weight: normal; margin: 0 0 8px; white-space: nowrap; }
.paper { background: #fffdf4; color: #111; padding: 4px 12px; width: 42ch;
  font: 15px/1.25 "DejaVu Sans Mono", "Liberation Mono", monospace;
  box-shadow: 0 2px 6px rgba(0, 0, 0, 0.35); }
.line, .unprinted { white-space: pre; min-height: 1.25em; }
.unprinted { color: #a33; text-decoration: line-through; }
.note, .hex { font: 11px/1.4 monospace; white-space: pre-wrap; margin: 2px -8px; padding: 1px 6px; }
.note { color: #667; border-left: 3px solid #ccd; }
.hex { color: #7a2000; background: #ffe9d6; border-left: 3px solid #d2691e; }
.cut { position: relative; height: 32px; }
.cut::before, .cut::after { content: ""; position: absolute; left: 0; right: 0; height: 8px;
  background-size: 12px 8px; background-repeat: repeat-x; }
.cut::before { top: 0; background-image: linear-gradient(135deg, #fffdf4 50%, transparent 50%),
  linear-gradient(225deg, #fffdf4 50%, transparent 50%); }
.cut::after { bottom: 0; background-image: linear-gradient(45deg, #fffdf4 50%, transparent 50%),
  linear-gradient(315deg, #fffdf4 50%, transparent 50%); }
.cut span { position: absolute; left: 0; right: 0; top: 9px; text-align: center;
  font-size: 11px; line-height: 14px; color: #ffd; }
.drawer { margin-top: 10px; padding: 6px 10px; background: #ffd400; color: #111;
  border: 2px solid #111; font-weight: bold; }
)";

// The text with HTML's special characters as entities.
std::string Escaped(const std::string &text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool StartsWith(const std::string &text, const char *prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// The body of a quoted transcript string as the paper shows it: a quote or a
// backslash escaped by a backslash is the character, \t moves to the next tab
// stop of 8, and \xNN stays as the transcript writes it. Sets end to the index
// after the closing quote.
std::string Unquoted(const std::string &line, size_t start, size_t &end) {
  std::string out;
  size_t columns = 0;
  size_t i = start;
  for (; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) {
      const char next = line[++i];
      if (next == 't') {
        do {
          out += ' ';
          ++columns;
        } while (columns % 8 != 0);
        continue;
      }
      if (next != '"' && next != '\\') out += '\\';
      out += next;
    } else {
      out += line[i];
    }
    // UTF-8 continuation bytes take no column of their own.
    if ((static_cast<unsigned char>(out.back()) & 0xC0) != 0x80) ++columns;
  }
  end = i < line.size() ? i + 1 : i;
  return out;
}

// The text cut into pieces of at most kReceiptColumns characters.
std::vector<std::string> Wrapped(const std::string &text) {
  std::vector<std::string> rows(1);
  size_t columns = 0;
  for (const char c : text) {
    const bool startsCharacter = (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    if (startsCharacter && columns == kReceiptColumns) {
      rows.emplace_back();
      columns = 0;
    }
    rows.back() += c;
    if (startsCharacter) ++columns;
  }
  return rows;
}

// "pin 2, on 64 ms, off 64 ms": the three values, or false for another form.
bool PulseValues(const std::string &rest, std::string &pin, std::string &on, std::string &off) {
  const size_t onAt = rest.find(", on ");
  const size_t offAt = rest.find(", off ");
  if (!StartsWith(rest, "pin ") || onAt == std::string::npos || offAt == std::string::npos ||
      offAt < onAt) {
    return false;
  }
  pin = rest.substr(4, onAt - 4);
  on = rest.substr(onAt + 5, offAt - onAt - 5);
  off = rest.substr(offAt + 6);
  return true;
}

struct Page {
  std::string html;
  std::string line;               // text of the paper line being assembled
  bool lineOpen = false;          // part of it came before a command
  std::vector<std::string> held;  // notes of commands met inside that line
  bool inReceipt = false;
  bool inPaper = false;
  int receipts = 0;
};

void OpenPaper(Page &page) {
  if (page.inPaper) return;
  page.html += "<div class=\"paper\">\n";
  page.inPaper = true;
}

void ClosePaper(Page &page) {
  if (!page.inPaper) return;
  page.html += "</div>\n";
  page.inPaper = false;
}

void PaperRows(Page &page, const std::string &text, const char *cssClass) {
  OpenPaper(page);
  for (const std::string &row : Wrapped(text)) {
    page.html += std::string("<div class=\"") + cssClass + "\">" + Escaped(row) + "</div>\n";
  }
}

void FlushLine(Page &page) {
  if (page.lineOpen || !page.line.empty()) PaperRows(page, page.line, "line");
  page.line.clear();
  page.lineOpen = false;
  for (const std::string &note : page.held) page.html += note;
  page.held.clear();
}

// A mark that is not printed: said at once, or after the line it sits in.
void Mark(Page &page, const std::string &html) {
  OpenPaper(page);
  if (page.lineOpen) {
    page.held.push_back(html);
  } else {
    page.html += html;
  }
}

void CloseReceipt(Page &page) {
  if (!page.inReceipt) return;
  FlushLine(page);
  ClosePaper(page);
  page.html += "</section>\n";
  page.inReceipt = false;
}

void OpenReceipt(Page &page, const std::string &caption) {
  CloseReceipt(page);
  ++page.receipts;
  page.html += "<section class=\"receipt\">\n<h2>" + Escaped(caption) + "</h2>\n";
  page.inReceipt = true;
}

void Text(Page &page, const std::string &line) {
  size_t end = 0;
  const std::string text = Unquoted(line, sizeof kTextPrefix - 1, end);
  const std::string suffix = line.substr(end);
  if (suffix == " (continues)") {
    page.line += text;
    page.lineOpen = true;
  } else if (StartsWith(suffix, " (cleared by") || suffix == " (unterminated)") {
    FlushLine(page);
    PaperRows(page, text, "unprinted");
    page.html += "<div class=\"note\">" + Escaped(suffix.substr(2, suffix.size() - 3)) + "</div>\n";
  } else {
    page.line += text;
    FlushLine(page);
  }
}

void Feed(Page &page, const std::string &line) {
  FlushLine(page);
  unsigned long count = 0;
  for (size_t i = sizeof kFeedPrefix - 1; i < line.size() && line[i] >= '0' && line[i] <= '9';
       ++i) {
    count = count * 10 + static_cast<unsigned long>(line[i] - '0');
    if (count > 1000) break;  // a screenful says enough; the title keeps the count
  }
  OpenPaper(page);
  page.html += "<div class=\"feed\" title=\"" + Escaped(line) + "\" style=\"height:calc(" +
               std::to_string(count) + " * 1.25em)\"></div>\n";
}

void Cut(Page &page, const std::string &line) {
  FlushLine(page);
  ClosePaper(page);
  page.html += "<div class=\"cut\" title=\"" + Escaped(line) + "\"><span>&#9986; " + Escaped(line) +
               "</span></div>\n";
}

void Pulse(Page &page, const std::string &line, const std::string &rest) {
  std::string pin, on, off;
  std::string attributes;
  if (PulseValues(rest, pin, on, off)) {
    attributes = " data-pin=\"" + Escaped(pin) + "\" data-on=\"" + Escaped(on) + "\" data-off=\"" +
                 Escaped(off) + "\"";
  }
  FlushLine(page);
  ClosePaper(page);
  page.html += "<div class=\"drawer\"" + attributes +
               ">&#9889; cash drawer kick: " + Escaped(line) + "</div>\n";
}

void Event(Page &page, const std::string &line) {
  if (StartsWith(line, kJobPrefix)) return OpenReceipt(page, line.substr(4));
  if (!page.inReceipt) OpenReceipt(page, "before the first job");
  if (StartsWith(line, kTextPrefix)) return Text(page, line);
  if (StartsWith(line, kFeedPrefix)) return Feed(page, line);
  if (StartsWith(line, "end of line")) return FlushLine(page);
  // "partial cut", "full cut reserved after ...", "feed 3 units and full cut".
  if (StartsWith(line, "partial cut") || StartsWith(line, "full cut") ||
      (StartsWith(line, "feed ") && line.find(" cut") != std::string::npos)) {
    return Cut(page, line);
  }
  if (StartsWith(line, "drawer pulse ")) return Pulse(page, line, line.substr(13));
  if (StartsWith(line, "real-time pulse ")) return Pulse(page, line, line.substr(16));
  const bool raw = StartsWith(line, "unknown ") || StartsWith(line, "invalid ") ||
                   StartsWith(line, "truncated ");
  Mark(page,
       std::string("<div class=\"") + (raw ? "hex" : "note") + "\">" + Escaped(line) + "</div>\n");
}

}  // namespace

std::string ReceiptPage(const std::string &transcript) {
  Page page;
  size_t start = 0;
  while (start < transcript.size()) {
    size_t end = transcript.find('\n', start);
    if (end == std::string::npos) end = transcript.size();
    if (end > start) Event(page, transcript.substr(start, end - start));
    start = end + 1;
  }
  CloseReceipt(page);
  const std::string count =
      std::to_string(page.receipts) + (page.receipts == 1 ? " receipt" : " receipts");
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<title>Virtual receipt printer: " +
         count + "</title>\n<style>" + kStyle +
         "</style>\n</head>\n<body>\n<h1>Virtual receipt printer: " + count +
         ", newest last</h1>\n<div class=\"receipts\">\n" + page.html +
         "</div>\n</body>\n</html>\n";
}

}  // namespace escpos
