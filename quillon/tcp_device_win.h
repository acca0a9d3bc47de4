// The UPS simulator playing a USB unit over its TCP link (usb_tunnel.h):
// the framings run over it exactly as over a real unit's HID handle.
#pragma once

#include <optional>
#include <string>

#include "quillon/hid_device.h"
#include "quillon/tcp_socket_win.h"
#include "quillon/usb_tunnel.h"

namespace quillon {

class TcpDevice : public HidDevice {
 public:
  TcpDevice(std::string host, unsigned short port) : socket_(std::move(host), port) {}

  // Connects again when the simulator went away and came back.
  bool Alive() override { return socket_.EnsureConnected(); }
  size_t OutputReportSize() const override { return kReportSize; }
  ReportWrite WriteReport(const std::string& report) override;
  DeviceRead ReadReport(std::string& report, unsigned timeoutMs) override;
  DeviceRead ReadString(uint8_t index, uint16_t language, size_t mostUnits, std::u16string& text) override;
  // The ids and strings of the unit played; nothing when the simulator
  // does not say them in time.
  std::optional<tunnel::Identity> Identity();

 private:
  static constexpr size_t kReportSize = 8;
  DeviceRead NextFrame(char type, std::string& payload, unsigned timeoutMs);

  TcpSocket socket_;
  std::string received_;  // bytes of frames not yet taken
};

}  // namespace quillon
