// The record files' reader on arbitrary bytes, fed in arbitrary chunks; and
// whatever it reads, written back and read again, gives the same rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/csv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::vector<std::string>> rows;
  voltaris::CsvReader reader([&rows](const std::vector<std::string>& f) { rows.push_back(f); });
  const size_t step = size ? data[0] % 7 + 1 : 1;
  for (size_t i = 0; i < size; i += step) reader.Feed(std::string_view(bytes).substr(i, step));
  reader.Finish();
  std::string again;
  for (const auto& r : rows) again += voltaris::EncodeCsvRow(r);
  std::vector<std::vector<std::string>> reread;
  voltaris::CsvReader second([&reread](const std::vector<std::string>& f) { reread.push_back(f); });
  second.Feed(again);
  if (second.Finish() || reread != rows) std::abort();
  return 0;
}
