#include "quillon/tcp_device_win.h"

namespace quillon {
namespace {

constexpr size_t kReceiveChunk = 256;

}  // namespace

ReportWrite TcpDevice::WriteReport(const std::string& report) {
  return socket_.SendAll(tunnel::Encode(tunnel::kOutputReport, report)) ? ReportWrite::Sent : ReportWrite::Failed;
}

// The next frame of `type` within `timeoutMs`; frames of other types are
// none of this call's business and dropped.
DeviceRead TcpDevice::NextFrame(char type, std::string& payload, unsigned timeoutMs) {
  const DWORD start = GetTickCount();
  for (bool first = true;; first = false) {
    while (auto frame = tunnel::TakeFrame(received_)) {
      if (frame->type != type) continue;
      payload = frame->payload;
      return DeviceRead::Got;
    }
    const DWORD spent = GetTickCount() - start;
    const unsigned left = spent >= timeoutMs ? 0 : timeoutMs - spent;
    if (left == 0 && !first) return DeviceRead::Failed;  // a peer that floods us ends the wait too
    if (!socket_.ReceiveSome(received_, kReceiveChunk, left)) {
      return socket_.Connected() ? DeviceRead::Failed : DeviceRead::Gone;
    }
  }
}

DeviceRead TcpDevice::ReadReport(std::string& report, unsigned timeoutMs) {
  return NextFrame(tunnel::kInputReport, report, timeoutMs);
}

DeviceRead TcpDevice::ReadString(uint8_t index, uint16_t language, size_t mostUnits, std::u16string& text) {
  received_.clear();  // a late answer to an earlier request is not this one's
  if (!socket_.DiscardPending(kReceiveChunk * 4) || !socket_.SendAll(tunnel::StringRequest(index, language))) {
    return DeviceRead::Gone;
  }
  std::string descriptor;
  const DeviceRead read = NextFrame(tunnel::kStringReply, descriptor, kStringRequestTimeoutMs);
  if (read != DeviceRead::Got) return read;
  const auto decoded = tunnel::DescriptorText(descriptor);
  if (!decoded) return DeviceRead::Failed;  // refused, or not a string descriptor
  text = decoded->substr(0, mostUnits);
  return DeviceRead::Got;
}

std::optional<tunnel::Identity> TcpDevice::Identity() {
  received_.clear();
  if (!socket_.SendAll(tunnel::Encode(tunnel::kIdentityRequest, ""))) return std::nullopt;
  std::string payload;
  if (NextFrame(tunnel::kIdentityReply, payload, kStringRequestTimeoutMs) != DeviceRead::Got) return std::nullopt;
  return tunnel::ParseIdentity(payload);
}

}  // namespace quillon
