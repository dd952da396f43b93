// The real drawer-kick-test in a terminal: a tmux server of its own (own
// socket) with one pane running dk_pane_runner, which starts the program and
// reports how it ended and what the terminal's modes were before and after.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

// The prompt the program shows before its cycle-th ticket.
std::string ProgramPrompt(int cycle);

struct ProgramEnd {
  bool exited = false;  // else killed by a signal
  int code = -1;        // exit status or signal number
  std::string modesBefore;
  std::string modesAfter;  // "none" when the terminal was gone
};

class ProgramPane {
 public:
  static constexpr int kWidth = 100;
  static constexpr int kHeight = 30;

  // Starts the program with these variables set (and LPDEST, PRINTER unset).
  // passHangup: the pane's session leader passes SIGHUP on to the program
  // when the terminal closes, as a shell does; else the program only finds
  // its terminal gone.
  // width and height: the terminal's size at start.
  explicit ProgramPane(const std::map<std::string, std::string> &environment,
                       bool passHangup = true, int width = kWidth, int height = kHeight);
  ~ProgramPane();
  ProgramPane(const ProgramPane &) = delete;
  ProgramPane &operator=(const ProgramPane &) = delete;

  std::vector<std::string> Screen() const;  // one string per row, as tmux shows it
  std::string Row(int y) const;
  std::string Title() const;
  bool Cursor(int &x, int &y) const;

  void Type(const std::string &text) const;  // literal text
  void Keys(const std::string &keys) const;  // tmux key names: "Enter", "BSpace", "C-c"
  void CloseTerminal() const;                // kill-session: the terminal hangs up
  void Resize(int width, int height) const;
  std::string TerminalModes() const;  // as the runner writes them, read from the pane's tty

  pid_t ProgramPid() const;  // 0 until the runner has started it
  bool WaitForEnd(std::chrono::milliseconds timeout, ProgramEnd &end) const;
  bool WaitForRow(int y, const std::string &text, std::chrono::milliseconds timeout) const;

 private:
  std::string Tmux(const std::string &arguments) const;

  std::string folder_;  // scratch: the runner's result files
  std::string socket_;
};
