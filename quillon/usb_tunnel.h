// The UPS simulator's TCP link when it plays a USB unit: the reports and
// string requests a HID unit exchanges, each in a frame of a type byte, a
// length byte and that many bytes. The DLL's tunnel device and the
// simulator both use these, so end-to-end runs go through the framings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillon {
namespace tunnel {

constexpr char kOutputReport = 'O';   // host to unit: one output report
constexpr char kInputReport = 'I';    // unit to host: one input report
constexpr char kStringRequest = 'S';  // host to unit: index, language (low byte first)
constexpr char kStringReply = 'D';    // unit to host: the descriptor's bytes; none: refused
constexpr char kIdentityRequest = 'W';  // host to unit: its ids and strings, as Windows gives them
constexpr char kIdentityReply = 'N';    // unit to host: vendor, product (low byte first), manufacturer 0 product
constexpr size_t kMaxPayload = 255;

struct Frame {
  char type = 0;
  std::string payload;
};

// One frame's bytes; a payload beyond kMaxPayload is cut there.
std::string Encode(char type, const std::string& payload);
// The first whole frame at the front of `buffer`, taken off it; nothing
// while it is still incomplete.
std::optional<Frame> TakeFrame(std::string& buffer);

std::string StringRequest(uint8_t index, uint16_t language);
struct StringAsked {
  uint8_t index = 0;
  uint16_t language = 0;
};
std::optional<StringAsked> ParseStringRequest(const std::string& payload);

// What a unit tells of itself without being sent a command: its ids and its
// manufacturer and product strings.
struct Identity {
  uint16_t vendor = 0;
  uint16_t product = 0;
  std::string manufacturer;
  std::string productName;
};
std::string IdentityPayload(const Identity& identity);
std::optional<Identity> ParseIdentity(const std::string& payload);

// A string descriptor as a unit sends it: its length, type 3, the text as
// UTF-16 (low byte first); an ASCII text only.
std::string StringDescriptor(const std::string& text);
// The text of a descriptor; nothing when its length byte or type is wrong.
std::optional<std::u16string> DescriptorText(const std::string& descriptor);

}  // namespace tunnel
}  // namespace quillon
