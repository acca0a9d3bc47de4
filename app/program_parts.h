// Everything the program runs on the user-interface thread, wired together:
// the link engine, the record keeper, the history recorder, the network
// share, the shutdown gate and the count-downs, each owning its timer
// numbers in one table.
// The Win32 layer gives it the ports; the tests give it fakes.
#pragma once

#include "base/timer_table.h"
#include "config/config_file.h"
#include "net/network_settings.h"
#include "net/share_port.h"
#include "net/ups_share.h"
#include "power/battery_watch.h"
#include "power/countdown_ports.h"
#include "power/countdowns.h"
#include "power/engine_ports.h"
#include "power/event_commands.h"
#include "power/history_recorder.h"
#include "power/notifications.h"
#include "power/power_drill.h"
#include "power/power_engine.h"
#include "power/power_events.h"
#include "power/power_policy.h"
#include "power/power_state.h"
#include "power/record_keeper.h"
#include "power/self_tests.h"
#include "power/shutdown_gate.h"
#include "records/record_store.h"
#include "schedule/schedule_countdown.h"

namespace voltaris {

struct ProgramPorts {
  TimerPort& timers;
  GaugePort& gauges;
  MenuPort& menus;
  NoticePort& notices;
  MonitorPort& monitor;
  CountdownViews& views;
  ShutdownPort& shutdown;
  SharePort& share;  // the network server
  BalloonPort& balloons;
  CommandRunnerPort& commands;
  DrillPort& drill;
};

struct ProgramParts {
  ProgramParts(const ProgramPorts& ports, RecordStore& store, const ConfigFile& config, const LocalClock& clock)
      : records(store, ports.timers, ports.notices, events),
        engine(ports.timers, ports.gauges, ports.menus, ports.notices, ports.monitor, records, config, power, events),
        battery(ports.timers, ports.gauges, records, engine, clock),
        history(ports.timers, records, config, clock, engine.Status(), &battery),
        share(ports.timers, ports.share, records, config, engine, &battery),
        gate(ports.timers, share, records, ports.shutdown, events, power),
        batteryLow(Context(ports, config), history.Notes()),
        mainsFail(Context(ports, config), batteryLow, &battery),
        manual(Context(ports, config), ports.menus),
        schedule(Context(ports, config), ports.monitor, clock, [this] { return engine.UpsAnswering(); }),
        selfTests(Context(ports, config), ports.monitor, ports.menus, history.Notes()),
        commands(ports.timers, ports.commands, records, config, clock, engine.Status(),
                 [&config] { return ReadNetworkSettings(config).upsName; }),
        drill(Context(ports, config), share, ports.drill, battery, [this] { return !policy.EventUnderWay(); },
              [this] { return engine.UpsAnswering(); }),
        policy({power, records, engine, history, gate, mainsFail, batteryLow, manual, schedule, drill, battery}) {
    power.Follow(mainsFail, batteryLow);
    power.Listen(mainsFail);  // the mains first, as the status bits are read
    power.Listen(batteryLow);
    engine.ReportLinkTo(history);
    engine.OwnTimers(timers);
    records.OwnTimers(timers);
    battery.OwnTimers(timers);
    history.OwnTimers(timers);
    share.OwnTimers(timers);
    gate.OwnTimers(timers);
    batteryLow.OwnTimers(timers);
    mainsFail.OwnTimers(timers);
    manual.OwnTimers(timers);
    schedule.OwnTimers(timers);
    selfTests.OwnTimers(timers);
    commands.OwnTimers(timers);
    drill.OwnTimers(timers);
    events.Listen([this, &config, &balloons = ports.balloons](const PowerEvent& event) {
      NotifyByBalloon(event, config, balloons);
      commands.OnEvent(event);
    });
    engine.ListenForControlWrites([this](unsigned id, bool written) { schedule.OnControlWritten(id, written); });
    engine.ListenForControlsGivenUp([this](unsigned id) { selfTests.OnControlGivenUp(id); });
  }

  void ResumeAfterRefusedShutdown() { policy.ResumeAfterRefusedShutdown(); }
  bool PowerEventUnderWay() const { return policy.EventUnderWay(); }
  TrayState Tray() const { return policy.Tray(); }

  PowerEvents events;  // first: every part below announces through it
  TimerTable timers;
  PowerState power;
  RecordKeeper records;
  PowerEngine engine;
  BatteryWatch battery;  // the runtime estimate the others show and act on
  HistoryRecorder history;
  UpsShare share;
  ShutdownGate gate;  // every count-down's end passes through it
  BatteryLowCountdown batteryLow;
  MainsFailCountdown mainsFail;
  ManualCountdown manual;
  ScheduleCountdown schedule;
  SelfTests selfTests;
  EventCommands commands;
  PowerDrill drill;
  PowerPolicy policy;

 private:
  CountdownContext Context(const ProgramPorts& ports, const ConfigFile& config) {
    return {ports.timers, ports.views, records, config, power, gate, events};
  }
};

}  // namespace voltaris
