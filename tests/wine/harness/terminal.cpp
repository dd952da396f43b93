#include "harness/terminal.h"

#include <sstream>
#include <thread>

#include "harness/command.h"

namespace wine_harness {

Terminal::Terminal(const std::string &socketPath, int columns, int rows)
    : socket_(ShellQuote(socketPath)), columns_(columns), rows_(rows) {}

Terminal::~Terminal() {
  Close();
}

void Terminal::Close() {
  RunCommand("timeout 10 tmux -S " + socket_ + " kill-server >/dev/null 2>&1");
}

std::string Terminal::Tmux(const std::string &arguments) const {
  return RunCommand("timeout 10 tmux -S " + socket_ + " " + arguments).output;
}

bool Terminal::Start(const std::string &command) {
  const std::string arguments = "-f /dev/null new-session -d -s dk -x " + std::to_string(columns_) +
                                " -y " + std::to_string(rows_) + " " + ShellQuote(command);
  return RunCommand("timeout 10 tmux -S " + socket_ + " " + arguments).status == 0;
}

std::vector<std::string> Terminal::Screen() const {
  std::vector<std::string> rows;
  std::istringstream lines(Tmux("capture-pane -p 2>/dev/null"));
  for (std::string line; std::getline(lines, line);) {
    line.erase(line.find_last_not_of(' ') + 1);
    rows.push_back(line);
  }
  return rows;
}

std::string Terminal::Title() const {
  std::string title = Tmux("display-message -p '#{pane_title}' 2>/dev/null");
  if (!title.empty() && title.back() == '\n') title.pop_back();
  return title;
}

void Terminal::PressEnter(int times) {
  // Sixteen keys at most per tmux call keeps each command line short.
  while (times > 0) {
    const int now = times < 16 ? times : 16;
    std::string keys;
    for (int i = 0; i < now; ++i) keys += " Enter";
    Tmux("send-keys -t dk" + keys);
    times -= now;
  }
}

bool WaitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace wine_harness
