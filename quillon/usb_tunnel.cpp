#include "quillon/usb_tunnel.h"

namespace quillon {
namespace tunnel {
namespace {

constexpr uint8_t kStringDescriptorType = 3;
constexpr size_t kFrameHead = 2;       // type, length
constexpr size_t kDescriptorHead = 2;  // length, descriptor type

}  // namespace

std::string Encode(char type, const std::string& payload) {
  const std::string body = payload.substr(0, kMaxPayload);
  return std::string{type, static_cast<char>(body.size())} + body;
}

std::optional<Frame> TakeFrame(std::string& buffer) {
  if (buffer.size() < kFrameHead) return std::nullopt;
  const size_t length = static_cast<unsigned char>(buffer[1]);
  if (buffer.size() < kFrameHead + length) return std::nullopt;
  Frame frame{buffer[0], buffer.substr(kFrameHead, length)};
  buffer.erase(0, kFrameHead + length);
  return frame;
}

std::string StringRequest(uint8_t index, uint16_t language) {
  return Encode(kStringRequest,
                {static_cast<char>(index), static_cast<char>(language & 0xFF), static_cast<char>(language >> 8)});
}

std::optional<StringAsked> ParseStringRequest(const std::string& payload) {
  if (payload.size() != 3) return std::nullopt;
  const auto byte = [&payload](size_t i) { return static_cast<uint8_t>(payload[i]); };
  return StringAsked{byte(0), static_cast<uint16_t>(byte(1) | byte(2) << 8)};
}

std::string IdentityPayload(const Identity& identity) {
  const auto low = [](uint16_t v) { return static_cast<char>(v & 0xFF); };
  const auto high = [](uint16_t v) { return static_cast<char>(v >> 8); };
  return std::string{low(identity.vendor), high(identity.vendor), low(identity.product), high(identity.product)} +
         identity.manufacturer + '\0' + identity.productName;
}

std::optional<Identity> ParseIdentity(const std::string& payload) {
  constexpr size_t kIds = 4;
  const size_t zero = payload.find('\0', kIds);
  if (payload.size() < kIds + 1 || zero == std::string::npos) return std::nullopt;
  const auto word = [&payload](size_t i) {
    return static_cast<uint16_t>(static_cast<uint8_t>(payload[i]) | static_cast<uint8_t>(payload[i + 1]) << 8);
  };
  return Identity{word(0), word(2), payload.substr(kIds, zero - kIds), payload.substr(zero + 1)};
}

std::string StringDescriptor(const std::string& text) {
  const std::string ascii = text.substr(0, (kMaxPayload - kDescriptorHead) / 2);
  std::string bytes{static_cast<char>(kDescriptorHead + 2 * ascii.size()), static_cast<char>(kStringDescriptorType)};
  for (char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

std::optional<std::u16string> DescriptorText(const std::string& descriptor) {
  if (descriptor.size() < kDescriptorHead || static_cast<unsigned char>(descriptor[0]) != descriptor.size() ||
      descriptor[1] != kStringDescriptorType || descriptor.size() % 2 != 0) {
    return std::nullopt;
  }
  std::u16string text;
  for (size_t i = kDescriptorHead; i < descriptor.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<uint8_t>(descriptor[i]) | static_cast<uint8_t>(descriptor[i + 1]) << 8);
  }
  return text;
}

}  // namespace tunnel
}  // namespace quillon
