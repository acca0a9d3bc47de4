// The service's monitoring of the program it starts.
#include <gtest/gtest.h>

#include "app/monitor_restarts.h"

using namespace voltaris;

// A monitoring program that fails at once is neither started four times a
// second nor given up on; one that ran steadily starts again soon.
TEST(MonitorRestarts, ThePauseDoublesUpToItsLongestAndComesBackAfterASteadyRun) {
  using R = MonitorRestarts;
  R r;
  EXPECT_TRUE(r.MayStart(123));  // the first start is at once
  r.OnStarted(1000);
  r.OnFailed(1500);
  EXPECT_EQ(r.PauseMs(), R::kFirstPauseMs);
  EXPECT_FALSE(r.MayStart(1500 + R::kFirstPauseMs - 1));
  EXPECT_TRUE(r.MayStart(1500 + R::kFirstPauseMs));
  unsigned now = 10000;
  for (unsigned expected : {10000u, 20000u, 40000u, 80000u, 160000u, R::kLongestPauseMs, R::kLongestPauseMs}) {
    r.OnStarted(now);
    r.OnFailed(now + R::kSteadyRunMs - 1);  // not long enough to count as steady
    EXPECT_EQ(r.PauseMs(), expected);
    now += R::kSteadyRunMs + expected;
  }
  r.OnStarted(now);
  r.OnFailed(now + R::kSteadyRunMs);
  EXPECT_EQ(r.PauseMs(), R::kFirstPauseMs);
  // A run ended as asked (the service stopping) is no failure: the next start is at
  // once, and a steady one forgets the pause.
  r.OnStarted(now);
  r.OnFailed(now + 1);
  r.OnStarted(now + 10000);
  r.OnEndedAsAsked(now + 20000);
  EXPECT_TRUE(r.MayStart(now + 20000));
  r.OnStarted(now + 30000);
  r.OnFailed(now + 30001);
  EXPECT_EQ(r.PauseMs(), 4 * R::kFirstPauseMs);  // the pause before the stop still counts
  r.OnStarted(now + 50000);
  r.OnEndedAsAsked(now + 50000 + R::kSteadyRunMs);
  r.OnStarted(now + 60000 + R::kSteadyRunMs);
  r.OnFailed(now + 60001 + R::kSteadyRunMs);
  EXPECT_EQ(r.PauseMs(), R::kFirstPauseMs);
  // Starts that fail without running grow the pause too; the tick may wrap.
  R failing;
  failing.OnFailed(0xFFFFF000u);
  failing.OnFailed(0xFFFFF000u);
  EXPECT_EQ(failing.PauseMs(), 2 * R::kFirstPauseMs);
  EXPECT_FALSE(failing.MayStart(0xFFFFF000u + 2 * R::kFirstPauseMs - 1));
  EXPECT_TRUE(failing.MayStart(0xFFFFF000u + 2 * R::kFirstPauseMs));
}
