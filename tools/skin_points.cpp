// Writes the click point of every hot zone of the skin, its middle, as shell
// variables for the end-to-end scripts: SKIN_HISTORY_PRINT="527 322" for the
// zone HistoryPrint. The scripts click "$SKIN_..." unquoted, as two numbers.
#include <cctype>
#include <cstdio>
#include <string>

#include "res/skin_layout.h"

int main(int argc, char** argv) {
  using namespace voltaris;
  if (argc != 2) {
    std::fprintf(stderr, "usage: skin_points OUTPUT\n");
    return 2;
  }
  std::FILE* out = std::fopen(argv[1], "w");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(out, "# Written by skin_points from res/skin_layout.h: each hot zone's middle.\n");
  for (const skin::NamedZone& named : skin::kAllZones) {
    std::string name = "SKIN";
    for (const char* c = named.name; *c; ++c) {
      if (std::isupper(static_cast<unsigned char>(*c))) name += '_';
      name += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    }
    std::fprintf(out, "%s=\"%d %d\"\n", name.c_str(), skin::CentreX(named.zone), skin::CentreY(named.zone));
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
