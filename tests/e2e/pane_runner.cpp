// Runs the program under test inside a terminal pane and reports how it
// ended: dk_pane_runner [--limit S] [--keep-hangup] RESULT_FILE PROGRAM [ARGS...]
// (dk_pane_runner --modes prints the modes of the terminal on its input, the
// same way, for a test to compare while the program runs.)
//
// It scribbles on the screen first (so a test can see the program clear it),
// records the terminal's modes, starts the program in the foreground, writes
// its pid to RESULT_FILE.pid, waits for it, and writes RESULT_FILE with
// "status exit N" or "status signal N" and the modes before and after.
//
// It stands where a shell would: as the pane's session leader it is the one
// the kernel sends SIGHUP when the terminal closes, and it passes that on to
// the program as a shell does to its jobs (--keep-hangup: it does not, like a
// leader that ignores hang-ups). It outlives Ctrl+C and hang-ups itself; the
// program gets the default handlers back at exec, and the default actions of
// hang-up and broken pipe even where the runner was started with them
// ignored. A program still running after kRunLimit seconds (--limit S: after
// S) is killed, so that no runner waits for ever once its test has gone.
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

void Ignore(int) {}

// Far above the time any test drives the program (each has a bound of two
// minutes).
constexpr unsigned kRunLimit = 600;

volatile pid_t g_child = 0;

void KillLateChild(int) {
  if (g_child > 0) kill(g_child, SIGKILL);
}

void PassOnHangup(int) {
  if (g_child > 0) kill(g_child, SIGHUP);
}

// The terminal's modes as text, or "none" when it cannot be read (hung up).
std::string Modes() {
  struct termios modes {};
  if (tcgetattr(STDIN_FILENO, &modes) != 0) return "none";
  std::ostringstream text;
  text << std::hex << modes.c_iflag << ':' << modes.c_oflag << ':' << modes.c_cflag << ':'
       << modes.c_lflag;
  for (cc_t c : modes.c_cc) text << ':' << static_cast<int>(c);
  return text.str();
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 2 && std::string(argv[1]) == "--modes") {
    std::printf("%s", Modes().c_str());
    return 0;
  }
  unsigned limit = kRunLimit;
  if (argc > 2 && std::string(argv[1]) == "--limit") {
    limit = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    if (limit == 0) limit = kRunLimit;
    argc -= 2;
    argv += 2;
  }
  bool keepHangup = argc > 1 && std::string(argv[1]) == "--keep-hangup";
  if (keepHangup) {
    --argc;
    ++argv;
  }
  if (argc < 3) {
    std::fprintf(
        stderr,
        "usage: dk_pane_runner [--limit S] [--keep-hangup] RESULT_FILE PROGRAM [ARGS...]\n");
    return 2;
  }
  const std::string result = argv[1];
  for (int signal : {SIGINT, SIGHUP, SIGTERM, SIGQUIT, SIGTSTP}) std::signal(signal, Ignore);

  for (int line = 0; line < 20; ++line)
    std::printf("scribble %02d XXXXXXXXXXXXXXXXXXXXXXXX\n", line);
  std::fflush(stdout);
  std::string before = Modes();

  pid_t child = fork();
  if (child == 0) {
    struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);  // crashes the tests cause leave no core files
    std::signal(SIGPIPE, SIG_DFL);
    execv(argv[2], argv + 2);
    _exit(127);
  }
  g_child = child;
  if (!keepHangup) std::signal(SIGHUP, PassOnHangup);
  std::signal(SIGALRM, KillLateChild);
  alarm(limit);
  std::ofstream(result + ".pid") << child << '\n';
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  std::string after = Modes();

  std::ofstream out(result + ".part");
  if (WIFEXITED(status)) {
    out << "status exit " << WEXITSTATUS(status) << '\n';
  } else {
    out << "status signal " << WTERMSIG(status) << '\n';
  }
  out << "before " << before << '\n' << "after " << after << '\n';
  out.close();
  std::rename((result + ".part").c_str(), result.c_str());
  return 0;
}
