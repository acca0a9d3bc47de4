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
#include "power/power_flags.h"
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
        history(records, config, clock, engine.Status(), &battery),
        share(ports.timers, ports.share, records, config, engine, &battery),
        gate(ports.timers, share, records, ports.shutdown, events),
        batteryLow(Context(ports, config), history.Notes()),
        mainsFail(Context(ports, config), batteryLow, &battery),
        manual(Context(ports, config), ports.menus),
        schedule(Context(ports, config), ports.monitor, clock, [this] {
          return engine.Flags().serialLinkUp || engine.Flags().usbLinkUp;
        }),
        selfTests(Context(ports, config), ports.monitor, ports.menus, history.Notes()),
        commands(ports.timers, ports.commands, records, config, clock, engine.Status(),
                 [&config] { return ReadNetworkSettings(config).upsName; }),
        drill(Context(ports, config), share, ports.drill, battery, [this] { return !PowerEventUnderWay(); },
              [this] { return engine.UpsAnswering(); }) {
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

  // Windows refused the shutdown, or accepted it and never carried it out:
  // recorded once as such, and monitoring goes on with the count-downs that
  // ran out ready to run again; one still counting goes on as it was (the
  // rows were written before the attempt).
  void ResumeAfterRefusedShutdown() {
    records.AppendEvent(Tr(Text::ShutdownRefusedEvent));
    const ShutdownGateState ended = gate.State();
    gate.ShutdownRefused();
    if (ended.endedByMains) mainsFail.ResetAfterRefusedShutdown();
    if (ended.endedByBattery) batteryLow.ResetAfterRefusedShutdown();
    if (ended.endedByHand) manual.Cancel();
    schedule.ResetAfterRefusedShutdown();
    engine.Resume();
    history.BeginRun();
  }

  // What the tray tip says now.
  TrayState Tray() const {
    TrayState state;
    state.answering = engine.UpsAnswering();
    state.drill = drill.State().running;
    state.onBattery = power.mainsFailed || state.drill;
    state.secondsLeft = state.drill ? drill.State().remaining : SecondsUntilShutdown();
    state.recordsWaiting = records.RowsWaiting();
    if (power.mainsFailed) state.runtime = RuntimeText(battery.Runtime());
    return state;
  }

  // A failure, a count-down (hidden ones too) or a shutdown is under way:
  // the service keeps the UPS until it ends, and no drill may start.
  bool PowerEventUnderWay() const {
    return power.mainsFailed || power.batteryLow || gate.ShutdownUnderWay() || mainsFail.Counting() ||
           batteryLow.Counting() || manual.Counting() || schedule.Counting();
  }

  PowerEvents events;  // first: every part below announces through it
  TimerTable timers;
  PowerFlags power;
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

 private:
  // The mains-failure count, or the battery-low one when it ends sooner; -1
  // before either counts.
  int SecondsUntilShutdown() const {
    const int mains = mainsFail.SecondsLeft(), low = batteryLow.SecondsLeft();
    if (mains < 0 || low < 0) return mains < 0 ? low : mains;
    return mains < low ? mains : low;
  }

  CountdownContext Context(const ProgramPorts& ports, const ConfigFile& config) {
    return {ports.timers, ports.views, records, config, power, gate, events};
  }
};

}  // namespace voltaris
