// Everything the program runs on the user-interface thread, wired together:
// the link engine, the record keeper, the history recorder, the network
// share, the shutdown gate and the count-downs, each owning its timer
// numbers in one table.
// The Win32 layer gives it the ports; the tests give it fakes.
#pragma once

#include "base/timer_table.h"
#include "config/config_file.h"
#include "net/share_port.h"
#include "net/ups_share.h"
#include "power/battery_watch.h"
#include "power/countdown_ports.h"
#include "power/countdowns.h"
#include "power/engine_ports.h"
#include "power/history_recorder.h"
#include "power/power_engine.h"
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
};

struct ProgramParts {
  ProgramParts(const ProgramPorts& ports, RecordStore& store, const ConfigFile& config, const LocalClock& clock)
      : records(store, ports.timers, ports.notices),
        engine(ports.timers, ports.gauges, ports.menus, ports.notices, ports.monitor, records, config, power),
        battery(ports.timers, ports.gauges, records, engine, clock),
        history(records, config, clock, engine.Status(), &battery),
        share(ports.timers, ports.share, records, config, engine, &battery),
        gate(ports.timers, share, records, ports.shutdown),
        batteryLow(Context(ports, config), history.Notes()),
        mainsFail(Context(ports, config), batteryLow, &battery),
        manual(Context(ports, config), ports.menus),
        schedule(Context(ports, config), ports.monitor, clock, [this] {
          return engine.Flags().serialLinkUp || engine.Flags().usbLinkUp;
        }),
        selfTests(Context(ports, config), ports.monitor, ports.menus, history.Notes()) {
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

 private:
  CountdownContext Context(const ProgramPorts& ports, const ConfigFile& config) {
    return {ports.timers, ports.views, records, config, power, gate};
  }
};

}  // namespace voltaris
