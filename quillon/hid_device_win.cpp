#include "quillon/hid_device_win.h"

#include <windows.h>
#include <setupapi.h>

extern "C" {
#include <hidsdi.h>
}
#include <hidclass.h>

#include <algorithm>
#include <string>
#include <vector>

#include "quillon/output_report.h"

namespace quillon {
namespace {

// An output report that takes longer has met a unit that no longer
// answers: given up, so the call ends within about a second.
constexpr DWORD kWriteTimeoutMs = 1000;
// Report lengths for a unit that declares none, report number included.
constexpr size_t kDefaultReportBytes = 9;
// A string descriptor holds at most 126 UTF-16 units; one more for the 0.
constexpr size_t kStringUnits = 127;
// The manufacturer's and product's strings, as the reference driver reads them.
constexpr size_t kUnitStringBytes = 100;

class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (valid()) CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  HANDLE release() {
    HANDLE h = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return h;
  }

 private:
  HANDLE handle_;
};

// One overlapped call's state: its own event, so that a read left pending
// and a write of another thread never wake each other.
struct Overlapped {
  Overlapped() { call.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
  ~Overlapped() {
    if (call.hEvent) CloseHandle(call.hEvent);
  }
  void Restart() {
    HANDLE event = call.hEvent;
    call = OVERLAPPED{};
    call.hEvent = event;
    ResetEvent(event);
  }
  OVERLAPPED call{};
};

struct ReportLengths {
  size_t input = kDefaultReportBytes;
  size_t output = kDefaultReportBytes;
};

enum class CallEnd { Done, Error, TimedOut };

// Waits for an overlapped call at most `timeoutMs`; one still running
// then is cancelled, and waited for, so its buffer is free again. A call
// that ended just before the cancel reached it counts as done: the report
// went out, or the string came.
CallEnd FinishCall(HANDLE file, Overlapped& io, DWORD timeoutMs, DWORD& bytes) {
  const bool ended = WaitForSingleObject(io.call.hEvent, timeoutMs) == WAIT_OBJECT_0;
  if (!ended) CancelIoEx(file, &io.call);
  if (GetOverlappedResult(file, &io.call, &bytes, TRUE)) return CallEnd::Done;
  return ended ? CallEnd::Error : CallEnd::TimedOut;
}

class WinHidDevice : public HidDevice {
 public:
  WinHidDevice(HANDLE file, ReportLengths lengths)
      : file_(file),
        lengths_(lengths),
        route_([this](const std::string& buffer) { return ByControlRequest(buffer); },
               [this](const std::string& buffer) { return ByWriteFile(buffer); }) {}
  ~WinHidDevice() override;

  bool Alive() override;
  size_t OutputReportSize() const override { return lengths_.output - 1; }
  ReportWrite WriteReport(const std::string& report) override;
  DeviceRead ReadReport(std::string& report, unsigned timeoutMs) override;
  DeviceRead ReadString(uint8_t index, uint16_t language, size_t mostUnits, std::u16string& text) override;

 private:
  bool StartRead();
  DeviceRead Failure();
  CallEnd Finish(Overlapped& io, DWORD timeoutMs, DWORD& bytes);
  bool Completed(Overlapped& io, DWORD timeoutMs, DWORD& bytes) { return Finish(io, timeoutMs, bytes) == CallEnd::Done; }
  ReportWrite ByControlRequest(const std::string& buffer);
  ReportWrite ByWriteFile(const std::string& buffer);

  ScopedHandle file_;
  ReportLengths lengths_;
  OutputReportRoute route_;
  bool gone_ = false;
  // The read stays pending between calls, so a report that arrives while
  // nobody waits is not lost to a cancel.
  Overlapped read_;
  std::vector<char> readBuffer_;
  bool readPending_ = false;
  Overlapped write_, string_;
};

WinHidDevice::~WinHidDevice() {
  if (!readPending_) return;
  CancelIoEx(file_.get(), &read_.call);
  DWORD bytes = 0;
  GetOverlappedResult(file_.get(), &read_.call, &bytes, TRUE);  // the buffer is ours again
}

// A failed call on a unit that still gives its ids is a unit that did not
// answer; one that no longer does has been unplugged.
bool WinHidDevice::Alive() {
  HIDD_ATTRIBUTES attributes = {};
  attributes.Size = sizeof attributes;
  gone_ = gone_ || !HidD_GetAttributes(file_.get(), &attributes);
  return !gone_;
}

DeviceRead WinHidDevice::Failure() { return Alive() ? DeviceRead::Failed : DeviceRead::Gone; }

CallEnd WinHidDevice::Finish(Overlapped& io, DWORD timeoutMs, DWORD& bytes) {
  return FinishCall(file_.get(), io, timeoutMs, bytes);
}

// Refused when Windows will not send the request, or the unit answers it
// with an error, while the unit is still there: a unit that does not answer
// in time only failed this once.
ReportWrite WinHidDevice::ByControlRequest(const std::string& buffer) {
  write_.Restart();
  DWORD bytes = 0;
  CallEnd end = CallEnd::Error;
  if (DeviceIoControl(file_.get(), IOCTL_HID_SET_OUTPUT_REPORT, const_cast<char*>(buffer.data()),
                      static_cast<DWORD>(buffer.size()), nullptr, 0, nullptr, &write_.call) ||
      GetLastError() == ERROR_IO_PENDING) {
    end = Finish(write_, kWriteTimeoutMs, bytes);
  }
  if (end == CallEnd::Done) return ReportWrite::Sent;
  if (Failure() == DeviceRead::Gone || end == CallEnd::TimedOut) return ReportWrite::Failed;
  return ReportWrite::Refused;
}

ReportWrite WinHidDevice::ByWriteFile(const std::string& buffer) {
  write_.Restart();
  DWORD bytes = 0;
  if ((WriteFile(file_.get(), buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &write_.call) ||
       GetLastError() == ERROR_IO_PENDING) &&
      Completed(write_, kWriteTimeoutMs, bytes)) {
    return ReportWrite::Sent;
  }
  Failure();
  return ReportWrite::Failed;
}

ReportWrite WinHidDevice::WriteReport(const std::string& report) {
  std::string buffer(lengths_.output, '\0');  // report number 0, then the report
  report.copy(&buffer[1], lengths_.output - 1);
  return route_.Send(buffer);
}

bool WinHidDevice::StartRead() {
  readBuffer_.assign(lengths_.input, '\0');
  read_.Restart();
  if (!ReadFile(file_.get(), readBuffer_.data(), static_cast<DWORD>(readBuffer_.size()), nullptr, &read_.call) &&
      GetLastError() != ERROR_IO_PENDING) {
    return false;
  }
  readPending_ = true;
  return true;
}

DeviceRead WinHidDevice::ReadReport(std::string& report, unsigned timeoutMs) {
  if (gone_ || (!readPending_ && !StartRead())) return Failure();
  if (WaitForSingleObject(read_.call.hEvent, timeoutMs) != WAIT_OBJECT_0) return DeviceRead::Failed;
  readPending_ = false;
  DWORD bytes = 0;
  if (!GetOverlappedResult(file_.get(), &read_.call, &bytes, FALSE) || bytes == 0) return Failure();
  report.assign(readBuffer_.data() + 1, bytes - 1);  // without the report number
  return DeviceRead::Got;
}

// What HidD_GetIndexedString asks the HID class driver, here overlapped so
// that a unit that never answers cannot hold the call. The language goes
// in the high word of the index, where the driver takes it from.
// The output buffer's length is what bounds the request.
DeviceRead WinHidDevice::ReadString(uint8_t index, uint16_t language, size_t mostUnits, std::u16string& text) {
  if (gone_) return DeviceRead::Gone;
  ULONG request = static_cast<ULONG>(index) | static_cast<ULONG>(language) << 16;
  const size_t asked = std::min(mostUnits, kStringUnits);
  wchar_t units[kStringUnits + 1] = {};
  string_.Restart();
  DWORD bytes = 0;
  if (!DeviceIoControl(file_.get(), IOCTL_HID_GET_INDEXED_STRING, &request, sizeof request, units,
                       static_cast<DWORD>(asked * sizeof(wchar_t)), nullptr, &string_.call) &&
      GetLastError() != ERROR_IO_PENDING) {
    return Failure();
  }
  if (!Completed(string_, kStringRequestTimeoutMs, bytes)) return Failure();
  for (size_t i = 0; i < asked && units[i] != 0; ++i) text += static_cast<char16_t>(units[i]);
  return DeviceRead::Got;
}

ReportLengths LengthsOf(HANDLE file) {
  ReportLengths lengths;
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (!HidD_GetPreparsedData(file, &preparsed)) return lengths;
  HIDP_CAPS caps = {};
  if (HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS) {
    if (caps.InputReportByteLength > 1) lengths.input = caps.InputReportByteLength;
    if (caps.OutputReportByteLength > 1) lengths.output = caps.OutputReportByteLength;
  }
  HidD_FreePreparsedData(preparsed);
  return lengths;
}

std::string InterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data) {
  DWORD size = 0;
  SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &size, nullptr);
  if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return "";
  std::vector<char> buffer(size);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, size, nullptr, nullptr)) return "";
  return detail->DevicePath;
}

// "" when the unit gives none in time: asked overlapped, as HidD_Get*String
// would ask it, so that a unit that never answers cannot hold the search.
std::string UnitString(HANDLE file, DWORD request) {
  wchar_t text[kUnitStringBytes / sizeof(wchar_t)] = {};
  Overlapped io;
  DWORD bytes = 0;
  if (!io.call.hEvent || (!DeviceIoControl(file, request, nullptr, 0, text, sizeof text - sizeof(wchar_t), nullptr,
                                           &io.call) &&
                          GetLastError() != ERROR_IO_PENDING) ||
      FinishCall(file, io, kStringRequestTimeoutMs, bytes) != CallEnd::Done) {
    return "";
  }
  std::u16string units;
  for (size_t i = 0; i < std::size(text) && text[i] != 0; ++i) units += static_cast<char16_t>(text[i]);
  return TextFromUtf16(units);
}

// What a unit says of itself, as far as the settings need it.
struct Probe {
  std::optional<UnitChoice> choice;  // nothing: none of ours, or refused
  std::string refused;               // refused: its strings, for the program
};

// How to speak to the unit at `path`, by its ids and strings. Ids and
// strings need no access rights: keyboards and mice, which Windows keeps to
// itself, give theirs too.
Probe ProbeAt(const std::string& path, const LinkSettings& settings) {
  ScopedHandle probe(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED, nullptr));
  HIDD_ATTRIBUTES attributes = {};
  attributes.Size = sizeof attributes;
  if (!probe.valid() || !HidD_GetAttributes(probe.get(), &attributes)) return {};
  const uint16_t vendor = attributes.VendorID, product = attributes.ProductID;
  if (!FramingForUnit(settings, vendor, product)) return {};
  UnitStrings strings;
  if (StringsMatter(settings, vendor, product)) {
    strings = {UnitString(probe.get(), IOCTL_HID_GET_MANUFACTURER_STRING),
               UnitString(probe.get(), IOCTL_HID_GET_PRODUCT_STRING)};
  }
  if (RefusedByStrings(settings, vendor, product, strings)) return {std::nullopt, RefusalText(strings)};
  return {ChooseUnit(settings, vendor, product, strings), ""};
}

// A unit refused is remembered while the search goes on: another unit of
// ours may be there, and it is the one used.
std::optional<FoundUnit> OpenUnit(const std::string& path, const LinkSettings& settings, std::string& refused) {
  const Probe probe = ProbeAt(path, settings);
  if (refused.empty()) refused = probe.refused;
  if (!probe.choice) return std::nullopt;
  ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
  if (!file.valid()) return std::nullopt;
  const ReportLengths lengths = LengthsOf(file.get());
  return FoundUnit{std::make_unique<WinHidDevice>(file.release(), lengths), probe.choice->framing, probe.choice->kind};
}

}  // namespace

std::optional<FoundUnit> FindHidUnit(const LinkSettings& settings) {
  GUID hidClass;
  HidD_GetHidGuid(&hidClass);
  HDEVINFO set = SetupDiGetClassDevsA(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<FoundUnit> found;
  std::string refused;
  SP_DEVICE_INTERFACE_DATA data = {};
  data.cbSize = sizeof data;
  for (DWORD i = 0; !found && SetupDiEnumDeviceInterfaces(set, nullptr, &hidClass, i, &data); ++i) {
    found = OpenUnit(InterfacePath(set, data), settings, refused);
  }
  SetupDiDestroyDeviceInfoList(set);
  if (!found && !refused.empty()) found = FoundUnit{nullptr, Framing::Report, StringKind::Krauler, refused};
  return found;
}

}  // namespace quillon
