#include <gtest/gtest.h>

#include <thread>

#include "app/working_directory.h"
#include "ups/monitor_mailbox.h"

using namespace voltaris;
using std::chrono::milliseconds;

TEST(WorkingDirectory, FolderOfTheRunValueOrTheExecutablesOwn) {
  const std::string exeDir = "C:\\Program Files\\Voltaris";
  EXPECT_EQ(WorkingDirectoryFromRunKey("D:\\UPS\\Voltaris.exe", "Voltaris.exe", exeDir), "D:\\UPS");
  EXPECT_EQ(WorkingDirectoryFromRunKey("\"D:\\UPS\\VOLTARIS.EXE\"", "Voltaris.exe", exeDir), "D:\\UPS");
  for (const char* bad : {"", "Voltaris.exe", "\\Voltaris.exe", "D:\\UPS\\Other.exe", "x.exe", "D:\\UPSVoltaris.exe"}) {
    EXPECT_EQ(WorkingDirectoryFromRunKey(bad, "Voltaris.exe", exeDir), exeDir) << bad;
  }
}

TEST(MonitorMailbox, RequestsArriveTogetherAndAreConsumed) {
  MonitorMailbox mailbox;
  mailbox.SetLinkKind(LinkKind::Usb);
  mailbox.ClosePort();
  mailbox.EnableSerialRead();
  mailbox.SendCommand("F\r", true);
  mailbox.SendCommand("Q1\r", true);
  const MonitorRequests first = mailbox.Take(milliseconds(0));
  EXPECT_EQ(first.link, LinkKind::Usb);
  EXPECT_TRUE(first.closePort);
  EXPECT_TRUE(first.openPort);
  ASSERT_EQ(first.commands.size(), 2u);  // the rating query is not lost to the status query
  EXPECT_EQ(first.commands[0].bytes, "F\r");
  const MonitorRequests second = mailbox.Take(milliseconds(0));
  EXPECT_EQ(second.link, LinkKind::Usb);  // the link kind stays
  EXPECT_FALSE(second.closePort);
  EXPECT_TRUE(second.commands.empty());
}

TEST(MonitorMailbox, QueueIsBounded) {
  MonitorMailbox mailbox;
  for (int i = 0; i < 20; ++i) mailbox.SendCommand("Q1\r", true);
  mailbox.SendCommand("CT\r", false);
  const auto taken = mailbox.Take(milliseconds(0));
  EXPECT_EQ(taken.commands.size(), MonitorMailbox::kMaxQueuedCommands);
  EXPECT_EQ(taken.commands.back().bytes, "CT\r");  // the newest survives
}

TEST(MonitorMailbox, AWaitingMonitorWakesForARequestAndForStop) {
  MonitorMailbox mailbox;
  std::thread ui([&mailbox] { mailbox.SendCommand("Q1\r", true); });
  const auto taken = mailbox.Take(milliseconds(10000));  // returns at once once the command is in
  ui.join();
  EXPECT_EQ(taken.commands.size() + mailbox.Take(milliseconds(0)).commands.size(), 1u);
  std::thread stopper([&mailbox] { mailbox.RequestStop(); });
  EXPECT_TRUE(mailbox.SleepUnlessStopped(milliseconds(10000)));
  stopper.join();
}
