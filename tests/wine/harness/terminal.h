// A pseudo-terminal that a program runs in, driven through a tmux server of
// its own: its socket is a file the caller names (tmux -S), so nothing of the
// user's tmux is touched and nothing is left in tmux's shared folder.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace wine_harness {

class Terminal {
 public:
  Terminal(const std::string &socketPath, int columns, int rows);
  ~Terminal();  // ends the tmux server and whatever still runs in it
  Terminal(const Terminal &) = delete;
  Terminal &operator=(const Terminal &) = delete;

  // Starts command (a /bin/sh command line) in the terminal.
  bool Start(const std::string &command);
  // The visible screen, one string per row, trailing blanks removed.
  std::vector<std::string> Screen() const;
  // The window title the program set (OSC 0/2).
  std::string Title() const;
  void PressEnter(int times = 1);
  // Ends the tmux server, which hangs up on the program as closing a window
  // does; Start can be called again afterwards.
  void Close();

 private:
  std::string Tmux(const std::string &arguments) const;

  std::string socket_;
  int columns_;
  int rows_;
};

// Polls condition every 50 ms until it holds or the time is up.
bool WaitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout);

}  // namespace wine_harness
