#include "tools/upssim/line.h"

namespace upssim {
namespace {

struct RateCode {
  uint32_t rate;
  speed_t code;
};
constexpr RateCode kRates[] = {{300, B300},   {600, B600},   {1200, B1200},   {2400, B2400},
                               {4800, B4800}, {9600, B9600}, {19200, B19200}, {38400, B38400}};

}  // namespace

std::optional<uint32_t> ParseBitRate(const std::string& text) {
  for (const auto& r : kRates) {
    if (text == std::to_string(r.rate)) return r.rate;
  }
  return std::nullopt;
}

std::optional<voltaris::Parity> ParseParity(const std::string& text) {
  if (text == "none") return voltaris::Parity::None;
  if (text == "odd") return voltaris::Parity::Odd;
  if (text == "even") return voltaris::Parity::Even;
  return std::nullopt;
}

std::optional<uint32_t> ParseDataBits(const std::string& text) {
  if (text.size() == 1 && text[0] >= '5' && text[0] <= '8') return uint32_t(text[0] - '0');
  return std::nullopt;
}

std::optional<voltaris::StopBits> ParseStopBits(const std::string& text) {
  if (text == "1") return voltaris::StopBits::One;
  if (text == "1.5") return voltaris::StopBits::OneAndHalf;
  if (text == "2") return voltaris::StopBits::Two;
  return std::nullopt;
}

voltaris::LineFormat FormatFromTermios(const termios& t) {
  voltaris::LineFormat f;
  f.bitRate = 0;
  const speed_t speed = cfgetospeed(&t);
  for (const auto& r : kRates) {
    if (r.code == speed) f.bitRate = r.rate;
  }
  switch (t.c_cflag & CSIZE) {
    case CS5: f.dataBits = 5; break;
    case CS6: f.dataBits = 6; break;
    case CS7: f.dataBits = 7; break;
    default: f.dataBits = 8; break;
  }
  if (t.c_cflag & PARENB) f.parity = (t.c_cflag & PARODD) ? voltaris::Parity::Odd : voltaris::Parity::Even;
  else f.parity = voltaris::Parity::None;
  f.stopBits = (t.c_cflag & CSTOPB) ? voltaris::StopBits::Two : voltaris::StopBits::One;
  return f;
}

bool SameLine(const voltaris::LineFormat& ups, const voltaris::LineFormat& host) {
  const bool upsTwoStops = ups.stopBits != voltaris::StopBits::One;
  const bool hostTwoStops = host.stopBits != voltaris::StopBits::One;
  return ups.bitRate == host.bitRate && upsTwoStops == hostTwoStops;
}

void ApplyFormat(const voltaris::LineFormat& format, termios& t) {
  cfmakeraw(&t);
  for (const auto& r : kRates) {
    if (r.rate == format.bitRate) {
      cfsetispeed(&t, r.code);
      cfsetospeed(&t, r.code);
    }
  }
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
  constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[format.dataBits - 5] | CREAD | CLOCAL;
  if (format.parity != voltaris::Parity::None) t.c_cflag |= PARENB;
  if (format.parity == voltaris::Parity::Odd) t.c_cflag |= PARODD;
  if (format.stopBits != voltaris::StopBits::One) t.c_cflag |= CSTOPB;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
}

std::string Describe(const voltaris::LineFormat& f) {
  static const char* const kParity[] = {"N", "O", "E"};
  static const char* const kStops[] = {"1", "1.5", "2"};
  return std::to_string(f.bitRate) + " " + std::to_string(f.dataBits) +
         kParity[static_cast<int>(f.parity)] + kStops[static_cast<int>(f.stopBits)];
}

unsigned char Garble(unsigned char byte) {
  // A receiver at the wrong rate sees the start bit and a smeared copy of the
  // bits that follow; model that as a rotation with the top bit forced on.
  const unsigned char smeared = static_cast<unsigned char>(((byte << 3) | (byte >> 5)) | 0x80);
  return smeared == byte ? static_cast<unsigned char>(byte ^ 0xC3) : smeared;
}

}  // namespace upssim
