// quillon.dll: the USB link library. Its four entry points carry the UPS's
// line protocol over the transport that quillon.ini, beside the DLL, names:
//
//   [Transport]
//   Kind=tcp
//   Host=127.0.0.1
//   Port=5000
//
// No file, or no transport it knows: no UPS is ever present.
#include <winsock2.h>  // before windows.h, as Winsock asks
#include <windows.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "base/durable_file.h"
#include "base/ini_document.h"
#include "base/number_text.h"
#include "quillon/quillon_api.h"
#include "quillon/tcp_transport_win.h"
#include "quillon/ups_link.h"

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

std::unique_ptr<quillon::Transport> TransportFromSettings() {
  const auto text = voltaris::ReadWholeFile(LibraryDirectory() + "quillon.ini");
  if (!text) return nullptr;
  const auto ini = voltaris::IniDocument::Parse(*text);
  const std::string kind = ini.Get("Transport", "Kind").value_or("");
  const int port = voltaris::LeadingInteger(ini.Get("Transport", "Port").value_or(""));
  if (kind != "tcp" || port <= 0 || port > 65535) return nullptr;
  return std::make_unique<quillon::TcpTransport>(ini.Get("Transport", "Host").value_or("127.0.0.1"),
                                                 static_cast<unsigned short>(port));
}

// Made at the first call, not in DllMain, where sockets must not be opened;
// and never destroyed, because a static's destructor would run inside
// DllMain at unload, where Winsock must not be shut down either. The
// process's end closes the socket.
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
  if (text != nullptr) Link().Test(text);
  return 0;
}

}  // extern "C"
