#include <gtest/gtest.h>

#include "app/hand_over.h"
#include "app/working_directory.h"

using namespace voltaris;

TEST(WorkingDirectory, FolderOfTheRunValueOrTheExecutablesOwn) {
  const std::string exeDir = "C:\\Program Files\\Voltaris";
  EXPECT_EQ(WorkingDirectoryFromRunKey("D:\\UPS\\Voltaris.exe", "Voltaris.exe", exeDir), "D:\\UPS");
  EXPECT_EQ(WorkingDirectoryFromRunKey("\"D:\\UPS\\VOLTARIS.EXE\"", "Voltaris.exe", exeDir), "D:\\UPS");
  for (const char* bad : {"", "Voltaris.exe", "\\Voltaris.exe", "D:\\UPS\\Other.exe", "x.exe", "D:\\UPSVoltaris.exe"}) {
    EXPECT_EQ(WorkingDirectoryFromRunKey(bad, "Voltaris.exe", exeDir), exeDir) << bad;
  }
}

// ---- Handing the UPS's line between the service and the desktop program ------

TEST(DesktopHandOver, ASilentServiceIsToldAfterItsBoundAndABusyOneRestartsIt) {
  DesktopHandOver handOver;
  EXPECT_EQ(handOver.OnWaited(DesktopHandOver::kAnswerBoundMs - 1, false), DesktopLine::Asking);
  EXPECT_EQ(handOver.OnWaited(1, false), DesktopLine::ServiceSilent);
  DesktopHandOver busy;
  EXPECT_EQ(busy.OnWaited(DesktopHandOver::kAnswerBoundMs - 1, false), DesktopLine::Asking);
  EXPECT_EQ(busy.OnWaited(250, true), DesktopLine::ServiceBusy);  // a count-down: the wait is the event's
  EXPECT_EQ(busy.OnWaited(DesktopHandOver::kAnswerBoundMs - 1, false), DesktopLine::Asking);
  busy.OnTaken();
  EXPECT_EQ(busy.OnWaited(DesktopHandOver::kAnswerBoundMs, false), DesktopLine::Holding);
}

TEST(ServiceHandOver, StandsDownInOrderUnlessAPowerEventRunsAndTakesBackWhatTheDesktopLeaves) {
  constexpr bool kAsks = true, kBusy = true, kRuns = true;
  ServiceHandOver s;
  EXPECT_EQ(s.OnLineTaken(), ServiceStep::StartMonitor);
  EXPECT_EQ(s.OnLook(250, false, false, false), ServiceStep::StartMonitor);  // its monitoring died: started again
  EXPECT_EQ(s.OnLook(250, false, false, kRuns), ServiceStep::Nothing);

  // Asked during a count-down: kept until it ends, then ended in order.
  EXPECT_EQ(s.OnLook(250, kAsks, kBusy, kRuns), ServiceStep::Nothing);
  EXPECT_EQ(s.Line(), ServiceLine::Deferring);
  EXPECT_EQ(s.OnLook(250, kAsks, kBusy, kRuns), ServiceStep::Nothing);
  EXPECT_EQ(s.OnLook(250, kAsks, false, kRuns), ServiceStep::EndMonitor);
  EXPECT_EQ(s.OnLook(ServiceHandOver::kEndBoundMs - 1, kAsks, false, kRuns), ServiceStep::Nothing);
  EXPECT_EQ(s.OnLook(1, kAsks, false, kRuns), ServiceStep::KillMonitor);
  EXPECT_EQ(s.OnLook(250, kAsks, false, kRuns), ServiceStep::Nothing);  // killed once
  EXPECT_EQ(s.OnLook(250, kAsks, false, false), ServiceStep::ReleaseLine);
  s.OnReleased();
  EXPECT_EQ(s.OnLook(250, kAsks, false, false), ServiceStep::Nothing);  // not its line to give

  // The desktop program ended, or died: the line is the service's again.
  EXPECT_EQ(s.OnLineTaken(), ServiceStep::StartMonitor);
  EXPECT_EQ(s.OnLook(250, kAsks, false, kRuns), ServiceStep::EndMonitor);
  EXPECT_EQ(s.OnLook(250, kAsks, false, false), ServiceStep::ReleaseLine);

  // A count-down that ends in the system's shutdown ends the monitoring: the line goes.
  ServiceHandOver ending;
  ending.OnLineTaken();
  ending.OnLook(250, kAsks, kBusy, kRuns);
  EXPECT_EQ(ending.OnLook(250, kAsks, kBusy, false), ServiceStep::ReleaseLine);

  // A desktop program that gives up while the service defers leaves it monitoring.
  ServiceHandOver givenUp;
  givenUp.OnLineTaken();
  givenUp.OnLook(250, kAsks, kBusy, kRuns);
  EXPECT_EQ(givenUp.OnLook(250, false, false, kRuns), ServiceStep::Nothing);
  EXPECT_EQ(givenUp.Line(), ServiceLine::Monitoring);
}
