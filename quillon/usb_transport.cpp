#include "quillon/usb_transport.h"

namespace quillon {

bool UsbTransport::EnsureConnected() {
  if (framing_ && framing_->EnsureConnected()) return true;
  framing_.reset();  // the unit went: its handle is closed here
  auto found = finder_();
  refused_ = found && !found->device ? found->refused : "";
  if (!found || !found->device) return false;
  framing_ = MakeFraming(found->framing, std::move(found->device), clock_, found->kind);
  return framing_->EnsureConnected();
}

}  // namespace quillon
