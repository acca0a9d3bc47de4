#include "quillon/usb_framing.h"

#include <algorithm>
#include <cctype>
#include <chrono>

namespace quillon {
namespace {

constexpr size_t kStatusReplyLength = 47;  // "(" ... CR
constexpr size_t kRatingReplyLength = 22;  // "#" ... CR
// A line longer than any reply without its CR is noise: started afresh.
constexpr size_t kLongestReply = 128;
// More reports waiting than a unit's buffer holds: it is streaming, and
// what it says is sorted out by the reply's shape instead.
constexpr int kMostPendingReports = 64;

struct StringCommand {
  const char* command;
  uint8_t index;
  char firstByte;  // put in place of the unit's first byte; 0: kept
};

// The string-index family's commands. Its status reply starts with some
// other byte than "(", and (as units of this family are known to do) its
// rating reply is given the "#" a rating reply starts with.
constexpr StringCommand kStringCommands[] = {
    {"Q1\r", 0x03, '('}, {"F\r", 0x0d, '#'}, {"I\r", 0x0c, '#'}, {"T\r", 0x04, 0},
    {"TL\r", 0x05, 0},   {"Q\r", 0x07, 0},   {"C\r", 0x0b, 0},   {"CT\r", 0x0b, 0},
};

// A unit of the string family that is busy says so instead of replying,
// in any case and with or without a CR after it.
constexpr char kStringUnitBusy[] = "ups no ack";

const StringCommand* FindStringCommand(const std::string& command) {
  for (const auto& c : kStringCommands) {
    if (command == c.command) return &c;
  }
  return nullptr;
}

bool Shaped(const std::string& line, size_t length, char first) {
  return line.size() == length && line.front() == first && line.back() == '\r';
}

// Input reports put together until the CR. A unit that sends one report
// twice gives a line with eight bytes repeated, while a reply may hold the
// same eight bytes twice in earnest: both readings are kept, and the one
// whose shape fits the command is the reply.
class ReplyAssembly {
 public:
  explicit ReplyAssembly(const std::string& command) : command_(command) {}

  // The reply, once a report brings the CR and a reading fits; else nothing.
  std::optional<std::string> Add(const std::string& report) {
    const size_t cr = report.find('\r');
    std::string piece = report.substr(0, cr == std::string::npos ? cr : cr + 1);  // padding follows the CR
    piece.erase(std::remove(piece.begin(), piece.end(), '\0'), piece.end());
    if (report != previous_) withoutRepeats_ += piece;
    asSent_ += piece;
    previous_ = report;
    if (cr == std::string::npos) {
      if (asSent_.size() > kLongestReply) Restart();
      return std::nullopt;
    }
    const std::string readings[] = {withoutRepeats_, asSent_};
    Restart();
    for (const auto& line : readings) {
      if (ReplyFits(command_, line)) return line;
    }
    return std::nullopt;  // another command's reply: this one's may follow
  }

 private:
  void Restart() { withoutRepeats_.clear(), asSent_.clear(), previous_.clear(); }

  const std::string& command_;
  std::string withoutRepeats_, asSent_, previous_;
};

bool SaysBusy(const std::string& line) {
  std::string lower = line;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == kStringUnitBusy;
}

// The reply line in a string: up to a CR, the family's first byte, a CR.
// A busy answer is none: it would pass for the reply of a command that has
// none (a test started), which then never reaches the unit.
std::optional<std::string> LineFromString(const StringCommand& command, std::string text) {
  text = text.substr(0, text.find('\r'));
  if (SaysBusy(text)) return std::nullopt;
  if (command.firstByte != 0 && !text.empty()) text[0] = command.firstByte;
  text += '\r';
  if (!ReplyFits(command.command, text)) return std::nullopt;
  return text;
}

unsigned WaitUntil(uint64_t deadline, uint64_t now) {
  return static_cast<unsigned>(std::min<uint64_t>(kReportTimeoutMs, deadline - now));
}

}  // namespace

uint64_t SteadyMillis() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

bool ReplyFits(const std::string& command, const std::string& line) {
  if (command == "Q1\r") return Shaped(line, kStatusReplyLength, '(');
  if (command == "F\r") return Shaped(line, kRatingReplyLength, '#');
  return true;
}

std::optional<uint8_t> StringIndexFor(const std::string& command) {
  const StringCommand* found = FindStringCommand(command);
  if (found == nullptr) return std::nullopt;
  return found->index;
}

std::string TextFromUtf16(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text) {
    if (unit == 0) break;
    out += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  return out;
}

// Reports waiting before a command goes out answer an earlier one (a reply
// that came after its time-out, a repeat): dropped, so that they cannot
// pass for this command's reply.
bool ReportFraming::DropPendingReports() {
  std::string scrap;
  for (int i = 0; i < kMostPendingReports; ++i) {
    const DeviceRead read = device_->ReadReport(scrap, 0);
    if (read != DeviceRead::Got) return read == DeviceRead::Failed;
  }
  return true;
}

bool ReportFraming::Send(const std::string& command) {
  command_ = command;
  if (command.empty() || !DropPendingReports()) return false;
  const uint64_t deadline = clock_() + kExchangeDeadlineMs;
  if (!unsentReports_.empty()) {
    WriteRest(deadline);
    return false;  // not this command, even the same one again: its rest finished it
  }
  const size_t size = std::max<size_t>(device_->OutputReportSize(), 1);
  for (size_t at = 0; at < command.size(); at += size) {
    std::string report = command.substr(at, size);
    report.resize(size, '\0');
    unsentReports_.push_back(report);
  }
  if (!device_->WriteReport(unsentReports_.front())) {
    unsentReports_.clear();  // the unit heard nothing of it
    return false;
  }
  unsentReports_.pop_front();
  return WriteRest(deadline);
}

bool ReportFraming::WriteRest(uint64_t deadline) {
  for (; !unsentReports_.empty(); unsentReports_.pop_front()) {
    if (!WriteContinuation(unsentReports_.front(), deadline)) return false;
  }
  return true;
}

// Tried again while the exchange's time lasts; an attempt started in time
// may take a report's own time-out more.
bool ReportFraming::WriteContinuation(const std::string& report, uint64_t deadline) {
  for (int attempt = 0; attempt < kContinuationAttempts; ++attempt) {
    if (attempt > 0 && clock_() >= deadline) return false;
    if (device_->WriteReport(report)) return true;
  }
  return false;
}

// A unit quiet for a report's time-out in the middle of a reply gives no
// reply at all, never the part that came.
std::string ReportFraming::ReceiveLine() {
  ReplyAssembly assembly(command_);
  const uint64_t deadline = clock_() + kExchangeDeadlineMs;
  std::string report;
  for (uint64_t now = clock_(); now < deadline; now = clock_()) {
    if (device_->ReadReport(report, WaitUntil(deadline, now)) != DeviceRead::Got) return "";
    if (auto line = assembly.Add(report)) return *line;
  }
  return "";
}

bool StringFraming::Send(const std::string& command) {
  reply_.clear();
  const StringCommand* found = FindStringCommand(command);
  if (found == nullptr) return false;  // refused: the unit never hears of it
  const uint64_t deadline = clock_() + kExchangeDeadlineMs;
  for (int attempt = 0; attempt < kStringAttempts && clock_() < deadline; ++attempt) {
    std::u16string text;
    const DeviceRead read = device_->ReadString(found->index, kStringLanguage, text);
    if (read == DeviceRead::Gone) return false;
    if (read != DeviceRead::Got) continue;
    if (auto line = LineFromString(*found, TextFromUtf16(text))) {
      reply_ = *line;
      return true;
    }
  }
  return false;
}

std::string StringFraming::ReceiveLine() {
  std::string reply;
  reply.swap(reply_);
  return reply;
}

std::unique_ptr<Transport> MakeFraming(Framing framing, std::unique_ptr<HidDevice> device, MillisClock clock) {
  if (framing == Framing::String) return std::make_unique<StringFraming>(std::move(device), std::move(clock));
  return std::make_unique<ReportFraming>(std::move(device), std::move(clock));
}

}  // namespace quillon
