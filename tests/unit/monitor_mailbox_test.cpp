// The monitor thread's mailbox by itself: what the user-interface thread asks
// for and in what order the monitor takes it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ups/monitor_mailbox.h"

using namespace voltaris;
using std::chrono::milliseconds;

namespace {

std::vector<std::string> Drain(MonitorMailbox& mailbox) {
  std::vector<std::string> sent;
  while (const auto c = mailbox.NextCommand()) sent.push_back(c->bytes);
  return sent;
}

}  // namespace

TEST(MonitorMailbox, AQueryWaitsOnceAndControlsAreNeverDroppedAndGoFirst) {
  MonitorMailbox mailbox;
  for (int i = 0; i < 50; ++i) {  // a slow line: the timers ask faster than the line answers
    mailbox.SendQuery("Q1\r");
    mailbox.SendQuery("F\r");
  }
  EXPECT_EQ(mailbox.WaitingQueries(), 2u);
  for (int i = 0; i < 100; ++i) mailbox.SendControl({"S" + std::to_string(i) + "\r", {}});
  const unsigned last = mailbox.SendControl({"CT\r", {}});
  EXPECT_EQ(last, 101u);
  const auto sent = Drain(mailbox);
  ASSERT_EQ(sent.size(), 103u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(sent[static_cast<size_t>(i)], "S" + std::to_string(i) + "\r");
  EXPECT_EQ(sent[100], "CT\r");
  EXPECT_EQ(sent[101], "Q1\r");
  EXPECT_EQ(sent[102], "F\r");
  mailbox.SendQuery("Q1\r");  // once sent, it may wait again
  EXPECT_EQ(mailbox.WaitingQueries(), 1u);
}

TEST(MonitorMailbox, APutBackControlGoesOutFirstAgain) {
  MonitorMailbox mailbox;
  mailbox.SendControl({"T\r", {}});
  mailbox.SendControl({"CT\r", {}});
  const auto first = mailbox.NextCommand();
  mailbox.PutBack(*first);
  EXPECT_EQ(Drain(mailbox), (std::vector<std::string>{"T\r", "CT\r"}));
}

TEST(MonitorMailbox, RequestsAreConsumedButTheLinkKindStays) {
  MonitorMailbox mailbox;
  mailbox.SetLinkKind(LinkKind::Usb);
  mailbox.ClosePort();
  mailbox.EnableSerialRead();
  const MonitorRequests first = mailbox.Take(milliseconds(0));
  EXPECT_EQ(first.link, LinkKind::Usb);
  EXPECT_TRUE(first.closePort);
  EXPECT_TRUE(first.openPort);
  const MonitorRequests second = mailbox.Take(milliseconds(0));
  EXPECT_EQ(second.link, LinkKind::Usb);
  EXPECT_FALSE(second.closePort);
  EXPECT_FALSE(second.openPort);
}

TEST(MonitorMailbox, AWaitingMonitorWakesForACommandAndForStop) {
  MonitorMailbox mailbox;
  std::thread ui([&mailbox] { mailbox.SendQuery("Q1\r"); });
  mailbox.Take(milliseconds(10000));  // returns once the command is in
  ui.join();
  EXPECT_EQ(mailbox.WaitingQueries(), 1u);
  EXPECT_FALSE(mailbox.StopRequested());
  std::thread stopper([&mailbox] { mailbox.RequestStop(); });
  EXPECT_TRUE(mailbox.SleepUnlessStopped(milliseconds(10000)));
  stopper.join();
  EXPECT_TRUE(mailbox.StopRequested());
}

TEST(MonitorMailbox, OnlyControlsPastTheirTimeExpire) {
  MonitorMailbox mailbox(std::chrono::milliseconds(1000));
  const auto start = std::chrono::steady_clock::now();
  mailbox.SendControl({"T\r", {}});
  mailbox.SendQuery("Q1\r");
  EXPECT_TRUE(mailbox.TakeExpiredControls(start + milliseconds(900)).empty());
  const auto expired = mailbox.TakeExpiredControls(start + milliseconds(2000));
  ASSERT_EQ(expired.size(), 1u);
  EXPECT_EQ(expired[0].bytes, "T\r");
  EXPECT_EQ(mailbox.WaitingQueries(), 1u);  // queries do not expire
}

TEST(MonitorMailbox, AWithdrawnControlIsNeverSent) {
  MonitorMailbox mailbox;
  const unsigned test = mailbox.SendControl({"T\r", {}});
  const unsigned switchOff = mailbox.SendControl({"S01R0010\r", {}});
  mailbox.WithdrawControl(switchOff);
  mailbox.WithdrawControl(999);  // unknown or already sent: nothing happens
  const auto next = mailbox.NextCommand();
  ASSERT_TRUE(next);
  EXPECT_EQ(next->id, test);
  EXPECT_FALSE(mailbox.NextCommand());
}
