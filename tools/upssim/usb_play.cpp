#include "tools/upssim/usb_play.h"

#include <algorithm>
#include <iterator>

#include "quillon/usb_tunnel.h"

namespace upssim {
namespace {

namespace tunnel = quillon::tunnel;

// What krauler units put first in a status reply instead of "(".
constexpr char kStatusFirstByte = '#';
// How fabula and hunnox units take a command that has no reply.
constexpr char kCommandTaken[] = "UPS No Ack";
// The request order a hunnox unit must be opened with.
constexpr uint8_t kHunnoxOpening[] = {0x00, 0x00, 0x01};
// The string descriptor 0: the languages, US English only.
const std::string kLanguageTable = {4, 3, 0x09, 0x04};

struct UnitNames {
  uint16_t vendor, product;
  const char* manufacturer;
  const char* productName;
};

UnitNames NamesOf(UsbFamily family, UsbKind kind) {
  if (family == UsbFamily::Report) return {0x0665, 0x5161, "UPSSIM", "USB UPS"};
  switch (kind) {
    case UsbKind::Fabula: return {0x0001, 0x0000, "MEC", "MEC0003"};
    case UsbKind::Hunnox: return {0x0001, 0x0000, "UPSSIM", "MEC0003"};
    case UsbKind::Fuji: return {0x0001, 0x0000, "ATCL FOR UPS", "ATCL FOR UPS"};
    default: return {0x0001, 0x0000, "UPSSIM", "USB UPS"};
  }
}

bool AnswersAsFabula(UsbKind kind) { return kind == UsbKind::Fabula || kind == UsbKind::Hunnox; }

}  // namespace

std::optional<UsbFamily> ParseUsbFamily(const std::string& text) {
  if (text == "report") return UsbFamily::Report;
  if (text == "string") return UsbFamily::String;
  return std::nullopt;
}

std::optional<UsbKind> ParseUsbKind(const std::string& text) {
  if (text == "krauler") return UsbKind::Krauler;
  if (text == "fabula") return UsbKind::Fabula;
  if (text == "hunnox") return UsbKind::Hunnox;
  if (text == "fuji") return UsbKind::Fuji;
  return std::nullopt;
}

// The string-index family's commands, by the index the host reads.
std::string UsbPlay::CommandAtIndex(uint8_t index) const {
  if (kind_ == UsbKind::Fuji) return "";
  if (AnswersAsFabula(kind_)) {
    switch (index) {
      case 0x03: return "Q1";
      case 0x0d: return "F";
      case 0x0c: return "I";
      case 0x07: return "Q";
      case 0x0a: return "C";
      default: return "";
    }
  }
  switch (index) {
    case 0x03: return "Q1";
    case 0x0d: return "F";
    case 0x0c: return "I";
    case 0x04: return "T";
    case 0x05: return "TL";
    case 0x07: return "Q";
    case 0x0b: return "CT";
    default: return "";
  }
}

std::string UsbPlay::OwnString(uint8_t index) const {
  const UnitNames names = NamesOf(family_, kind_);
  switch (index) {
    case 0x00: return tunnel::Encode(tunnel::kStringReply, kLanguageTable);
    case 0x01: return tunnel::Encode(tunnel::kStringReply, tunnel::StringDescriptor(names.manufacturer));
    case 0x02: return tunnel::Encode(tunnel::kStringReply, tunnel::StringDescriptor(names.productName));
    default: return StringRefusal();
  }
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
    if (frame->type == tunnel::kIdentityRequest) heard.push_back({"", false, true});
    if (family_ == UsbFamily::Report && frame->type == tunnel::kOutputReport) TakeOutputReport(frame->payload, heard);
    if (family_ != UsbFamily::String || frame->type != tunnel::kStringRequest) continue;
    const auto asked = tunnel::ParseStringRequest(frame->payload);
    const uint8_t index = asked ? asked->index : 0xff;
    if (firstIndexes_.size() < std::size(kHunnoxOpening)) firstIndexes_.push_back(index);
    heard.push_back({asked ? CommandAtIndex(index) : "", true, false, index});
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

std::string UsbPlay::StringRefusal() { return tunnel::Encode(tunnel::kStringReply, ""); }

std::string UsbPlay::StringReply(const Heard& heard, const std::optional<std::string>& reply) {
  if (kind_ == UsbKind::Fuji) return StringRefusal();
  if (heard.command.empty()) return OwnString(heard.index);
  if (!reply) return StringRefusal();
  std::string text = reply->substr(0, reply->find('\r'));
  if (kind_ == UsbKind::Hunnox && heard.command == "Q1") {
    const bool opened = std::equal(std::begin(kHunnoxOpening), std::end(kHunnoxOpening), firstIndexes_.begin(),
                                   firstIndexes_.end());
    if (!opened && !frozenStatus_) frozenStatus_ = text;
    if (!opened) text = *frozenStatus_;
  }
  if (AnswersAsFabula(kind_)) {
    if (text.empty()) text = kCommandTaken;
  } else if (heard.command == "Q1" && !text.empty()) {
    text[0] = kStatusFirstByte;
  }
  return tunnel::Encode(tunnel::kStringReply, tunnel::StringDescriptor(text));
}

std::string UsbPlay::IdentityReply() const {
  const UnitNames names = NamesOf(family_, kind_);
  return tunnel::Encode(tunnel::kIdentityReply,
                        tunnel::IdentityPayload({names.vendor, names.product, names.manufacturer, names.productName}));
}

}  // namespace upssim
