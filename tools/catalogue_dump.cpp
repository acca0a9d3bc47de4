// Prints the English texts of the catalogue that the French build shows
// otherwise, one a line, for the check that no French window shows one.
#include <cstdio>
#include <cstring>

#include "i18n/catalogue.h"

int main() {
  using namespace voltaris;
  for (const CatalogueEntry* entry = CatalogueBegin(); entry != CatalogueEnd(); ++entry) {
    if (std::strcmp(entry->english, entry->french) != 0 && std::strchr(entry->english, '\n') == nullptr) {
      std::printf("%s\n", entry->english);
    }
  }
  return 0;
}
