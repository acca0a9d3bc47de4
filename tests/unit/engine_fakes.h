// Fakes for the power engine's ports, with virtual time for its timers.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/program_parts.h"
#include "power/engine_ports.h"
#include "power/power_engine.h"
#include "records/record_store.h"
#include "tests/unit/test_folder.h"

namespace voltaris::testing {

class FakeTimers : public TimerPort {
 public:
  struct Armed {
    unsigned periodMs;
    long long dueMs;
  };
  std::map<unsigned, Armed> armed;
  std::vector<std::pair<unsigned, unsigned>> history;  // every Arm call: id, period
  long long nowMs = 0;

  void Arm(unsigned id, unsigned periodMs) override {
    armed[id] = {periodMs, nowMs + periodMs};
    history.emplace_back(id, periodMs);
  }
  void Kill(unsigned id) override { armed.erase(id); }
  bool IsArmed(unsigned id) const { return armed.count(id) != 0; }
  int TimesArmed(unsigned id) const {
    int n = 0;
    for (const auto& h : history) n += h.first == id;
    return n;
  }
  // Fires every tick due up to `ms` from now, in time order, as window timers do.
  template <typename OnTick>
  void Advance(long long ms, OnTick onTick) {
    const long long end = nowMs + ms;
    for (;;) {
      unsigned next = 0;
      long long due = end + 1;
      for (const auto& [id, a] : armed) {
        if (a.dueMs < due) {
          due = a.dueMs;
          next = id;
        }
      }
      if (next == 0) break;
      nowMs = due;
      armed[next].dueMs = due + (armed[next].periodMs ? armed[next].periodMs : 10);
      onTick(next);
    }
    nowMs = end;
  }
};

class FakeGauges : public GaugePort {
 public:
  int zeroed = 0, usbZeroed = 0, readings = 0;
  int plotRefreshes = 0;
  bool linkPicturesUp = false;  // what the pictures show: the last call's
  void ZeroGauges() override { ++zeroed; }
  void ZeroUsbGauges() override { ++usbZeroed; }
  void DisableTemperatureGauge() override {}
  void ShowLinkPictures(bool up) override { linkPicturesUp = up; }
  void ShowReadings(LinkKind, const UpsStatus&, const BatteryReading&) override { ++readings; }
  void RefreshPlot() override { ++plotRefreshes; }
  std::string runtime;
  void ShowRuntime(const std::string& text) override { runtime = text; }
};

class FakeMenus : public MenuPort {
 public:
  bool controlCenter = true;
  std::map<unsigned, bool> enabled;
  void SetControlCenterEnabled(bool on) override { controlCenter = on; }
  void SetCommandEnabled(unsigned command, bool on) override { enabled[command] = on; }
};

class FakeViews : public CountdownViews {
 public:
  std::map<CountdownWindow, bool> open;
  std::map<CountdownWindow, int> opened;
  std::vector<std::pair<CountdownWindow, Triangle>> blinks;
  bool IsOpen(CountdownWindow w) const override { return open.count(w) && open.at(w); }
  void Open(CountdownWindow w) override {
    open[w] = true;
    ++opened[w];
  }
  void Close(CountdownWindow w) override { open[w] = false; }
  void Blink(CountdownWindow w, Triangle t) override { blinks.emplace_back(w, t); }
  int Blinks(CountdownWindow w, Triangle t) const {
    int n = 0;
    for (const auto& b : blinks) n += b.first == w && b.second == t;
    return n;
  }
};

class FakeShutdown : public ShutdownPort {
 public:
  int calls = 0;
  std::function<void()> carryOut;  // the program's run, for the tests that have one
  void EndAndShutDown() override {
    ++calls;
    if (carryOut) carryOut();
  }
};

class FakeShare : public SharePort {
 public:
  bool listens = true;
  std::vector<NetworkSettings> listened;
  std::vector<ShareSnapshot> published;
  size_t loggedIn = 0;
  bool Listen(const NetworkSettings& s) override {
    listened.push_back(s);
    return listens;
  }
  void Publish(const ShareSnapshot& snapshot) override { published.push_back(snapshot); }
  size_t LoggedIn() const override { return loggedIn; }
  int stops = 0;
  void Stop() override { ++stops; }
};

class FakeInstantCommands : public InstantCommandPort {
 public:
  std::vector<std::pair<unsigned, std::string>> sent;
  void SendInstantCommand(unsigned id, const std::string& command) override { sent.emplace_back(id, command); }
};

class FakeNotices : public NoticePort {
 public:
  int ownedBoxes = 0, loneBoxes = 0;
  std::vector<std::string> storeReports;
  bool recordsWaiting = false;
  void ShowNoUpsBox(bool owned) override { ++(owned ? ownedBoxes : loneBoxes); }
  void ReportRecordsWaiting(const std::string& problem) override { storeReports.push_back(problem); }
  void ShowRecordsWaiting(bool waiting) override { recordsWaiting = waiting; }
};

class FakeBalloons : public BalloonPort {
 public:
  std::vector<Balloon> shown;
  void ShowBalloon(const Balloon& balloon) override { shown.push_back(balloon); }
};

// Commands "run" until told to end; one whose line holds "missing" cannot
// start, one whose line holds "slow" is still starting until told.
class FakeCommands : public CommandRunnerPort {
 public:
  std::vector<CommandRequest> started;
  std::map<unsigned, CommandState> states;
  unsigned Start(const CommandRequest& request) override {
    started.push_back(request);
    const auto token = static_cast<unsigned>(started.size());
    const bool missing = request.commandLine.find("missing") != std::string::npos;
    const bool slow = request.commandLine.find("slow") != std::string::npos;
    states[token] = missing ? CommandState::NotStarted : slow ? CommandState::Starting : CommandState::Running;
    return token;
  }
  CommandState State(unsigned token) override {
    return states.count(token) ? states[token] : CommandState::Ended;
  }
  void Release(unsigned token) override { states.erase(token); }
};

class FakeDrillPort : public DrillPort {
 public:
  std::vector<std::string> applications{"Notepad"};
  bool mayShutDown = true;
  std::vector<std::string> reports;
  std::vector<std::string> OpenApplications() const override { return applications; }
  bool MayShutDown() const override { return mayShutDown; }
  void ShowReport(const std::string& report) override { reports.push_back(report); }
};

class FakeMonitor : public MonitorPort {
 public:
  LinkKind kind = LinkKind::Serial;
  int closes = 0, readRequests = 0;
  std::vector<std::string> commands;  // serial bytes, queries and controls
  std::vector<UpsControl> controls;
  void SetLinkKind(LinkKind k) override { kind = k; }
  void ClosePort() override { ++closes; }
  void EnableSerialRead() override { ++readRequests; }
  void SendQuery(const std::string& bytes) override { commands.push_back(bytes); }
  unsigned SendControl(const UpsControl& control) override {
    commands.push_back(control.serial);
    controls.push_back(control);
    return static_cast<unsigned>(commands.size());
  }
  std::vector<unsigned> withdrawn;
  bool withdrawalsSucceed = true;  // false: the write has begun
  bool WithdrawControl(unsigned id) override {
    withdrawn.push_back(id);
    return withdrawalsSucceed;
  }
  int Count(const std::string& command) const {
    int n = 0;
    for (const auto& c : commands) n += c == command;
    return n;
  }
};

// The last Sunday of a month, at 01:00 UTC, as real time.
inline UtcSeconds LastSundayOneUtc(int year, int month) {
  LocalDateTime t = ShownDateTime(ShownSeconds({year, month + 1, 1}) - 86400);
  t.day -= t.weekday;
  t.hour = 1;
  return ShownSeconds(t);
}

// Central European time: an hour ahead of UTC, two in summer, from 01:00 UTC
// on the last Sunday of March to 01:00 UTC on the last Sunday of October. So
// the clock skips 02:00-03:00 in spring and shows 02:00-03:00 twice in autumn.
// It stands still at `now` until told to follow the virtual time.
class FixedClock : public LocalClock {
 public:
  LocalDateTime now{2026, 12, 8, 9, 5, 7, 2};
  LocalDateTime Now() const override { return timers_ ? LocalAt(UtcNow()) : now; }
  UtcSeconds UtcNow() const override {
    return timers_ ? startUtc_ + timers_->nowMs / 1000 : FirstInstantShowing(now);
  }
  std::int64_t UtcOffsetAt(UtcSeconds instant) const override {
    const int year = ShownDateTime(instant).year;
    const bool summer = instant >= LastSundayOneUtc(year, 3) && instant < LastSundayOneUtc(year, 10);
    return summer ? 7200 : 3600;
  }
  // From here on, real time runs from `at` with the timers' virtual time.
  void Follow(const FakeTimers& timers, UtcSeconds at) {
    timers_ = &timers;
    startUtc_ = at - timers.nowMs / 1000;
  }

 private:
  const FakeTimers* timers_ = nullptr;
  UtcSeconds startUtc_ = 0;
};

inline FixedClock StandingClock(const LocalDateTime& now) {
  FixedClock clock;
  clock.now = now;
  return clock;
}

// An engine with fakes around it, a real record store and settings file in
// a folder of its own.
struct EngineRig {
  TestFolder folder{"voltaris-engine"};
  std::string dir = folder.path();
  FakeTimers timers;
  FakeGauges display;
  FakeMenus menus;
  FakeNotices notices;
  FakeMonitor monitor;
  FakeViews views;
  FakeShutdown shutdown;
  FakeShare share;
  FakeBalloons balloons;
  FakeCommands commands;
  FakeDrillPort drillPort;
  FakeInstantCommands server;
  FixedClock clock;
  RecordStore store{dir, clock};
  ConfigFile config{dir};
  ProgramParts parts{{timers, display, menus, notices, monitor, views, shutdown, share, balloons, commands, drillPort,
                      server},
                     store,
                     config,
                     clock};
  RecordKeeper& records = parts.records;
  PowerEngine& engine = parts.engine;
  TimerTable& table = parts.timers;

  EngineRig() { records.Recover(); }
  // Whatever a test did, no part armed or killed another part's timer.
  ~EngineRig() { EXPECT_EQ(table.Trespasses(), std::vector<unsigned>{}) << "a timer touched by a part that does not own it"; }

  void Settings(const std::string& ini) { std::ofstream(dir + "/UpsConfigure.ini") << ini; }

  std::vector<std::string> Events() {
    std::vector<std::string> events;
    store.ReadAll(RecordTable::Events, {"event"}, [&events](const auto& r) {
      const size_t afterDate = r[0].find("  ") + 2;  // whatever the date's length
      events.push_back(r[0].substr(r[0].find("  ", afterDate)));  // the text without date and time
    });
    return events;
  }

  int Count(const std::string& event) {
    int n = 0;
    for (const auto& e : Events()) n += e == event;
    return n;
  }

  void Run(long long ms) {
    timers.Advance(ms, [this](unsigned id) { table.Dispatch(id); });
  }
};

}  // namespace voltaris::testing
