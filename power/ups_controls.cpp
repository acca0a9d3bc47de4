#include "power/ups_controls.h"

#include "ups/served_ups.h"

namespace voltaris {

unsigned UpsControls::SendControl(const UpsControl& control) {
  if (!followsServer_()) return monitor_.SendControl(control);
  const unsigned id = nextServedId_++;
  server_.SendInstantCommand(id, InstantCommandOf(control).value_or(""));
  return id;
}

}  // namespace voltaris
