#include "power/history_recorder.h"

#include "base/number_text.h"
#include "config/settings.h"
#include "i18n/catalogue.h"
#include "power/timer_ids.h"

namespace voltaris {
namespace {

constexpr unsigned kFirstHistoryTimer = kTimerHistorySerialUp;  // 1034..1037

// A value a UPS's server does not give is no reading, as in a row without a UPS.
std::string Whole(const std::string& text, const char* unit) {
  return text.empty() ? "N/A" : std::to_string(LeadingInteger(text)) + unit;
}

// A status-rule match: its text when the flags changed, a blank otherwise.
struct StatusRule {
  bool matches;
  const char* text;
};

}  // namespace

void HistoryRecorder::OwnTimers(TimerTable& table) {
  for (unsigned id = kTimerHistorySerialUp; id <= kTimerHistorySerialDown; ++id) table.Own(id, *this);
}

bool& HistoryRecorder::FirstRow(unsigned timer) { return s_.firstRow[timer - kFirstHistoryTimer]; }

namespace {

unsigned HistoryTimerFor(LinkKind kind, bool answering) {
  if (kind == LinkKind::Usb) return answering ? kTimerHistoryUsbUp : kTimerHistoryUsbDown;
  return answering ? kTimerHistorySerialUp : kTimerHistorySerialDown;
}

}  // namespace

// Entering a link state arms its timer once; staying in it keeps the
// timer's pace.
void HistoryRecorder::OnLink(LinkKind kind, bool answering) {
  const unsigned timer = HistoryTimerFor(kind, answering);
  if (s_.running == timer) return;
  const RecordingSettings recording = ReadRecordingSettings(config_);  // fresh at each decision
  if (!recording.enabled) return;
  RestartTimers();
  timers_.Arm(timer, static_cast<unsigned>(recording.intervalSeconds > 0 ? recording.intervalSeconds : 0) * 1000u);
  s_.running = timer;
}

void HistoryRecorder::RestartTimers() {
  for (unsigned id = kTimerHistorySerialUp; id <= kTimerHistorySerialDown; ++id) timers_.Kill(id);
  s_.running = 0;
}

void HistoryRecorder::Stop() {
  timers_.Kill(kTimerHistorySerialUp);
  timers_.Kill(kTimerHistoryUsbUp);
}

void HistoryRecorder::OnTimer(unsigned id) {
  if (id == kTimerHistorySerialUp || id == kTimerHistoryUsbUp) WriteConnectedRow(id);
  if (id == kTimerHistoryUsbDown || id == kTimerHistorySerialDown) WriteDisconnectedRow(id);
}

void HistoryRecorder::WriteConnectedRow(unsigned timer) {
  std::vector<std::string> row = ConnectedRow(timer);
  const LocalDateTime now = clock_.Now();
  row.insert(row.begin(), {PlainDate(now), PlainTime(now)});
  records_.AppendHistoryRow(row);
  s_.previousFlags = status_.statusBits.substr(0, 5);
  FirstRow(kTimerHistoryUsbDown) = true;
  FirstRow(kTimerHistorySerialDown) = true;
}

void HistoryRecorder::WriteDisconnectedRow(unsigned timer) {
  std::vector<std::string> row = DisconnectedRow(timer);
  const LocalDateTime now = clock_.Now();
  row.insert(row.begin(), {PlainDate(now), PlainTime(now)});
  records_.AppendHistoryRow(row);
}

std::vector<std::string> HistoryRecorder::ConnectedRow(unsigned timer) {
  return {Whole(status_.inputVoltageText, " V"),  Whole(status_.outputVoltageText, " V"),
          Whole(status_.loadPercentText, "%   "),  BatteryLevel(),
          TemperatureReadout(status_.temperatureText), Whole(status_.frequencyText, " Hz"),
          StatusColumn(timer), runtime_ ? RuntimeColumn(runtime_->Runtime()) : ""};
}

std::vector<std::string> HistoryRecorder::DisconnectedRow(unsigned timer) {
  const std::string status = FirstRow(timer) ? Tr(Text::UpsDisconnected) : " ";
  FirstRow(timer) = false;
  FirstRow(kTimerHistorySerialUp) = true;
  FirstRow(kTimerHistoryUsbUp) = true;
  return {"N/A", "N/A", "0%", "0%", "N/A", "N/A", status, "N/A"};
}

// Full above 13.5 V per 12 V block on mains, 13.0 V on battery.
std::string HistoryRecorder::BatteryLevel() const {
  const double blocks = LeadingDouble(status_.ratedBatteryVoltageText) / 12.0;
  const double volts = LeadingDouble(status_.batteryVoltageText);
  const char mains = status_.statusBits.empty() ? '\0' : status_.statusBits[0];
  if (mains != '0' && mains != '1') return "";
  if (status_.chargeServed) return Whole(status_.batteryPercentText, "%   ");
  const double full = blocks * (mains == '0' ? 13.5 : 13.0);
  return volts > full ? "100%" : Whole(status_.batteryPercentText, "%   ");
}

std::string HistoryRecorder::StatusColumn(unsigned timer) {
  std::string status = FirstRow(timer) ? Tr(Text::UpsConnected) : " ";
  FirstRow(timer) = false;
  const std::string flags = status_.statusBits.substr(0, 5);
  const auto bit = [&flags](size_t i) { return i < flags.size() ? flags[i] : '\0'; };
  const bool changed = flags != s_.previousFlags;
  const bool mainsBack = s_.mainsFailureRemembered && bit(0) == '0';
  const StatusRule rules[] = {
      {bit(0) == '1', Tr(Text::AcFail)},
      {mainsBack, Tr(Text::AcRestore)},
      {bit(1) == '1', Tr(Text::BatteryLow)},
      {bit(3) == '1', Tr(Text::UpsFailed)},
      {bit(4) == '0', Tr(Text::UpsTypeOnLine)},
  };
  for (const StatusRule& rule : rules) {
    if (!rule.matches) continue;
    if (rule.text == rules[0].text) s_.mainsFailureRemembered = true;
    if (rule.text == rules[1].text) s_.mainsFailureRemembered = false;
    return changed ? rule.text : " ";
  }
  const std::string note = TakeNote();
  return note.empty() ? status : note;
}

// The first pending note, cleared as it is written; the others wait.
std::string HistoryRecorder::TakeNote() {
  HistoryNotes& n = s_.notes;
  if (n.tillLowTestStarted) {
    n.tillLowTestStarted = false;
    return Tr(Text::SelfTestTillLow);
  }
  if (n.tenSecondTestStarted) {
    n.tenSecondTestStarted = false;
    return Tr(Text::SelfTest10Seconds);
  }
  if (n.batteryLowOpened) {
    n.batteryLowOpened = false;
    return Tr(Text::UpsBatteryLow);
  }
  if (n.timedTestStarted) {
    n.timedTestStarted = false;
    const int minutes = ReadNumber(config_, key::kSpecialTimeTest);
    return Tr(Text::SelfTestCaption) + std::to_string(minutes) + (minutes == 1 ? " Minute!" : " Minutes!");
  }
  return "";
}

}  // namespace voltaris
