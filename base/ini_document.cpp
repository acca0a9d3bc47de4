#include "base/ini_document.h"

#include "base/text_ends.h"

namespace voltaris {
namespace {

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) { return SameTextAnyCase(a, b); }

bool IsComment(std::string_view line) {
  const auto t = Trim(line);
  return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// "[name]" gives name; anything else gives nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
  const auto t = Trim(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  const auto close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  const auto firstLf = text.find('\n');
  if (firstLf != std::string_view::npos && (firstLf == 0 || text[firstLf - 1] != '\r')) doc.eol_ = "\n";
  size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    auto line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    doc.lines_.emplace_back(line);
    start = end + 1;
  }
  return doc;
}

std::optional<size_t> IniDocument::FindKeyLine(std::string_view section, std::string_view key) const {
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string_view line = lines_[i];
    if (Skipped(i)) {
      inSection = false;
      continue;
    }
    if (const auto name = SectionName(line)) {
      inSection = SameName(*name, section);
      continue;
    }
    if (!inSection || IsComment(line)) continue;
    const auto eq = line.find('=');
    if (eq != std::string_view::npos && SameName(Trim(line.substr(0, eq)), key)) return i;
  }
  return std::nullopt;
}

// The line after the last non-blank line of the first section of that name.
std::optional<size_t> IniDocument::FindSectionEnd(std::string_view section) const {
  std::optional<size_t> end;
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (Skipped(i)) continue;
    if (const auto name = SectionName(lines_[i])) {
      if (end) return end;
      inSection = SameName(*name, section);
      if (inSection) end = i + 1;
      continue;
    }
    if (inSection && !Trim(lines_[i]).empty()) end = i + 1;
  }
  return end;
}

void IniDocument::SkipFirstSectionIfRepeated() {
  std::optional<size_t> first;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i]);
    if (!name) continue;
    if (!first) {
      first = i;
    } else if (skipTo_ == 0) {
      skipTo_ = i;  // the end of the first section
    }
    if (first && i != *first && SameName(*name, *SectionName(lines_[*first]))) {
      skipFrom_ = *first;
      return;
    }
  }
  skipTo_ = 0;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  const auto line = FindKeyLine(section, key);
  if (!line) return std::nullopt;
  const std::string_view text = lines_[*line];
  return std::string(Trim(text.substr(text.find('=') + 1)));
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  const auto badName = [](std::string_view n) {
    return Trim(n).empty() || n.find_first_of("=[]\r\n") != std::string_view::npos;
  };
  if (badName(section) || badName(key) || HasLineBreak(value)) return false;
  if (const auto line = FindKeyLine(section, key)) {
    // Keep the key as the file spells it.
    const std::string_view old = lines_[*line];
    lines_[*line] = std::string(Trim(old.substr(0, old.find('=')))) + "=" + std::string(value);
    return true;
  }
  const std::string entry = std::string(Trim(key)) + "=" + std::string(value);
  if (const auto end = FindSectionEnd(section)) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*end), entry);
    return true;
  }
  lines_.push_back("[" + std::string(Trim(section)) + "]");
  lines_.push_back(entry);
  return true;
}

std::string IniDocument::Serialize() const {
  std::string out;
  for (const auto& line : lines_) out += line + eol_;
  return out;
}

}  // namespace voltaris
