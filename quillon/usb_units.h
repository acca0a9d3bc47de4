// Which USB units the library talks to, and how: the one table of known
// units, and the settings file beside the DLL (quillon.ini) that can name
// the transport and add a unit the table does not know.
//
//   [Transport]
//   Kind=hid            ; or string, or tcp; absent: any unit of the table;
//                       ; or krauler, fabula, hunnox, snr: string, of that kind
//   Units=0665:5161 report, 0001:0000 string
//   Host=127.0.0.1      ; tcp only: the UPS simulator
//   Port=5000
//   Framing=report      ; tcp only: the unit the simulator plays (report or
//                       ; string); absent: plain lines
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "quillon/usb_framing.h"

namespace quillon {

struct UsbUnit {
  uint16_t vendor = 0;
  uint16_t product = 0;
  Framing framing = Framing::Report;
};

// The units known to speak one of the framings.
const std::vector<UsbUnit>& KnownUnits();

enum class LinkKind {
  AnyKnownUnit,  // no file, or no Kind: the first unit found, in its own framing
  ReportUnit,    // Kind=hid: a unit found, spoken to in serial-over-HID
  StringUnit,    // Kind=string: a unit found, spoken to by string index
  Tcp,           // Kind=tcp: the simulator
  None,          // a Kind or a port the library does not know: no device
};

struct LinkSettings {
  LinkKind kind = LinkKind::AnyKnownUnit;
  std::optional<StringKind> forcedStringKind;  // Kind= named one: never chosen by the unit's strings
  std::vector<UsbUnit> addedUnits;
  std::string host = "127.0.0.1";
  uint16_t port = 0;
  std::optional<Framing> tcpFraming;  // none: plain lines
};

// The settings in a quillon.ini's text; "" (no file) gives the defaults.
// An entry of Units that cannot be read is skipped.
LinkSettings ParseLinkSettings(const std::string& iniText);

// How to speak to the unit with these ids; nothing when it is none of
// ours. Units added in the file come before the table, so a line there can
// also change a known unit's framing; Kind=hid or string overrides both.
std::optional<Framing> FramingForUnit(const LinkSettings& settings, uint16_t vendor, uint16_t product);

// What a unit says it is: its manufacturer and product strings ("" when it
// gives none).
struct UnitStrings {
  std::string manufacturer;
  std::string product;
};

struct UnitChoice {
  Framing framing = Framing::Report;
  StringKind kind = StringKind::Krauler;
};

// How to speak to a unit, by its ids and then its strings, as the field's
// reference driver tells the kinds behind one id apart; nothing when it is
// none of ours, or its strings name a unit the library refuses (one that
// speaks another protocol, which read as this one would give a status that
// never changes). A kind named by Kind= wins over the strings.
std::optional<UnitChoice> ChooseUnit(const LinkSettings& settings, uint16_t vendor, uint16_t product,
                                     const UnitStrings& strings);
// Whether the unit is one of ours by its ids that its strings make the
// library refuse (ChooseUnit then gives nothing), unless a kind is forced.
bool RefusedByStrings(const LinkSettings& settings, uint16_t vendor, uint16_t product, const UnitStrings& strings);
// How a refused unit is named to the program: "manufacturer product",
// printable ASCII only, either left out when the unit gives none.
std::string RefusalText(const UnitStrings& strings);
// The kind of a unit the simulator plays, by the ids and strings it gives
// (the framing being the settings' own); nothing when it is one refused.
std::optional<StringKind> KindOfPlayedUnit(uint16_t vendor, uint16_t product, const UnitStrings& strings);
// Whether ChooseUnit would look at the unit's strings: asking a unit for
// them costs a request it may be slow to answer.
bool StringsMatter(const LinkSettings& settings, uint16_t vendor, uint16_t product);

}  // namespace quillon
