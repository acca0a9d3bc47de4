// A USB unit as the link's transport: found when it is first needed, then
// spoken to in its framing until it goes, then looked for again.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "quillon/hid_device.h"
#include "quillon/transport.h"
#include "quillon/usb_framing.h"

namespace quillon {

struct FoundUnit {
  std::unique_ptr<HidDevice> device;
  Framing framing = Framing::Report;
  StringKind kind = StringKind::Krauler;
  // No device: a unit is there that the library refuses; its strings
  // ("manufacturer product").
  std::string refused{};
};

// Looks for a unit once; nothing when none is there. Must return in time:
// it runs at the start of every HidHandle while no unit is open.
using UnitFinder = std::function<std::optional<FoundUnit>()>;

class UsbTransport : public Transport {
 public:
  explicit UsbTransport(UnitFinder finder, MillisClock clock = SteadyMillis)
      : finder_(std::move(finder)), clock_(std::move(clock)) {}

  bool EnsureConnected() override;
  bool Send(const std::string& command) override { return framing_ && framing_->Send(command); }
  std::string ReceiveLine() override { return framing_ ? framing_->ReceiveLine() : ""; }
  void Drop() override { framing_.reset(); }
  char LeadByte() const override { return framing_ ? framing_->LeadByte() : kReportLeadByte; }
  bool MaybeSent() const override { return framing_ && framing_->MaybeSent(); }
  std::string RefusedUnit() const override { return refused_; }

 private:
  UnitFinder finder_;
  MillisClock clock_;
  std::unique_ptr<Transport> framing_;
  std::string refused_;  // what the last search found refused
};

}  // namespace quillon
