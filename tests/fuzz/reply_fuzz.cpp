// Reply parsers and the battery computation on arbitrary bytes, over both links.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ups/ups_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  for (auto link : {voltaris::LinkKind::Serial, voltaris::LinkKind::Usb}) {
    voltaris::UpsStatus status;
    voltaris::ParseRatingReply(link, reply, status);
    // The same bytes as a status reply, padded or cut to the accepted length.
    std::string asStatus = reply;
    asStatus.resize(voltaris::StatusLength(link), '0');
    if (voltaris::ParseStatusReply(link, asStatus, status).accepted) {
      voltaris::ApplyStatusBits(status);
      voltaris::ComputeBatteryPercent(link, status);
    }
    voltaris::ReplyText text;
    text.Append(reply.data(), reply.size());
  }
  return 0;
}
