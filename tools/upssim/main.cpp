// upssim: a model UPS on a pseudo-terminal or loopback TCP port, for tests and demos.
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/upssim/options.h"
#include "tools/upssim/scenario.h"
#include "tools/upssim/simulator.h"

int main(int argc, char** argv) {
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
