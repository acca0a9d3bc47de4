// Where a control command goes: over the monitor's line or link library for
// a UPS on our own cable; as an instant command to the server of a UPS
// followed over the network, which owns that UPS. The self-tests send
// through it and hear back the same way either road.
#pragma once

#include <functional>
#include <string>

#include "ups/monitor_port.h"

namespace voltaris {

// The follower of a network UPS, as the user-interface thread sees it.
class InstantCommandPort {
 public:
  virtual ~InstantCommandPort() = default;
  // Its answer comes back later, never from inside this call, as the control
  // `id` written (the server took it) or given up. An empty command is one a
  // secondary may not ask for: given up.
  virtual void SendInstantCommand(unsigned id, const std::string& command) = 0;
};

class UpsControls : public MonitorPort {
 public:
  // Numbers of commands sent to a server: far above the monitor's own.
  static constexpr unsigned kFirstServedId = 0x40000000u;

  UpsControls(MonitorPort& monitor, InstantCommandPort& server, std::function<bool()> followsServer)
      : monitor_(monitor), server_(server), followsServer_(std::move(followsServer)) {}

  void SetLinkKind(LinkKind kind) override { monitor_.SetLinkKind(kind); }
  void ClosePort() override { monitor_.ClosePort(); }
  void EnableSerialRead() override { monitor_.EnableSerialRead(); }
  void SendQuery(const std::string& bytes) override { monitor_.SendQuery(bytes); }
  unsigned SendControl(const UpsControl& control) override;
  // A command handed to a server cannot be taken back.
  bool WithdrawControl(unsigned id) override { return id < kFirstServedId && monitor_.WithdrawControl(id); }

 private:
  MonitorPort& monitor_;
  InstantCommandPort& server_;
  std::function<bool()> followsServer_;
  unsigned nextServedId_ = kFirstServedId;
};

}  // namespace voltaris
