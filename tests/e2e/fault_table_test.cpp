// The real drawer-kick-test in a terminal, printing to a real private cupsd
// through a proxy that injects one fault (tools/fault_proxy.py): a cupsd that
// freezes, a connection cut after a request, answers a byte at a time, a
// server that stays silent, asks for a password or must be reached over TLS.
// For each: every Enter is back at the next prompt within 5 s; once the
// server is back no job is left in the queue, every printed job holds the
// whole ticket and no ticket is printed twice; nothing asks for a password.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness/command.h"
#include "harness/private_cups.h"
#include "harness/program_pane.h"
#include "tests/support/ticket.h"

extern char **environ;

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr int kPromptRow = 10;
// What the program promises for an Enter, whatever the server does.
constexpr auto kEnterLimit = milliseconds(5000);
// How long the test waits for a prompt before it calls the Enter hung.
constexpr auto kHung = milliseconds(20000);
constexpr auto kQuick = milliseconds(5000);
constexpr int kFaultyEnters = 2;  // while the fault lasts
constexpr int kHealedEnters = 2;  // after the server is back

struct Rule {
  const char *name;           // the case, as the table of Enter times shows it
  const char *rule;           // fault_proxy.py's --rule
  const char *operation;      // and --operation
  bool encrypted;             // CUPS_ENCRYPTION=Required, the proxy on 127.0.0.1
  bool printsWhenBack;        // the healed Enters print their tickets
  const char *trickle = "2";  // seconds between the bytes of a trickled answer
};

const Rule kRules[] = {
    {"cupsd freezes after answering Create-Job", "freeze-after", "Create-Job", false, true},
    {"cupsd freezes after naming the default printer", "freeze-after", "CUPS-Get-Default", false,
     true},
    {"connection cut after Send-Document", "cut-after", "Send-Document", false, true},
    {"cupsd reloads after answering Create-Job", "reload-after", "Create-Job", false, true},
    {"connection cut after Create-Job", "cut-after", "Create-Job", false, true},
    {"answers trickle one byte every 2 s", "trickle", "", false, true},
    // Faster than libcups's wait slices: only the deadline's watch ends it.
    {"answers trickle one byte every 0.1 s", "trickle", "", false, true, "0.1"},
    {"server accepts and stays silent", "silent", "", false, true},
    {"server asks a password for Create-Job", "password", "Create-Job", false, true},
    // A plain cupsd socket cannot take TLS: back, the server still fails
    // every Enter, quickly.
    {"encryption required, server silent", "silent", "", true, false},
};

void PrintTo(const Rule &rule, std::ostream *out) {
  *out << rule.name;
}

// The proxy as a child process of the test, ended with it.
class FaultProxy {
 public:
  FaultProxy(const Rule &rule, const PrivateCups &cups) : folder_(cups.Folder()) {
    cupsd_ =
        std::atoi(RunCommand("cat " + ShellQuote(cups.Folder() + "/cupsd.pid")).output.c_str());
    std::vector<std::string> arguments = {
        "python3",     SourcePath("tests/e2e/tools/fault_proxy.py"),
        "--listen",    rule.encrypted ? "tcp" : folder_ + "/proxy.sock",
        "--target",    cups.Socket(),
        "--ready",     folder_ + "/proxy.ready",
        "--rule",      rule.rule,
        "--cupsd-pid", std::to_string(cupsd_),
        "--trickle",   rule.trickle,
    };
    if (rule.operation[0] != '\0') {
      arguments.push_back("--operation");
      arguments.push_back(rule.operation);
    }
    std::vector<char *> argv;
    for (std::string &argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "python3", nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
  }
  ~FaultProxy() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (cupsd_ > 0) kill(cupsd_, SIGCONT);  // were it frozen still
    bool ended = WaitUntil([&] { return waitpid(pid_, nullptr, WNOHANG) == pid_; }, kQuick);
    if (!ended) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  FaultProxy(const FaultProxy &) = delete;
  FaultProxy &operator=(const FaultProxy &) = delete;

  // Where clients reach it, once it listens; empty when it does not.
  std::string Address() const {
    std::string address;
    WaitUntil(
        [&] {
          std::ifstream ready(folder_ + "/proxy.ready");
          return pid_ > 0 && std::getline(ready, address) && !address.empty();
        },
        kQuick);
    return address;
  }

  // The server is back: no more faults.
  void Heal() const { kill(pid_, SIGUSR1); }

 private:
  std::string folder_;
  pid_t cupsd_ = 0;
  pid_t pid_ = 0;
};

// Every job the scheduler printed (completed, not cancelled) must hold the
// whole ticket; the count of them.
int WholePrintedJobs(const PrivateCups &cups) {
  http_t *http = httpConnect2(cups.Socket().c_str(), 0, nullptr, AF_UNSPEC,
                              HTTP_ENCRYPTION_IF_REQUESTED, 1, 5000, nullptr);
  EXPECT_NE(http, nullptr) << "cupsd does not answer";
  if (http == nullptr) return 0;
  cups_job_t *jobs = nullptr;
  int count = cupsGetJobs2(http, &jobs, "Receipts", 0, CUPS_WHICHJOBS_COMPLETED);
  int whole = 0;
  for (int i = 0; i < count; ++i) {
    if (jobs[i].state != IPP_JSTATE_COMPLETED) continue;
    char path[64];
    std::snprintf(path, sizeof path, "/spool/d%05d-001", jobs[i].id);
    std::ifstream file(cups.Folder() + path, std::ios::binary);
    std::string document((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(document, TicketBytes()) << "job " << jobs[i].id;
    ++whole;
  }
  cupsFreeJobs(count, jobs);
  httpClose(http);
  return whole;
}

class FaultTableTest : public ::testing::TestWithParam<Rule> {};

TEST_P(FaultTableTest, EveryEnterComesBackAndNoHalfMadeJobStays) {
  const Rule &rule = GetParam();
  std::string missing = MissingForPrivateCups({"tmux", "cupsd", "lpadmin", "lpstat", "python3"});
  if (!missing.empty()) GTEST_SKIP() << missing;
  PrivateCups cups;
  ASSERT_TRUE(cups.Start());
  ASSERT_TRUE(cups.AddRawQueue("Receipts", true));
  FaultProxy proxy(rule, cups);
  std::string address = proxy.Address();
  ASSERT_FALSE(address.empty()) << "the proxy did not start";
  std::map<std::string, std::string> environment = {
      {"CUPS_SERVER", address}, {"CUPS_SERVERROOT", cups.Folder()}, {"HOME", cups.Folder()}};
  if (rule.encrypted) environment["CUPS_ENCRYPTION"] = "Required";
  ProgramPane pane(environment);
  auto dump = [&] {
    std::string text = "screen:\n";
    for (const std::string &row : pane.Screen()) text += "|" + row + "\n";
    return text;
  };
  ASSERT_TRUE(pane.WaitForRow(kPromptRow, ProgramPrompt(1), kQuick)) << dump();

  milliseconds worst{0};
  int cycle = 1;
  auto enter = [&] {
    auto start = Clock::now();
    pane.Keys("Enter");
    bool back = pane.WaitForRow(kPromptRow, ProgramPrompt(cycle + 1), kHung);
    auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    EXPECT_TRUE(back) << "Enter " << cycle << " hung\n" << dump();
    EXPECT_LE(took, kEnterLimit) << "Enter " << cycle;
    worst = std::max(worst, took);
    ++cycle;
    return back;
  };
  for (int i = 0; i < kFaultyEnters; ++i) ASSERT_TRUE(enter());
  int printedWhileFaulty = WholePrintedJobs(cups);
  proxy.Heal();
  for (int i = 0; i < kHealedEnters; ++i) ASSERT_TRUE(enter());

  // Back: no job left waiting, every printed job whole, none twice.
  EXPECT_TRUE(WaitUntil([&] { return cups.NotCompletedJobs().empty(); }, kQuick))
      << cups.NotCompletedJobs();
  int printed = 0;
  WaitUntil(
      [&] {
        return (printed = WholePrintedJobs(cups)) >=
               printedWhileFaulty + (rule.printsWhenBack ? kHealedEnters : 0);
      },
      kQuick);
  EXPECT_LE(printed, kFaultyEnters + kHealedEnters);
  if (rule.printsWhenBack) {
    EXPECT_GE(printed, printedWhileFaulty + kHealedEnters);
  }
  for (const std::string &row : pane.Screen()) {
    EXPECT_EQ(row.find("assword"), std::string::npos) << dump();
  }

  std::printf("worst Enter: %lld ms (%s)\n", static_cast<long long>(worst.count()), rule.name);
  if (const char *table = std::getenv("DK_ENTER_TIMES")) {
    std::ofstream(table, std::ios::app) << rule.name << '\t' << worst.count() << '\n';
  }
}

std::string CaseName(const ::testing::TestParamInfo<Rule> &info) {
  std::string name;
  for (const char *c = info.param.name; *c != '\0'; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultTableTest, ::testing::ValuesIn(kRules), CaseName);

}  // namespace
