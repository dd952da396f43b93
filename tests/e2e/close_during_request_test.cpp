// The terminal closes while a ticket's request hangs on a server that answers
// one byte at a time and never finishes: the close event must still end the
// program within 6 s, rather than wait for the ticket for ever.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "harness/command.h"
#include "harness/program_pane.h"

namespace {

using namespace std::chrono_literals;

// Accepts every connection, takes whatever is sent, and answers with the
// start of a reply whose header line never ends, a byte every 500 ms. It
// stops when told, or after a minute whatever happens.
class TrickleServer {
 public:
  TrickleServer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
        listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~TrickleServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
  }
  int Port() const { return port_; }
  int RequestBytes() const { return requestBytes_; }

 private:
  void Serve() {
    const std::string reply = "HTTP/1.1 200 OK\r\nX-Slow: ";
    std::vector<std::pair<int, size_t>> clients;  // socket, bytes of the reply sent
    const auto end = std::chrono::steady_clock::now() + 60s;
    auto nextByte = std::chrono::steady_clock::now();
    while (!stop_ && std::chrono::steady_clock::now() < end) {
      std::vector<pollfd> watched = {{listener_, POLLIN, 0}};
      for (auto &client : clients) watched.push_back({client.first, POLLIN, 0});
      poll(watched.data(), watched.size(), 50);
      if (watched[0].revents & POLLIN) {
        int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) clients.push_back({client, 0});
      }
      for (size_t i = 1; i < watched.size(); ++i) {
        if (!(watched[i].revents & POLLIN)) continue;
        char buffer[4096];
        ssize_t n = recv(watched[i].fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) requestBytes_ += static_cast<int>(n);
      }
      if (std::chrono::steady_clock::now() < nextByte) continue;
      nextByte += 500ms;
      for (auto &client : clients) {
        char byte = client.second < reply.size() ? reply[client.second] : 'a';
        if (send(client.first, &byte, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1) ++client.second;
      }
    }
    for (auto &client : clients) close(client.first);
  }

  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> requestBytes_{0};
};

TEST(CloseDuringRequest, TheProgramEndsWithinSixSecondsOfTheTerminalClosing) {
  if (RunCommand("command -v tmux >/dev/null").status != 0) GTEST_SKIP() << "tmux is not installed";
  TrickleServer server;
  ASSERT_NE(server.Port(), 0) << "no listening socket on the loopback";
  std::string folder = (std::filesystem::temp_directory_path() / "dk-e2e-close-XXXXXX").string();
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  {
    ProgramPane pane({{"CUPS_SERVER", "127.0.0.1:" + std::to_string(server.Port())},
                      {"CUPS_SERVERROOT", folder},
                      {"HOME", folder}});
    const std::string prompt = ProgramPrompt(1);
    ASSERT_TRUE(pane.WaitForRow(10, prompt, 5000ms)) << "no first prompt";
    pane.Keys("Enter");
    ASSERT_TRUE(WaitUntil([&] { return server.RequestBytes() > 0; }, 5000ms))
        << "the program sent no request";
    std::this_thread::sleep_for(1s);  // well inside the request now

    const auto closed = std::chrono::steady_clock::now();
    pane.CloseTerminal();
    ProgramEnd end;
    ASSERT_TRUE(pane.WaitForEnd(6000ms, end)) << "the program outlived its terminal by 6 s";
    std::printf("ended %.1f s after the terminal closed\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - closed).count());
    EXPECT_FALSE(end.exited);
    EXPECT_EQ(end.code, SIGHUP);
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
