// The floor the spooler allows: one connection and one destination looked up
// once, then for each ticket only create-job, send-document and finish.
// Sends one ticket for each line read from standard input (so a benchmark can
// interleave it with other clients on the same server) and prints the
// microseconds it took, one a line.
//   cups-floor QUEUE FILE
#include <cups/cups.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s QUEUE FILE\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  std::string ticket((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  // One connection to the scheduler (CUPS_SERVER), kept for every ticket.
  http_t *http =
      httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 5000, nullptr);
  cups_dest_t *dest = http != nullptr ? cupsGetNamedDest(http, argv[1], nullptr) : nullptr;
  cups_dinfo_t *info = dest != nullptr ? cupsCopyDestInfo(http, dest) : nullptr;
  if (info == nullptr) {
    std::fprintf(stderr, "cannot reach %s: %s\n", argv[1], cupsLastErrorString());
    return 1;
  }

  std::string request;
  for (int i = 0; std::getline(std::cin, request); ++i) {
    auto start = std::chrono::steady_clock::now();
    int job = 0;
    if (cupsCreateDestJob(http, dest, info, &job, "EPOS", 0, nullptr) != IPP_STATUS_OK ||
        cupsStartDestDocument(http, dest, info, job, "EPOS", CUPS_FORMAT_RAW, 0, nullptr, 1) !=
            HTTP_STATUS_CONTINUE ||
        cupsWriteRequestData(http, ticket.data(), ticket.size()) != HTTP_STATUS_CONTINUE ||
        cupsFinishDestDocument(http, dest, info) != IPP_STATUS_OK) {
      std::fprintf(stderr, "ticket %d failed: %s\n", i + 1, cupsLastErrorString());
      return 1;
    }
    auto took = std::chrono::steady_clock::now() - start;
    std::printf("%lld\n", static_cast<long long>(
                              std::chrono::duration_cast<std::chrono::microseconds>(took).count()));
    std::fflush(stdout);
  }
  cupsFreeDestInfo(info);
  httpClose(http);
  cupsFreeDests(1, dest);
  return 0;
}
