// The catalogue's table, made from the rows of catalogue_texts.h in the order
// of enum Text, and the look-ups over it.
#include "i18n/catalogue.h"

namespace voltaris {
namespace {

constexpr CatalogueEntry kEntries[] = {
#define VOLTARIS_TEXT(name, english, french) {Text::name, english, french},
#include "i18n/catalogue_texts.h"
#undef VOLTARIS_TEXT
};

static_assert(sizeof kEntries / sizeof kEntries[0] == kCatalogueSize, "one entry per Text");

// Texts are found by their place: an entry out of its enum's order would
// give every later text its neighbour's words.
constexpr bool EveryEntryInItsPlace() {
  for (std::size_t i = 0; i < kCatalogueSize; ++i) {
    if (static_cast<std::size_t>(kEntries[i].text) != i) return false;
  }
  return true;
}
static_assert(EveryEntryInItsPlace(), "the entries in the order of enum Text");

const CatalogueEntry* Find(Text text) {
  const auto index = static_cast<std::size_t>(text);
  return index < kCatalogueSize ? &kEntries[index] : nullptr;
}

}  // namespace

const CatalogueEntry* CatalogueBegin() { return kEntries; }
const CatalogueEntry* CatalogueEnd() { return kEntries + kCatalogueSize; }

const char* English(Text text) {
  const CatalogueEntry* entry = Find(text);
  return entry ? entry->english : "";
}

const char* French(Text text) {
  const CatalogueEntry* entry = Find(text);
  return entry ? entry->french : "";
}

namespace {

Language gLanguage = Language::English;

}  // namespace

void SetLanguage(Language language) { gLanguage = language; }

const char* Tr(Text text) { return gLanguage == Language::French ? French(text) : English(text); }

std::string FileMessageInBuildLanguage(const std::string& message) {
  static constexpr Text kFailures[] = {Text::FileCannotOpen,   Text::FileCannotRead,    Text::FileCannotWrite,
                                       Text::FileCannotCreate, Text::FileCannotReplace, Text::FileCannotRename,
                                       Text::FileCannotRemove, Text::FileCannotFlush};
  for (const Text failure : kFailures) {
    const std::string words = std::string(English(failure)) + " ";
    if (message.compare(0, words.size(), words) == 0) return Tr(failure) + message.substr(words.size() - 1);
  }
  return message;
}

}  // namespace voltaris
