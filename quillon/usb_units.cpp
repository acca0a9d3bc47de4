#include "quillon/usb_units.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "base/ini_document.h"
#include "base/number_text.h"
#include "base/text_ends.h"

namespace quillon {
namespace {

constexpr char kSection[] = "Transport";

std::string Trimmed(const std::string& text) { return std::string(voltaris::WithoutEndBlanks(text)); }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::optional<Framing> FramingNamed(const std::string& name) {
  if (name == "report" || name == "hid") return Framing::Report;
  if (name == "string") return Framing::String;
  return std::nullopt;
}

std::optional<uint16_t> HexId(const std::string& text) {
  if (text.size() != 4 || !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); })) {
    return std::nullopt;
  }
  return static_cast<uint16_t>(std::strtoul(text.c_str(), nullptr, 16));
}

// "vvvv:pppp family"
std::optional<UsbUnit> ParseUnit(const std::string& entry) {
  std::istringstream words(Lower(entry));
  std::string ids, family, extra;
  if (!(words >> ids >> family) || (words >> extra) || ids.size() != 9 || ids[4] != ':') return std::nullopt;
  const auto vendor = HexId(ids.substr(0, 4));
  const auto product = HexId(ids.substr(5));
  const auto framing = FramingNamed(family);
  if (!vendor || !product || !framing) return std::nullopt;
  return UsbUnit{*vendor, *product, *framing};
}

std::vector<UsbUnit> ParseUnits(const std::string& list) {
  std::vector<UsbUnit> units;
  std::istringstream entries(list);
  for (std::string entry; std::getline(entries, entry, ',');) {
    if (const auto unit = ParseUnit(Trimmed(entry))) units.push_back(*unit);
  }
  return units;
}

std::optional<StringKind> StringKindNamed(const std::string& name) {
  if (name == "krauler") return StringKind::Krauler;
  if (name == "fabula") return StringKind::Fabula;
  if (name == "hunnox") return StringKind::Hunnox;
  if (name == "snr") return StringKind::Snr;
  return std::nullopt;
}

LinkKind KindNamed(const std::string& name) {
  if (name.empty()) return LinkKind::AnyKnownUnit;
  if (name == "hid") return LinkKind::ReportUnit;
  if (name == "string") return LinkKind::StringUnit;
  if (name == "tcp") return LinkKind::Tcp;
  return LinkKind::None;
}

void ReadTcp(const voltaris::IniDocument& ini, LinkSettings& settings) {
  const int port = voltaris::LeadingInteger(ini.Get(kSection, "Port").value_or(""));
  const std::string framing = Lower(Trimmed(ini.Get(kSection, "Framing").value_or("")));
  settings.tcpFraming = FramingNamed(framing);
  settings.host = Trimmed(ini.Get(kSection, "Host").value_or(settings.host));
  if (port <= 0 || port > 65535 || (!framing.empty() && !settings.tcpFraming)) {
    settings.kind = LinkKind::None;
    return;
  }
  settings.port = static_cast<uint16_t>(port);
}

// Units told apart by their strings, first match wins; "" matches any
// string. No kind: refused. The rest of 0001:0000 is krauler, and snr is
// never chosen by its strings (its product string is hunnox's).
struct StringsRule {
  uint16_t vendor, product;
  const char* manufacturer;
  const char* productName;
  std::optional<StringKind> kind;
};

const StringsRule kStringsRules[] = {
    {0x0001, 0x0000, "MEC", "MEC0003", StringKind::Fabula},
    {0x0001, 0x0000, "", "MEC0003", StringKind::Hunnox},
    {0x0001, 0x0000, "ATCL FOR UPS", "ATCL FOR UPS", std::nullopt},  // framed writes to an interrupt endpoint
    {0x06da, 0x0002, "Phoenixtec Power", "USB Cable (V2.00)", std::nullopt},  // vendor requests
};

bool SameText(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

bool Matches(const StringsRule& rule, uint16_t vendor, uint16_t product, const UnitStrings& strings) {
  return rule.vendor == vendor && rule.product == product &&
         (!*rule.manufacturer || SameText(rule.manufacturer, strings.manufacturer)) &&
         (!*rule.productName || SameText(rule.productName, strings.product));
}

// The first rule the unit matches; none: the id's default kind.
const StringsRule* RuleFor(uint16_t vendor, uint16_t product, const UnitStrings& strings) {
  for (const StringsRule& rule : kStringsRules) {
    if (Matches(rule, vendor, product, strings)) return &rule;
  }
  return nullptr;
}

}  // namespace

const std::vector<UsbUnit>& KnownUnits() {
  // As the field's reference driver drives them: its "cypress" and
  // "phoenix" units put the same reports on the wire (the phoenix ones only
  // drain the unit's reports first, which the report framing always does),
  // its "krauler" units read the same string indexes.
  static const std::vector<UsbUnit> units = {
      {0x0665, 0x5161, Framing::Report}, {0x05b8, 0x0000, Framing::Report}, {0x06da, 0x0002, Framing::Report},
      {0x06da, 0x0003, Framing::Report}, {0x06da, 0x0004, Framing::Report}, {0x06da, 0x0005, Framing::Report},
      {0x06da, 0x0201, Framing::Report}, {0x06da, 0x0601, Framing::Report}, {0x0f03, 0x0001, Framing::Report},
      {0x14f0, 0x00c9, Framing::Report}, {0x0001, 0x0000, Framing::String}, {0x1cb0, 0x0035, Framing::String},
  };
  return units;
}

LinkSettings ParseLinkSettings(const std::string& iniText) {
  const auto ini = voltaris::IniDocument::Parse(iniText);
  LinkSettings settings;
  const std::string kind = Lower(Trimmed(ini.Get(kSection, "Kind").value_or("")));
  settings.forcedStringKind = StringKindNamed(kind);
  settings.kind = settings.forcedStringKind ? LinkKind::StringUnit : KindNamed(kind);
  settings.addedUnits = ParseUnits(ini.Get(kSection, "Units").value_or(""));
  if (settings.kind == LinkKind::Tcp) ReadTcp(ini, settings);
  return settings;
}

std::optional<Framing> FramingForUnit(const LinkSettings& settings, uint16_t vendor, uint16_t product) {
  std::optional<Framing> found;
  for (const auto* list : {&settings.addedUnits, &KnownUnits()}) {
    for (const UsbUnit& unit : *list) {
      if (!found && unit.vendor == vendor && unit.product == product) found = unit.framing;
    }
  }
  if (!found) return std::nullopt;
  if (settings.kind == LinkKind::ReportUnit) return Framing::Report;
  if (settings.kind == LinkKind::StringUnit) return Framing::String;
  return found;
}

bool StringsMatter(const LinkSettings& settings, uint16_t vendor, uint16_t product) {
  if (settings.forcedStringKind) return false;
  return std::any_of(std::begin(kStringsRules), std::end(kStringsRules),
                     [&](const StringsRule& rule) { return rule.vendor == vendor && rule.product == product; });
}

std::optional<UnitChoice> ChooseUnit(const LinkSettings& settings, uint16_t vendor, uint16_t product,
                                     const UnitStrings& strings) {
  const auto framing = FramingForUnit(settings, vendor, product);
  if (!framing) return std::nullopt;
  if (settings.forcedStringKind) return UnitChoice{*framing, *settings.forcedStringKind};
  const StringsRule* rule = RuleFor(vendor, product, strings);
  if (rule == nullptr) return UnitChoice{*framing, StringKind::Krauler};
  if (!rule->kind) return std::nullopt;
  return UnitChoice{*framing, *rule->kind};
}

bool RefusedByStrings(const LinkSettings& settings, uint16_t vendor, uint16_t product, const UnitStrings& strings) {
  if (settings.forcedStringKind || !FramingForUnit(settings, vendor, product)) return false;
  const StringsRule* rule = RuleFor(vendor, product, strings);
  return rule != nullptr && !rule->kind;
}

std::string RefusalText(const UnitStrings& strings) {
  std::string text;
  for (const std::string* part : {&strings.manufacturer, &strings.product}) {
    const std::string printable = Trimmed(voltaris::PrintableAscii(*part));
    if (printable.empty()) continue;
    text += (text.empty() ? "" : " ") + printable;
  }
  return text;
}

std::optional<StringKind> KindOfPlayedUnit(uint16_t vendor, uint16_t product, const UnitStrings& strings) {
  const LinkSettings defaults;
  if (RefusedByStrings(defaults, vendor, product, strings)) return std::nullopt;
  const auto choice = ChooseUnit(defaults, vendor, product, strings);
  return choice ? choice->kind : StringKind::Krauler;
}

}  // namespace quillon
