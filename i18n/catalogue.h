// The message catalogue: every text a user reads that differs between the
// English and the French build, as compiled-in data. One row per text, with
// both languages side by side, in catalogue_texts.h: the enum below and the
// table are both made from those rows. The program shows its build's text
// through Tr().
//
// The texts are single-byte Windows-1252 strings, the French written with
// \x escapes (\xe9 for e acute and so on), and their leading and trailing
// blanks belong to them: event texts begin with two blanks, some with three.
// Stored texts (event rows, settings) are never translated when read back.
//
// Database field names, configuration keys and section names are English in
// both builds and are not catalogue entries.
#pragma once

#include <cstddef>
#include <string>

namespace voltaris {

enum class Text {
#define VOLTARIS_TEXT(name, english, french) name,
#include "i18n/catalogue_texts.h"
#undef VOLTARIS_TEXT
  Count  // not a text: the number of entries
};

struct CatalogueEntry {
  Text text;
  const char* english;
  const char* french;
};

// The whole catalogue, in the order of Text.
const CatalogueEntry* CatalogueBegin();
const CatalogueEntry* CatalogueEnd();
constexpr std::size_t kCatalogueSize = static_cast<std::size_t>(Text::Count);

// A text in each language; "" for Text::Count or a value out of range.
const char* English(Text text);
const char* French(Text text);

enum class Language { English, French };
// The program's language, set once when it starts from the language it was
// built for (the English build never calls it); tests may set it too.
void SetLanguage(Language language);
// The text in the program's language.
const char* Tr(Text text);

// A file function's message, which begins with English words ("cannot
// write <path>: <the system's reason>", as the functions below the
// catalogue make it), with those words in the program's language.
std::string FileMessageInBuildLanguage(const std::string& message);

}  // namespace voltaris
