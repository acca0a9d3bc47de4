// The settings-file reader and writer on arbitrary text: no crash, and a
// value written can always be read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/ini_document.h"
#include "base/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto doc = voltaris::IniDocument::Parse(text);
  const auto before = doc.Get("Mscomm", "ComboPort");
  voltaris::LeadingInteger(before.value_or(text));
  voltaris::LeadingDouble(text);
  if (doc.Set("DataRecord", "HistoryTimerDelay", "17")) {
    const auto again = voltaris::IniDocument::Parse(doc.Serialize());
    if (again.Get("DataRecord", "HistoryTimerDelay") != "17") std::abort();
    if (again.Get("Mscomm", "ComboPort") != before) std::abort();
  }
  return 0;
}
