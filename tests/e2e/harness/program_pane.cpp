#include "harness/program_pane.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "harness/command.h"
#include "harness/scratch_folder.h"

std::string ProgramPrompt(int cycle) {
  return "Test" + std::to_string(cycle) + ": Press Enter To test default printer's draw kick.";
}

ProgramPane::ProgramPane(const std::map<std::string, std::string> &environment, bool passHangup,
                         int width, int height) {
  folder_ = MakeScratchFolder("dk-e2e-pane");
  // The server's socket lives in the scratch folder (-S), not in tmux's own
  // folder (-L): tmux leaves the socket file behind when its server exits,
  // and the folder goes with the pane.
  socket_ = folder_ + "/tmux.sock";

  std::string command = "exec env -u LPDEST -u PRINTER";
  for (const auto &variable : environment) {
    command += " " + ShellQuote(variable.first + "=" + variable.second);
  }
  command += " " + ShellQuote(DK_PANE_RUNNER) + (passHangup ? "" : " --keep-hangup") + " " +
             ShellQuote(folder_ + "/result") + " " + ShellQuote(DK_PROGRAM);
  Tmux("new-session -d -s dk -x " + std::to_string(width) + " -y " + std::to_string(height) + " " +
       ShellQuote(command));
}

ProgramPane::~ProgramPane() {
  Tmux("kill-server");
  // A program still running after its terminal went away gets the signal a
  // closed terminal sends; it must not outlive its test.
  if (pid_t pid = ProgramPid(); pid > 0) {
    ProgramEnd end;
    if (!WaitForEnd(std::chrono::milliseconds(2000), end)) kill(pid, SIGKILL);
  }
  if (!folder_.empty()) std::filesystem::remove_all(folder_);
}

std::string ProgramPane::Tmux(const std::string &arguments) const {
  return RunCommand("tmux -S " + ShellQuote(socket_) + " -f /dev/null " + arguments +
                    " 2>/dev/null")
      .output;
}

std::vector<std::string> ProgramPane::Screen() const {
  std::vector<std::string> rows;
  std::istringstream lines(Tmux("capture-pane -p -t dk"));
  std::string line;
  while (std::getline(lines, line)) rows.push_back(line);
  return rows;
}

std::string ProgramPane::Row(int y) const {
  std::vector<std::string> rows = Screen();
  return y < static_cast<int>(rows.size()) ? rows[y] : std::string();
}

std::string ProgramPane::Title() const {
  std::string title = Tmux("display -p -t dk '#{pane_title}'");
  if (!title.empty() && title.back() == '\n') title.pop_back();
  return title;
}

bool ProgramPane::Cursor(int &x, int &y) const {
  std::istringstream position(Tmux("display -p -t dk '#{cursor_x} #{cursor_y}'"));
  return static_cast<bool>(position >> x >> y);
}

void ProgramPane::Type(const std::string &text) const {
  Tmux("send-keys -t dk -l " + ShellQuote(text));
}

void ProgramPane::Keys(const std::string &keys) const {
  Tmux("send-keys -t dk " + keys);
}

void ProgramPane::CloseTerminal() const {
  Tmux("kill-session -t dk");
}

pid_t ProgramPane::ProgramPid() const {
  std::ifstream file(folder_ + "/result.pid");
  pid_t pid = 0;
  file >> pid;
  return pid;
}

bool ProgramPane::WaitForEnd(std::chrono::milliseconds timeout, ProgramEnd &end) const {
  std::string path = folder_ + "/result";
  if (!WaitUntil([&] { return std::filesystem::exists(path); }, timeout)) return false;
  std::ifstream file(path);
  std::string word, how;
  while (file >> word) {
    if (word == "status") {
      file >> how >> end.code;
      end.exited = how == "exit";
    } else if (word == "before") {
      file >> end.modesBefore;
    } else if (word == "after") {
      file >> end.modesAfter;
    }
  }
  return true;
}

bool ProgramPane::WaitForRow(int y, const std::string &text,
                             std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return Row(y).find(text) != std::string::npos; }, timeout);
}

void ProgramPane::Resize(int width, int height) const {
  Tmux("resize-window -t dk -x " + std::to_string(width) + " -y " + std::to_string(height));
}

std::string ProgramPane::TerminalModes() const {
  std::string tty = Tmux("display -p -t dk '#{pane_tty}'");
  if (!tty.empty() && tty.back() == '\n') tty.pop_back();
  if (tty.empty()) return "none";
  return RunCommand(ShellQuote(DK_PANE_RUNNER) + " --modes < " + ShellQuote(tty)).output;
}
