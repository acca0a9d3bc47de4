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
#include "power/ups_controls.h"
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
  InstantCommandPort& server;  // the network UPS's follower: self-tests as instant commands
};

// Each part arms and kills its timers through a view of its own, which
// refuses the numbers of every other part.
struct PartTimers {
  PartTimers(const TimerTable& table, TimerPort& timers)
      : records(table, timers), engine(table, timers), battery(table, timers), history(table, timers),
        share(table, timers), gate(table, timers), batteryLow(table, timers), mainsFail(table, timers),
        manual(table, timers), schedule(table, timers), selfTests(table, timers), commands(table, timers),
        drill(table, timers) {}
  OwnedTimers records, engine, battery, history, share, gate, batteryLow, mainsFail, manual, schedule, selfTests,
      commands, drill;
};

struct ProgramParts {
  ProgramParts(const ProgramPorts& ports, RecordStore& store, const ConfigFile& config, const LocalClock& clock)
      : own(timers, ports.timers),
        records(store, own.records, ports.notices, events),
        engine(own.engine, ports.gauges, ports.menus, ports.notices, ports.monitor, records, power, events),
        battery(own.battery, ports.gauges, records, engine, clock),
        history(own.history, records, config, clock, engine.Status(), &battery),
        share(own.share, ports.share, records, config, engine, &battery),
        gate(own.gate, share, records, ports.shutdown, events, power),
        batteryLow(Context(own.batteryLow, ports, config), history.Notes()),
        mainsFail(Context(own.mainsFail, ports, config), batteryLow, &battery),
        manual(Context(own.manual, ports, config), ports.menus),
        schedule(Context(own.schedule, ports, config), ports.monitor, clock, [this] { return engine.UpsAnswering(); }),
        controls(ports.monitor, ports.server, [this] { return engine.Link() == LinkKind::Network; }),
        selfTests(Context(own.selfTests, ports, config), controls, ports.menus, history.Notes()),
        commands(own.commands, ports.commands, records, config, clock, engine.Status(),
                 [&config] { return ReadNetworkSettings(config).upsName; }),
        drill(Context(own.drill, ports, config), share, ports.drill, battery, [this] { return !policy.EventUnderWay(); },
              [this] { return engine.UpsAnswering(); }),
        policy({power, records, engine, history, gate, mainsFail, batteryLow, manual, schedule, drill, battery}) {
    power.Follow(mainsFail, batteryLow);
    power.Listen(mainsFail);  // the mains first, as the status bits are read
    power.Listen(batteryLow);
    engine.ReportLinkTo(history);
    battery.WarnWhenWeak(config, events);
    Own(own.engine, engine);
    Own(own.records, records);
    Own(own.battery, battery);
    Own(own.history, history);
    Own(own.share, share);
    Own(own.gate, gate);
    Own(own.batteryLow, batteryLow);
    Own(own.mainsFail, mainsFail);
    Own(own.manual, manual);
    Own(own.schedule, schedule);
    Own(own.selfTests, selfTests);
    Own(own.commands, commands);
    Own(own.drill, drill);
    events.Listen([this, &config, &balloons = ports.balloons](const PowerEvent& event) {
      NotifyByBalloon(event, config, balloons);
      commands.OnEvent(event);
    });
    engine.ListenForControlWrites(
        [this](unsigned id, bool written, bool uncertain) { schedule.OnControlWritten(id, written, uncertain); });
    engine.ListenForControlsGivenUp([this](unsigned id) { selfTests.OnControlGivenUp(id); });
    engine.ListenForServerForcedShutdown([this] { gate.EndAndShutDown(ShutdownReason::ServerForced); });
    engine.ListenForServedNews([this] { battery.OnServedNews(); });
    schedule.SwitchOffOnlyWhen([this] { return engine.Link() != LinkKind::Network; });
  }

  PowerEvents events;  // first: every part below announces through it
  TimerTable timers;
  PartTimers own;
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
  UpsControls controls;  // the self-tests' road to the UPS, whichever link it is on
  SelfTests selfTests;
  EventCommands commands;
  PowerDrill drill;
  PowerPolicy policy;

 private:
  template <typename Part>
  void Own(OwnedTimers& view, Part& part) {
    view.Bind(part);
    part.OwnTimers(timers);
  }

  CountdownContext Context(OwnedTimers& partTimers, const ProgramPorts& ports, const ConfigFile& config) {
    return {partTimers, ports.views, records, config, power, gate, events};
  }
};

}  // namespace voltaris
