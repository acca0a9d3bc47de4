// upssim: a model UPS on a pseudo-terminal or loopback TCP port, for tests and demos.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/upssim/options.h"
#include "tools/upssim/scenario.h"
#include "tools/upssim/simulator.h"

namespace {

// upssim --send SOCKET LINE: one control command to a running simulator;
// prints its answer, exits 1 when the answer is an error.
int SendControl(const char* path, const std::string& line) {
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path, sizeof addr.sun_path - 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    std::cerr << "upssim: cannot reach " << path << "\n";
    return 2;
  }
  const std::string out = line + "\n";
  if (write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size())) return 2;
  std::string reply;
  char c;
  while (read(fd, &c, 1) == 1 && c != '\n') reply += c;
  close(fd);
  std::cout << reply << "\n";
  return reply.rfind("OK", 0) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--send") return SendControl(argv[2], argv[3]);
  std::string error;
  const auto options = upssim::ParseOptions(argc, argv, error);
  if (!options) {
    std::cerr << "upssim: " << error << "\n" << upssim::kUsage;
    return 2;
  }
  upssim::Scenario scenario;
  if (!options->scenarioPath.empty()) {
    std::ifstream in(options->scenarioPath, std::ios::binary);
    if (!in) {
      std::cerr << "upssim: cannot read scenario " << options->scenarioPath << "\n";
      return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    auto parsed = upssim::ParseScenario(text.str(), error);
    if (!parsed) {
      std::cerr << "upssim: " << options->scenarioPath << ": " << error << "\n";
      return 2;
    }
    scenario = std::move(*parsed);
  }
  if (options->checkOnly) {
    std::cout << scenario.steps.size() << " steps\n";
    return 0;
  }
  upssim::Simulator simulator(*options, std::move(scenario));
  if (!simulator.Start()) return 1;
  return simulator.Run();
}
