#include "tools/upssim/usb_play.h"

#include "quillon/usb_tunnel.h"

namespace upssim {
namespace {

namespace tunnel = quillon::tunnel;

// The string-index family's commands, by the index the host reads.
std::string CommandAtIndex(uint8_t index) {
  switch (index) {
    case 0x03: return "Q1";
    case 0x0d: return "F";
    case 0x04: return "T";
    case 0x05: return "TL";
    case 0x07: return "Q";
    case 0x0b: return "CT";
    default: return "";
  }
}

// What these units put first in a status reply instead of "(".
constexpr char kStatusFirstByte = '#';

}  // namespace

std::optional<UsbFamily> ParseUsbFamily(const std::string& text) {
  if (text == "report") return UsbFamily::Report;
  if (text == "string") return UsbFamily::String;
  return std::nullopt;
}

void UsbPlay::TakeOutputReport(const std::string& report, std::vector<Heard>& heard) {
  for (char c : report) {
    if (c == '\0') continue;  // the padding of the report
    if (c != '\r') {
      command_ += c;
      continue;
    }
    heard.push_back({command_, false});
    command_.clear();
  }
}

std::vector<UsbPlay::Heard> UsbPlay::Feed(const std::string& bytes) {
  received_ += bytes;
  std::vector<Heard> heard;
  while (auto frame = tunnel::TakeFrame(received_)) {
    if (family_ == UsbFamily::Report && frame->type == tunnel::kOutputReport) TakeOutputReport(frame->payload, heard);
    if (family_ != UsbFamily::String || frame->type != tunnel::kStringRequest) continue;
    const auto asked = tunnel::ParseStringRequest(frame->payload);
    heard.push_back({asked ? CommandAtIndex(asked->index) : "", true});
  }
  return heard;
}

std::string UsbPlay::Reports(const std::string& reply) {
  std::string frames;
  for (size_t at = 0; at < reply.size(); at += reportBuffer_.size()) {
    const std::string part = reply.substr(at, reportBuffer_.size());
    reportBuffer_.replace(0, part.size(), part);
    frames += tunnel::Encode(tunnel::kInputReport, reportBuffer_);
  }
  return frames;
}

std::string UsbPlay::StringReply(const std::string& command, const std::optional<std::string>& reply) const {
  if (!reply) return tunnel::Encode(tunnel::kStringReply, "");  // a refusal: no descriptor
  std::string text = reply->substr(0, reply->find('\r'));
  if (command == "Q1" && !text.empty()) text[0] = kStatusFirstByte;
  return tunnel::Encode(tunnel::kStringReply, tunnel::StringDescriptor(text));
}

}  // namespace upssim
