// quillon.dll: the USB link library. Its four entry points carry the UPS's
// line protocol to a USB unit (usb_units.h names the units it knows and the
// settings file beside the DLL, quillon.ini, that can name the transport or
// add a unit). Without the file it looks for a known HID unit, and while
// there is none, no UPS is present.
#include <winsock2.h>  // before windows.h, as Winsock asks
#include <windows.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "base/durable_file.h"
#include "quillon/hid_device_win.h"
#include "quillon/quillon_api.h"
#include "quillon/tcp_device_win.h"
#include "quillon/tcp_transport_win.h"
#include "quillon/ups_link.h"
#include "quillon/usb_transport.h"
#include "quillon/usb_units.h"

namespace {

constexpr size_t kReplyBufferSize = 55;  // the caller's buffer

std::string LibraryDirectory() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&LibraryDirectory), &self);
  char path[MAX_PATH] = "";
  GetModuleFileNameA(self, path, sizeof path);
  std::string dir = path;
  return dir.substr(0, dir.find_last_of("\\/") + 1);
}

// The simulator, as plain lines or playing a USB unit in one framing.
std::unique_ptr<quillon::Transport> SimulatorTransport(const quillon::LinkSettings& settings) {
  if (!settings.tcpFraming) return std::make_unique<quillon::TcpTransport>(settings.host, settings.port);
  // Told apart by the ids and strings it gives, as a unit found on USB.
  auto finder = [settings]() -> std::optional<quillon::FoundUnit> {
    auto device = std::make_unique<quillon::TcpDevice>(settings.host, settings.port);
    if (!device->Alive()) return std::nullopt;
    auto kind = std::optional<quillon::StringKind>(quillon::StringKind::Krauler);
    quillon::UnitStrings strings;
    if (const auto identity = device->Identity()) {
      strings = {identity->manufacturer, identity->productName};
      kind = quillon::KindOfPlayedUnit(identity->vendor, identity->product, strings);
    }
    if (!kind) return quillon::FoundUnit{nullptr, *settings.tcpFraming, {}, quillon::RefusalText(strings)};
    return quillon::FoundUnit{std::move(device), *settings.tcpFraming, *kind};
  };
  return std::make_unique<quillon::UsbTransport>(finder);
}

std::unique_ptr<quillon::Transport> TransportFromSettings() {
  const auto text = voltaris::ReadWholeFile(LibraryDirectory() + "quillon.ini");
  const quillon::LinkSettings settings = quillon::ParseLinkSettings(text.value_or(""));
  switch (settings.kind) {
    case quillon::LinkKind::None: return nullptr;
    case quillon::LinkKind::Tcp: return SimulatorTransport(settings);
    default: return std::make_unique<quillon::UsbTransport>([settings] { return quillon::FindHidUnit(settings); });
  }
}

// Made at the first call, not in DllMain, where neither sockets nor
// SetupAPI may be used; and never destroyed, because a static's destructor
// would run inside DllMain at unload, where Winsock must not be shut down
// either. The process's end closes the handle and the socket.
quillon::UpsLink& Link() {
  static std::once_flag once;
  static quillon::UpsLink* link = nullptr;
  std::call_once(once, [] { link = new quillon::UpsLink(TransportFromSettings()); });
  return *link;
}

}  // namespace

extern "C" {

int QUILLON_CALL HidHandle(int) { return Link().Present() ? 1 : 0; }

int QUILLON_CALL CmdOutput(int code, void*) {
  Link().Output(code);
  return 0;
}

int QUILLON_CALL CmdInput(char* reply, int*) {
  if (reply == nullptr) return 0;
  const std::string text = Link().Input();
  const size_t n = std::min(text.size(), kReplyBufferSize - 1);
  std::memcpy(reply, text.data(), n);
  reply[n] = '\0';
  return 0;
}

int QUILLON_CALL Cmdtest(const char* text, int*) {
  if (text == nullptr) return 0;
  return Link().Test(text) == quillon::CommandFate::MaybeSent ? QUILLON_CMDTEST_MAY_HAVE_BEEN_SENT : 0;
}

}  // extern "C"
