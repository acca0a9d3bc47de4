// Which USB units the link speaks to, in which framing, and what the
// settings file adds or forces.
#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "quillon/usb_units.h"

using quillon::Framing;
using quillon::StringKind;

TEST(QuillonStringKinds, KindsAreToldApartByTheUnitsStringsAndForcedByTheSettings) {
  using quillon::UnitStrings;
  struct Case {
    uint16_t vendor, product;
    UnitStrings strings;
    std::optional<StringKind> kind;  // nothing: refused
    Framing framing;
  };
  const Case cases[] = {
      {0x0001, 0x0000, {"MEC", "MEC0003"}, StringKind::Fabula, Framing::String},
      {0x0001, 0x0000, {"mec", "mec0003"}, StringKind::Fabula, Framing::String},
      {0x0001, 0x0000, {"MEC ", "MEC0003"}, StringKind::Hunnox, Framing::String},
      {0x0001, 0x0000, {"", "MEC0003"}, StringKind::Hunnox, Framing::String},
      {0x0001, 0x0000, {"MEC", "MEC0004"}, StringKind::Krauler, Framing::String},
      {0x0001, 0x0000, {"ATCL FOR UPS", "ATCL FOR UPS"}, std::nullopt, Framing::String},
      {0x0001, 0x0000, {"ATCL FOR UPS", "UPS"}, StringKind::Krauler, Framing::String},
      {0x0001, 0x0000, {"", ""}, StringKind::Krauler, Framing::String},
      {0x1cb0, 0x0035, {"MEC", "MEC0003"}, StringKind::Krauler, Framing::String},
      {0x06da, 0x0002, {"Phoenixtec Power", "USB Cable (V2.00)"}, std::nullopt, Framing::Report},
      {0x06da, 0x0002, {"Phoenixtec Power", "USB Cable"}, StringKind::Krauler, Framing::Report},
  };
  const quillon::LinkSettings defaults;
  for (const Case& c : cases) {
    const auto choice = quillon::ChooseUnit(defaults, c.vendor, c.product, c.strings);
    ASSERT_EQ(choice.has_value(), c.kind.has_value()) << c.strings.manufacturer << "/" << c.strings.product;
    if (!choice) continue;
    EXPECT_EQ(choice->kind, *c.kind) << c.strings.manufacturer << "/" << c.strings.product;
    EXPECT_EQ(choice->framing, c.framing) << c.strings.manufacturer << "/" << c.strings.product;
  }
  EXPECT_FALSE(quillon::ChooseUnit(defaults, 0x1234, 0x0000, {"MEC", "MEC0003"}));
  // Refused, and not only none of ours: the program is told which unit it is.
  for (const Case& c : cases) {
    EXPECT_EQ(quillon::RefusedByStrings(defaults, c.vendor, c.product, c.strings), !c.kind)
        << c.strings.manufacturer << "/" << c.strings.product;
    EXPECT_EQ(quillon::KindOfPlayedUnit(c.vendor, c.product, c.strings), c.kind)
        << c.strings.manufacturer << "/" << c.strings.product;
  }
  EXPECT_FALSE(quillon::RefusedByStrings(defaults, 0x1234, 0x0000, {"ATCL FOR UPS", "ATCL FOR UPS"}));
  EXPECT_EQ(quillon::KindOfPlayedUnit(0x1234, 0x0000, {"ATCL FOR UPS", "ATCL FOR UPS"}), StringKind::Krauler);
  EXPECT_EQ(quillon::RefusalText({"ATCL FOR UPS", "ATCL FOR UPS"}), "ATCL FOR UPS ATCL FOR UPS");
  EXPECT_EQ(quillon::RefusalText({" Phoenixtec Power ", "USB Cable (V2.00)"}), "Phoenixtec Power USB Cable (V2.00)");
  EXPECT_EQ(quillon::RefusalText({"", "ATCL\rFOR\x01UPS"}), "ATCL?FOR?UPS");
  // The strings are asked only of ids a rule tells apart, and not when a kind is forced.
  EXPECT_TRUE(quillon::StringsMatter(defaults, 0x0001, 0x0000));
  EXPECT_TRUE(quillon::StringsMatter(defaults, 0x06da, 0x0002));
  EXPECT_FALSE(quillon::StringsMatter(defaults, 0x0665, 0x5161));
  EXPECT_FALSE(quillon::StringsMatter(quillon::ParseLinkSettings("[Transport]\nKind=krauler\n"), 0x0001, 0x0000));
  const std::pair<const char*, StringKind> forced[] = {
      {"krauler", StringKind::Krauler}, {"Fabula", StringKind::Fabula}, {"hunnox", StringKind::Hunnox},
      {"snr", StringKind::Snr}};
  for (const auto& [name, kind] : forced) {
    const auto settings = quillon::ParseLinkSettings(std::string("[Transport]\nKind=") + name + "\n");
    EXPECT_EQ(settings.kind, quillon::LinkKind::StringUnit) << name;
    for (const UnitStrings& strings : {UnitStrings{"MEC", "MEC0003"}, UnitStrings{"ATCL FOR UPS", "ATCL FOR UPS"}}) {
      const auto choice = quillon::ChooseUnit(settings, 0x0001, 0x0000, strings);
      ASSERT_TRUE(choice) << name;
      EXPECT_EQ(choice->kind, kind) << name;
    }
  }
  EXPECT_FALSE(quillon::ParseLinkSettings("[Transport]\nKind=fuji\n").forcedStringKind);
  const auto forcedKrauler = quillon::ParseLinkSettings("[Transport]\nKind=krauler\n");
  EXPECT_FALSE(quillon::RefusedByStrings(forcedKrauler, 0x0001, 0x0000, {"ATCL FOR UPS", "ATCL FOR UPS"}));
  EXPECT_EQ(quillon::ParseLinkSettings("[Transport]\nKind=fuji\n").kind, quillon::LinkKind::None);
}

TEST(QuillonUsbUnits, SettingsNameTheTransportAndAddUnits) {
  using quillon::LinkKind;
  struct Case {
    const char* ini;
    LinkKind kind;
  };
  const Case cases[] = {
      {"", LinkKind::AnyKnownUnit},
      {"[Transport]\r\nKind=hid\r\n", LinkKind::ReportUnit},
      {"[Transport]\nKind= String \n", LinkKind::StringUnit},
      {"[Transport]\nKind=tcp\nPort=5000\n", LinkKind::Tcp},
      {"[Transport]\nKind=tcp\nPort=5000\nFraming=report\n", LinkKind::Tcp},
      {"[Transport]\nKind=tcp\n", LinkKind::None},
      {"[Transport]\nKind=tcp\nPort=70000\n", LinkKind::None},
      {"[Transport]\nKind=tcp\nPort=5000\nFraming=serial\n", LinkKind::None},
      {"[Transport]\nKind=usb\n", LinkKind::None},
  };
  for (const auto& c : cases) EXPECT_EQ(quillon::ParseLinkSettings(c.ini).kind, c.kind) << c.ini;
  const auto tcp = quillon::ParseLinkSettings("[Transport]\nKind=tcp\nHost=10.0.0.2\nPort=5000\nFraming=string\n");
  EXPECT_EQ(tcp.host, "10.0.0.2");
  EXPECT_EQ(tcp.port, 5000);
  EXPECT_EQ(tcp.tcpFraming, Framing::String);

  const auto added = quillon::ParseLinkSettings("[Transport]\nUnits=ABCD:0123 string, 0665:5161 string, bad, 1:2 report\n");
  ASSERT_EQ(added.addedUnits.size(), 2u);
  EXPECT_EQ(quillon::FramingForUnit(added, 0xabcd, 0x0123), Framing::String);
  EXPECT_EQ(quillon::FramingForUnit(added, 0x0665, 0x5161), Framing::String);  // the file's word wins
  EXPECT_EQ(quillon::FramingForUnit(added, 0x06da, 0x0003), Framing::Report);
  EXPECT_EQ(quillon::FramingForUnit(added, 0x0001, 0x0000), Framing::String);
  EXPECT_EQ(quillon::FramingForUnit(added, 0x1234, 0x5678), std::nullopt);
  const auto forced = quillon::ParseLinkSettings("[Transport]\nKind=string\n");
  EXPECT_EQ(quillon::FramingForUnit(forced, 0x0665, 0x5161), Framing::String);
  EXPECT_EQ(quillon::FramingForUnit(forced, 0x1234, 0x5678), std::nullopt);
}

TEST(QuillonUsbUnits, EachKnownUnitIsSpokenToInItsFamilysFraming) {
  struct Known {
    uint16_t vendor, product;
    Framing framing;
  };
  const Known known[] = {
      {0x0665, 0x5161, Framing::Report}, {0x05b8, 0x0000, Framing::Report}, {0x06da, 0x0002, Framing::Report},
      {0x06da, 0x0003, Framing::Report}, {0x06da, 0x0004, Framing::Report}, {0x06da, 0x0005, Framing::Report},
      {0x06da, 0x0201, Framing::Report}, {0x06da, 0x0601, Framing::Report}, {0x0f03, 0x0001, Framing::Report},
      {0x14f0, 0x00c9, Framing::Report}, {0x0001, 0x0000, Framing::String}, {0x1cb0, 0x0035, Framing::String},
  };
  const quillon::LinkSettings defaults;
  for (const Known& unit : known) {
    EXPECT_EQ(quillon::FramingForUnit(defaults, unit.vendor, unit.product), unit.framing)
        << std::hex << unit.vendor << ":" << unit.product;
  }
  EXPECT_EQ(quillon::KnownUnits().size(), std::size(known));
  using Ids = std::pair<uint16_t, uint16_t>;
  for (const Ids& ids : {Ids{0x05b8, 0x0001}, Ids{0x06da, 0x0006}, Ids{0x1cb0, 0x0036}, Ids{0x0000, 0x0000}}) {
    EXPECT_EQ(quillon::FramingForUnit(defaults, ids.first, ids.second), std::nullopt) << ids.first << ":" << ids.second;
  }
}
