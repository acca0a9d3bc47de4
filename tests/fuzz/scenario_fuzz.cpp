// The simulator's scenario parser must reject anything without crashing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/upssim/scenario.h"
#include "tools/upssim/ups_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (auto scenario = upssim::ParseScenario(text, error)) {
    upssim::UpsModel ups;
    upssim::LinkEffects link;
    for (const auto& step : scenario->steps) upssim::ApplyAction(step.action, ups, link, step.at);
    (void)ups.StatusLine(1e6);
  }
  return 0;
}
