#include "quillon/usb_framing.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <iterator>
#include <vector>

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

// The krauler kind's commands: the family's default. Its status reply
// starts with some other byte than "(", and (as units of this kind are
// known to do) its rating reply is given the "#" a rating reply starts with.
constexpr StringCommand kKraulerCommands[] = {
    {"Q1\r", 0x03, '('}, {"F\r", 0x0d, '#'}, {"I\r", 0x0c, '#'}, {"T\r", 0x04, 0},
    {"TL\r", 0x05, 0},   {"Q\r", 0x07, 0},   {"C\r", 0x0b, 0},   {"CT\r", 0x0b, 0},
};
// Fabula and hunnox units: their replies as they come, C at 0x0a, no tests.
constexpr StringCommand kFabulaCommands[] = {
    {"Q1\r", 0x03, 0}, {"F\r", 0x0d, 0}, {"I\r", 0x0c, 0}, {"Q\r", 0x07, 0}, {"C\r", 0x0a, 0},
};
// Snr units: the queries only.
constexpr StringCommand kSnrCommands[] = {{"Q1\r", 0x03, '('}, {"F\r", 0x0d, '#'}, {"I\r", 0x0c, '#'}};

// How each kind of the string family is spoken to.
struct StringRules {
  const StringCommand* commands;
  size_t commandCount;
  int attempts;          // requests per command while the unit refuses, is busy or says something else
  bool busyTakesCommand;  // "UPS No Ack" is how the unit takes a command: done for a command, no reply for a query
  bool readsReportFirst;  // a report is read (and dropped) before each command, or the unit answers zeros
  bool keepsOrder;        // the hunnox order of requests (KeepHunnoxOrder)
  size_t mostUnits;       // UTF-16 units a request asks at most
};

template <size_t N>
constexpr StringRules Rules(const StringCommand (&commands)[N], int attempts, bool busyTakesCommand,
                            bool readsReportFirst, bool keepsOrder, size_t mostUnits) {
  return {commands, N, attempts, busyTakesCommand, readsReportFirst, keepsOrder, mostUnits};
}

// A string descriptor holds at most 126 UTF-16 units; hunnox units lock up
// when asked for more than 102 bytes (50 units after the 2-byte header), and
// snr units, which share their product string, are asked no more either.
constexpr size_t kMostStringUnits = 126;
constexpr size_t kShortBufferUnits = 50;

constexpr StringRules kKrauler = Rules(kKraulerCommands, kStringAttempts, false, false, false, kMostStringUnits);
constexpr StringRules kFabula = Rules(kFabulaCommands, 1, true, false, false, kMostStringUnits);
constexpr StringRules kHunnox = Rules(kFabulaCommands, 1, true, false, true, kShortBufferUnits);
constexpr StringRules kSnr = Rules(kSnrCommands, kStringAttempts, false, true, false, kShortBufferUnits);

const StringRules& RulesOf(StringKind kind) {
  switch (kind) {
    case StringKind::Fabula: return kFabula;
    case StringKind::Hunnox: return kHunnox;
    case StringKind::Snr: return kSnr;
    default: return kKrauler;
  }
}

// Hunnox units keep their status fresh only while asked in their own order:
// 0x00 twice and 0x01 before the first command, then before each command
// the next of 0x0d, 0x03 and 0x0c in turn, left out when it is the
// command's own index. Asked otherwise, they keep answering one status.
constexpr uint8_t kHunnoxOpening[] = {0x00, 0x00, 0x01};
constexpr uint8_t kHunnoxCycle[] = {0x0d, 0x03, 0x0c};

// A unit of the string family that is busy says so instead of replying,
// in any case and with or without a CR after it.
constexpr char kStringUnitBusy[] = "ups no ack";

const StringCommand* FindStringCommand(const StringRules& rules, const std::string& command) {
  for (size_t i = 0; i < rules.commandCount; ++i) {
    if (command == rules.commands[i].command) return &rules.commands[i];
  }
  return nullptr;
}

bool IsQuery(const std::string& command) { return command == "Q1\r" || command == "F\r" || command == "I\r"; }

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

// The reply line in a string: up to a CR, the kind's first byte, a CR.
std::optional<std::string> LineFromString(const StringCommand& command, std::string text) {
  text = text.substr(0, text.find('\r'));
  if (command.firstByte != 0 && !text.empty()) text[0] = command.firstByte;
  text += '\r';
  if (!ReplyFits(command.command, text)) return std::nullopt;
  return text;
}

enum class StringAnswer { Done, Ended, AskAgain };

// One request for a command's string. A busy answer is no reply: it would
// pass for the reply of a command that has none (a test started), which
// then never reaches the unit; unless it is how this kind takes every
// command.
StringAnswer AskOnce(HidDevice& device, const StringRules& rules, const StringCommand& command, std::string& reply) {
  std::u16string text;
  const DeviceRead read = device.ReadString(command.index, kStringLanguage, rules.mostUnits, text);
  if (read == DeviceRead::Gone) return StringAnswer::Ended;
  if (read != DeviceRead::Got) return StringAnswer::AskAgain;
  const std::string line = TextFromUtf16(text);
  if (SaysBusy(line.substr(0, line.find('\r')))) {
    if (!rules.busyTakesCommand) return StringAnswer::AskAgain;
    return IsQuery(command.command) ? StringAnswer::Ended : StringAnswer::Done;
  }
  const auto fitting = LineFromString(command, line);
  if (!fitting) return StringAnswer::AskAgain;
  reply = *fitting;
  return StringAnswer::Done;
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
  maybeSent_ = false;
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
  const ReportWrite first = device_->WriteReport(unsentReports_.front());
  if (first == ReportWrite::Refused) {
    unsentReports_.clear();  // the unit heard nothing of it
    return false;
  }
  unsentReports_.pop_front();
  // Failed in time, the first report may have been heard: its rest goes out
  // all the same (alone, it is a bare CR the unit ignores), before anything else.
  const bool whole = WriteRest(deadline) && first == ReportWrite::Sent;
  maybeSent_ = !whole;  // the unit heard its start, or may have
  return whole;
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
    if (device_->WriteReport(report) == ReportWrite::Sent) return true;
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
  const StringRules& rules = RulesOf(kind_);
  const StringCommand* found = FindStringCommand(rules, command);
  if (found == nullptr) return false;  // refused: the unit never hears of it
  const uint64_t deadline = clock_() + kExchangeDeadlineMs;
  std::string scrap;
  if (rules.readsReportFirst && device_->ReadReport(scrap, kReportTimeoutMs) == DeviceRead::Gone) return false;
  if (rules.keepsOrder && !KeepHunnoxOrder(found->index, rules.mostUnits)) return false;
  for (int attempt = 0; attempt < rules.attempts && clock_() < deadline; ++attempt) {
    const StringAnswer answer = AskOnce(*device_, rules, *found, reply_);
    if (answer != StringAnswer::AskAgain) return answer == StringAnswer::Done;
  }
  return false;
}

// The requests this command's own is to follow; what they answer is not
// needed. Each asks what the command's own asks at most.
bool StringFraming::KeepHunnoxOrder(uint8_t index, size_t mostUnits) {
  std::vector<uint8_t> before(std::begin(kHunnoxOpening), std::end(kHunnoxOpening));
  if (hunnoxOpened_) {
    const uint8_t next = kHunnoxCycle[hunnoxCycleAt_];
    hunnoxCycleAt_ = (hunnoxCycleAt_ + 1) % std::size(kHunnoxCycle);
    before.clear();
    if (next != index) before.push_back(next);
  }
  hunnoxOpened_ = true;
  for (const uint8_t asked : before) {
    std::u16string ignored;
    if (device_->ReadString(asked, kStringLanguage, mostUnits, ignored) == DeviceRead::Gone) return false;
  }
  return true;
}

std::string StringFraming::ReceiveLine() {
  std::string reply;
  reply.swap(reply_);
  return reply;
}

std::unique_ptr<Transport> MakeFraming(Framing framing, std::unique_ptr<HidDevice> device, MillisClock clock,
                                       StringKind kind) {
  if (framing == Framing::String) return std::make_unique<StringFraming>(std::move(device), std::move(clock), kind);
  return std::make_unique<ReportFraming>(std::move(device), std::move(clock));
}

}  // namespace quillon
