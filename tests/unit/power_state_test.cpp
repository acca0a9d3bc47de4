// The power event's phase: every input from every phase.
#include <gtest/gtest.h>

#include <algorithm>

#include "power/timer_ids.h"
#include "res/command_ids.h"
#include "tests/unit/countdown_rig.h"

using namespace voltaris;
using namespace voltaris::testing;

// Every input from every phase, with no count running and no warning on its
// way; where the counts matter (settling), the second table.
TEST(PowerStateTable, EveryInputFromEveryPhase) {
  using P = PowerPhase;
  const PowerInput inputs[] = {PowerInput::MainsFail,  PowerInput::MainsReturn,   PowerInput::MainsWarningShown,
                               PowerInput::BatteryCountStarted, PowerInput::CountEnded, PowerInput::ShutdownBegun,
                               PowerInput::ShutdownRefused, PowerInput::Resumed};
  const struct {
    P from;
    P to[8];  // in the order of `inputs`
  } table[] = {
      {P::OnMains, {P::MainsFailed, P::OnMains, P::OnBattery, P::BatteryLow, P::OnMains, P::ShuttingDown, P::OnMains,
                    P::OnMains}},
      {P::MainsFailed, {P::MainsFailed, P::OnMains, P::OnBattery, P::BatteryLow, P::OnMains, P::ShuttingDown,
                        P::MainsFailed, P::MainsFailed}},
      {P::OnBattery, {P::OnBattery, P::OnMains, P::OnBattery, P::BatteryLow, P::OnMains, P::ShuttingDown, P::OnBattery,
                      P::OnBattery}},
      {P::BatteryLow, {P::BatteryLow, P::OnMains, P::BatteryLow, P::BatteryLow, P::OnMains, P::ShuttingDown,
                       P::BatteryLow, P::BatteryLow}},
      {P::ShuttingDown, {P::ShuttingDown, P::MainsBack, P::ShuttingDown, P::ShuttingDown, P::ShuttingDown,
                         P::ShuttingDown, P::ShutdownRefused, P::ShuttingDown}},
      {P::ShutdownRefused, {P::ShutdownRefused, P::ShutdownRefused, P::ShutdownRefused, P::ShutdownRefused,
                            P::ShutdownRefused, P::ShutdownRefused, P::ShutdownRefused, P::OnMains}},
      {P::MainsBack, {P::ShuttingDown, P::MainsBack, P::MainsBack, P::MainsBack, P::MainsBack, P::MainsBack,
                      P::ShutdownRefused, P::MainsBack}},
  };
  for (const auto& row : table) {
    for (size_t i = 0; i < 8; ++i) {
      EXPECT_EQ(PhaseName(NextPhase(row.from, inputs[i], {})), std::string(PhaseName(row.to[i])))
          << PhaseName(row.from) << ", input " << i;
    }
  }
}

// Where an event settles: the battery's count first, then the mains' count,
// then a warning on its way.
TEST(PowerStateTable, SettlingFollowsTheCounts) {
  using P = PowerPhase;
  const struct {
    CountFacts facts;
    P settled;
  } table[] = {
      {{false, false, false}, P::OnMains},
      {{true, false, false}, P::MainsFailed},
      {{true, true, false}, P::OnBattery},
      {{false, true, false}, P::OnBattery},
      {{true, true, true}, P::BatteryLow},
      {{false, false, true}, P::BatteryLow},
  };
  for (const auto& row : table) {
    EXPECT_EQ(NextPhase(P::OnBattery, PowerInput::CountEnded, row.facts), row.settled);
    EXPECT_EQ(NextPhase(P::MainsFailed, PowerInput::MainsReturn, row.facts), row.settled);
    EXPECT_EQ(NextPhase(P::ShutdownRefused, PowerInput::Resumed, row.facts), row.settled);
    EXPECT_EQ(NextPhase(P::ShuttingDown, PowerInput::CountEnded, row.facts), P::ShuttingDown);  // nothing takes it back
  }
}

// The transitions through the real parts: what each records and which
// timers it arms (every arm through its owner's view, which the rig checks).
TEST(PowerStateTable, EachTransitionRecordsAndArmsWhatItShould) {
  using P = PowerPhase;
  struct Case {
    const char* name;
    void (*reach)(CountdownRig&);  // into the phase the transition leaves
    void (*act)(CountdownRig&);
    P to;
    std::vector<std::string> rows;     // recorded by the transition
    std::vector<unsigned> armed;       // armed by it, in order
  };
  const auto onBattery = [](CountdownRig& rig) { rig.RunWith(kMainsFailed, 2); };
  const auto batteryLow = [](CountdownRig& rig) {
    rig.RunWith(kMainsFailed, 2);
    rig.RunWith(kBothFailed, 2);
  };
  const Case cases[] = {
      {"mains fail", [](CountdownRig&) {}, [](CountdownRig& rig) { rig.Reply(kMainsFailed); }, P::MainsFailed, {},
       {kTimerMainsFailDelay}},
      {"the warning", [](CountdownRig& rig) { rig.Reply(kMainsFailed); }, [](CountdownRig& rig) { rig.Run(1000); },
       P::OnBattery, {"  AC Fail!"}, {kTimerMainsFailCountdown}},
      {"mains back before the warning", [](CountdownRig& rig) { rig.Reply(kMainsFailed); },
       [](CountdownRig& rig) { rig.Reply(kHealthy); }, P::MainsFailed, {}, {}},
      {"battery low on battery", onBattery, [](CountdownRig& rig) { rig.RunWith(kBothFailed, 1); }, P::BatteryLow,
       {}, {kTimerBatteryLowOpen, kTimerBatteryLowCountdown}},
      {"mains back", onBattery, [](CountdownRig& rig) { rig.RunWith(kHealthy, 5); }, P::OnMains, {"  AC Restore!"},
       {}},
      {"mains back on a low battery", batteryLow, [](CountdownRig& rig) { rig.RunWith(kBatteryLow, 5); }, P::OnMains,
       {"  AC Restore!"}, {}},
      {"the battery recovers", batteryLow, [](CountdownRig& rig) { rig.RunWith(kMainsFailed, 1); }, P::OnBattery, {},
       {}},
      {"the count's end", onBattery, [](CountdownRig& rig) { rig.RunWith(kMainsFailed, 60); }, P::ShuttingDown,
       {}, {}},
      {"refused", [](CountdownRig& rig) { rig.RunWith(kMainsFailed, 61); },
       [](CountdownRig& rig) { rig.parts.policy.ResumeAfterRefusedShutdown(); }, P::OnBattery,
       {"  System Shutdown Refused!"}, {kTimerMainsFailCountdown}},
      {"the manual count's end", [](CountdownRig& rig) { rig.parts.manual.Start(); },
       [](CountdownRig& rig) { rig.RunWith(kHealthy, 10); }, P::ShuttingDown, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CountdownRig rig("CutACTimeMessage=1\nBatteryTime=1\nBatteryEndTime=2\n");
    rig.Reply(kHealthy);  // the UPS found first
    c.reach(rig);
    const size_t rowsBefore = rig.Events().size(), armsBefore = rig.timers.history.size();
    c.act(rig);
    EXPECT_STREQ(PhaseName(rig.parts.power.Phase()), PhaseName(c.to));
    const std::vector<std::string> events = rig.Events();
    EXPECT_EQ(std::vector<std::string>(events.begin() + static_cast<long>(rowsBefore), events.end()), c.rows);
    std::vector<unsigned> armed;
    for (size_t i = armsBefore; i < rig.timers.history.size(); ++i) {
      const unsigned id = rig.timers.history[i].first;
      const bool paced = id == kTimerStatusQuery || id == kTimerRatingQuery || id == kTimerBatteryWatch;
      if (!paced && std::find(armed.begin(), armed.end(), id) == armed.end()) armed.push_back(id);
    }
    EXPECT_EQ(armed, c.armed);
  }
}
