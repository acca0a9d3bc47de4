// The monitor thread's loop by itself: in what order what the user-interface
// thread asks for reaches the line, and how the loop stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "ups/monitor_loop.h"
#include "ups/monitor_mailbox.h"

using namespace voltaris;
using std::chrono::milliseconds;

namespace {

// A serial port whose reads and writes can be held until the test lets them
// finish.
class FakeSerial : public SerialLinePort {
 public:
  std::atomic<bool> openFails{false}, writeFails{false};
  bool holdReads = false, holdWrites = false;  // under the lock
  size_t cutNextWriteTo = std::string::npos;  // under the lock: bytes the next write moves
  // Runs once, on the monitor thread, when the loop next asks an open port
  // whether it is open (just before a write) or when a write begins.
  mutable std::function<void()> onOpenCheck;
  std::function<void()> onWrite;
  std::function<void()> everyRead;  // on the monitor thread, before each read
  std::string reply = "(220.0\r";

  bool IsOpen() const override {
    if (open_ && onOpenCheck) std::exchange(onOpenCheck, nullptr)();
    return open_;
  }
  bool Open(const SerialLine&) override {
    if (openFails) return false;
    return open_ = true;
  }
  void Close() override {
    open_ = false;
    std::lock_guard<std::mutex> lock(mutex_);
    changed_.notify_all();
  }
  size_t Write(const std::string& bytes) override {
    if (onWrite) std::exchange(onWrite, nullptr)();
    std::unique_lock<std::mutex> lock(mutex_);
    written_.push_back(bytes);
    changed_.notify_all();
    changed_.wait(lock, [this] { return !holdWrites; });
    const size_t moved = std::min(bytes.size(), std::exchange(cutNextWriteTo, std::string::npos));
    return writeFails ? 0 : moved;
  }
  void ReleaseWrites() {
    std::lock_guard<std::mutex> lock(mutex_);
    holdWrites = false;
    changed_.notify_all();
  }
  bool WaitForClose() { return WaitFor([&] { return !open_; }); }
  bool Read(std::string& into, size_t) override {
    if (everyRead) everyRead();
    std::unique_lock<std::mutex> lock(mutex_);
    ++readsStarted_;
    changed_.notify_all();
    changed_.wait_for(lock, std::chrono::seconds(10), [this] { return !holdReads; });
    into = holdReads ? "" : reply;
    return true;
  }
  void ReleaseReads() {
    std::lock_guard<std::mutex> lock(mutex_);
    holdReads = false;
    changed_.notify_all();
  }
  bool WaitForWrites(size_t n) { return WaitFor([&] { return written_.size() >= n; }); }
  bool WaitForReadStart() { return WaitFor([&] { return readsStarted_ > 0; }); }
  std::vector<std::string> Written() {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
  }

 private:
  template <typename Done>
  bool WaitFor(Done done) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), done);
  }
  std::atomic<bool> open_{false};
  int readsStarted_ = 0;
  std::vector<std::string> written_;
  std::mutex mutex_;
  std::condition_variable changed_;
};

// The link library as the monitor sees it: a log of its calls.
class FakeUsb : public UsbLinkPort {
 public:
  std::atomic<bool> present{false};
  std::string input;       // what CmdInput gives, set before the loop starts
  bool maybeSent = false;  // what Cmdtest says, set before the loop starts
  bool Present() override { return present; }
  void Output(int code) override { Log("Output " + std::to_string(code)); }
  std::string Input() override { return input; }
  bool Test(const std::string& text) override {
    Log("Test " + text);
    return maybeSent;
  }
  bool WaitForCalls(size_t n) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return calls_.size() >= n; });
  }
  std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }

 private:
  void Log(const std::string& call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(call);
    changed_.notify_all();
  }
  std::vector<std::string> calls_;
  std::mutex mutex_;
  std::condition_variable changed_;
};

class Reports : public ReportSink {
 public:
  void Post(MonitorReport report) override {
    std::lock_guard<std::mutex> lock(mutex_);
    reports_.push_back(std::move(report));
  }
  std::vector<MonitorReport> Of(MonitorReport::Kind kind) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<MonitorReport> out;
    for (const auto& r : reports_) {
      if (r.kind == kind) out.push_back(r);
    }
    return out;
  }

 private:
  std::mutex mutex_;
  std::vector<MonitorReport> reports_;
};

MonitorPauses NoPauses() {
  MonitorPauses p;
  p.idle = p.afterOpen = p.afterFailedOpen = milliseconds(1);
  p.afterUsbLost = p.usbRatingWait = p.usbStatusGap = p.usbStatusWait = milliseconds(1);
  return p;
}

// A loop on its own thread, stopped and joined at the end of the test.
struct LoopRig {
  MonitorMailbox mailbox{std::chrono::milliseconds(300)};
  FakeSerial serial;
  FakeUsb usb;
  Reports reports;
  MonitorLoop loop{mailbox, serial, usb, reports, NoPauses()};
  std::thread thread;

  LoopRig() { mailbox.SetSerialLine({"COM1", {}}); }
  void Start() { thread = std::thread([this] { loop.Run(); }); }
  // Runs the loop until it has reported `kind` once (or two seconds passed), then stops it.
  std::vector<MonitorReport> RunUntilReported(MonitorReport::Kind kind) {
    Start();
    for (int i = 0; i < 200 && reports.Of(kind).empty(); ++i) std::this_thread::sleep_for(milliseconds(10));
    Stop();
    return reports.Of(kind);
  }
  // Runs the loop until `writes` commands have reached the line, then stops it.
  void RunUntilWritten(size_t writes) {
    Start();
    ASSERT_TRUE(serial.WaitForWrites(writes));
    Stop();
  }
  void Stop() {
    mailbox.RequestStop();
    serial.ReleaseReads();
    if (thread.joinable()) thread.join();
  }
  ~LoopRig() { Stop(); }
};

}  // namespace

TEST(MonitorLoopTest, ControlCommandsReachTheLineBeforeQueriesAndAreReportedWritten) {
  LoopRig rig;
  rig.mailbox.SendQuery("Q1\r");
  rig.mailbox.SendQuery("F\r");
  const unsigned test = rig.mailbox.SendControl({"T\r", {}});
  const unsigned cancel = rig.mailbox.SendControl({"CT\r", {}});
  rig.mailbox.EnableSerialRead();
  rig.RunUntilWritten(4);
  EXPECT_EQ(rig.serial.Written(), (std::vector<std::string>{"T\r", "CT\r", "Q1\r", "F\r"}));
  const auto written = rig.reports.Of(MonitorReport::Kind::ControlWritten);
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].controlId, test);
  EXPECT_EQ(written[1].controlId, cancel);
  EXPECT_TRUE(written[0].ok && written[1].ok);
  const auto reads = rig.reports.Of(MonitorReport::Kind::SerialRead);
  ASSERT_EQ(reads.size(), 2u);  // a reply read after each query, none after a control
  EXPECT_EQ(reads[0].bytes, "(220.0\r");
}

TEST(MonitorLoopTest, AStopDuringASilentReadSendsNothingMore) {
  LoopRig rig;
  rig.serial.holdReads = true;  // the UPS does not answer: each read lasts its whole bound
  rig.mailbox.SendQuery("Q1\r");
  rig.mailbox.SendQuery("F\r");
  rig.mailbox.EnableSerialRead();
  rig.Start();
  ASSERT_TRUE(rig.serial.WaitForReadStart());
  rig.mailbox.RequestStop();
  rig.serial.ReleaseReads();  // the read's bound passes
  rig.thread.join();
  EXPECT_EQ(rig.serial.Written(), std::vector<std::string>{"Q1\r"});
  EXPECT_FALSE(rig.serial.IsOpen());  // closed on the way out
}

// A silent line: every read lasts as long as the queries' period, so the
// next ones are waiting when it ends. A close (to reopen the port) and a
// switch to USB are still carried out.
TEST(MonitorLoopTest, ACloseOrAnotherLinkIsCarriedOutWhileTheQueriesNeverRunDry) {
  // The network UPS has a thread of its own: the monitor lets the port go
  // and never calls the link library for it.
  const std::pair<std::function<void(MonitorMailbox&)>, bool> requests[] = {
      {[](MonitorMailbox& m) { m.ClosePort(); }, false},
      {[](MonitorMailbox& m) { m.SetLinkKind(LinkKind::Usb); }, true},
      {[](MonitorMailbox& m) { m.SetLinkKind(LinkKind::Network); }, false}};
  for (const auto& [request, usesLibrary] : requests) {
    LoopRig rig;
    rig.serial.everyRead = [&rig] {
      rig.mailbox.SendQuery("Q1\r");
      rig.mailbox.SendQuery("F\r");
    };
    rig.mailbox.SendQuery("Q1\r");
    rig.mailbox.EnableSerialRead();
    rig.Start();
    ASSERT_TRUE(rig.serial.WaitForReadStart());
    request(rig.mailbox);
    EXPECT_TRUE(rig.serial.WaitForClose());
    if (usesLibrary) continue;
    std::this_thread::sleep_for(milliseconds(30));  // a few idle passes, which must not reach the library
    rig.Stop();
    EXPECT_TRUE(rig.usb.Calls().empty());
  }
}

TEST(MonitorLoopTest, AFailedWriteIsReportedAsAMissedReplyWithoutARead) {
  LoopRig rig;
  rig.serial.writeFails = true;
  rig.mailbox.SendQuery("Q1\r");
  rig.mailbox.EnableSerialRead();
  rig.RunUntilWritten(1);
  const auto reads = rig.reports.Of(MonitorReport::Kind::SerialRead);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_FALSE(reads[0].ok);
}

TEST(MonitorLoopTest, AControlCommandWaitsWhileThePortCannotOpen) {
  LoopRig rig;
  rig.serial.openFails = true;
  const unsigned id = rig.mailbox.SendControl({"S01R0010\r", {}});
  rig.mailbox.SendQuery("Q1\r");
  rig.mailbox.EnableSerialRead();
  rig.Start();
  for (int i = 0; i < 200 && rig.reports.Of(MonitorReport::Kind::SerialOpen).empty(); ++i) {
    std::this_thread::sleep_for(milliseconds(5));
  }
  ASSERT_FALSE(rig.reports.Of(MonitorReport::Kind::SerialOpen).empty());
  EXPECT_FALSE(rig.reports.Of(MonitorReport::Kind::SerialOpen)[0].ok);
  EXPECT_EQ(rig.mailbox.WaitingControls(), 1u);
  EXPECT_TRUE(rig.serial.Written().empty());
  rig.serial.openFails = false;
  rig.mailbox.EnableSerialRead();
  ASSERT_TRUE(rig.serial.WaitForWrites(1));
  rig.Stop();
  EXPECT_EQ(rig.serial.Written().front(), "S01R0010\r");
  const auto written = rig.reports.Of(MonitorReport::Kind::ControlWritten);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].controlId, id);
}

TEST(MonitorLoopTest, AControlThatCannotBeWrittenCountsAsAMissedReplyAndWaits) {
  LoopRig rig;
  rig.serial.writeFails = true;
  rig.mailbox.SendControl({"CT\r", {}});
  rig.mailbox.SendQuery("Q1\r");
  rig.mailbox.EnableSerialRead();
  rig.RunUntilWritten(1);
  const auto reads = rig.reports.Of(MonitorReport::Kind::SerialRead);
  ASSERT_FALSE(reads.empty());
  EXPECT_FALSE(reads[0].ok);  // so the engine counts it, and reopens the line after a few
  EXPECT_FALSE(rig.reports.Of(MonitorReport::Kind::ControlWritten)[0].ok);
  EXPECT_EQ(rig.mailbox.WaitingControls(), 1u);
}

TEST(MonitorLoopTest, AControlWhoseTimeIsUpIsGivenUpAndReported) {
  LoopRig rig;  // controls live 300 ms here
  rig.serial.openFails = true;
  const unsigned id = rig.mailbox.SendControl({"S01R0010\r", {}});
  rig.Start();
  for (int i = 0; i < 200 && rig.reports.Of(MonitorReport::Kind::ControlWritten).empty(); ++i) {
    std::this_thread::sleep_for(milliseconds(10));
  }
  rig.Stop();
  const auto given = rig.reports.Of(MonitorReport::Kind::ControlWritten);
  ASSERT_EQ(given.size(), 1u);
  EXPECT_EQ(given[0].controlId, id);
  EXPECT_TRUE(given[0].expired);
  EXPECT_FALSE(given[0].ok);
  EXPECT_EQ(rig.mailbox.WaitingControls(), 0u);
  EXPECT_TRUE(rig.serial.Written().empty());
}

// Over USB a control goes to the library in its own form, between the
// rating and the status query of a pass, and a call that returned counts as
// written; while the device is away it waits, as it does for a closed port.
TEST(MonitorLoopTest, OverUsbControlsGoToTheLibraryAndWaitForTheDevice) {
  LoopRig rig;
  rig.mailbox.SetLinkKind(LinkKind::Usb);
  const unsigned test = rig.mailbox.SendControl(TenSecondTestControl());
  const unsigned timed = rig.mailbox.SendControl(TimedTestControl(5));
  rig.Start();
  for (int i = 0; i < 200 && rig.reports.Of(MonitorReport::Kind::UsbPass).empty(); ++i) {
    std::this_thread::sleep_for(milliseconds(5));  // a pass without the device
  }
  ASSERT_FALSE(rig.reports.Of(MonitorReport::Kind::UsbPass).empty());
  EXPECT_EQ(rig.mailbox.WaitingControls(), 2u);
  EXPECT_TRUE(rig.reports.Of(MonitorReport::Kind::ControlWritten).empty());
  rig.usb.present = true;
  ASSERT_TRUE(rig.usb.WaitForCalls(4));
  rig.Stop();
  const auto calls = rig.usb.Calls();
  EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 4),
            (std::vector<std::string>{"Output 3", "Output 4", "Test T05\r", "Output 1"}));
  const auto written = rig.reports.Of(MonitorReport::Kind::ControlWritten);
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].controlId, test);
  EXPECT_EQ(written[1].controlId, timed);
  EXPECT_TRUE(written[0].ok && written[1].ok);
  EXPECT_TRUE(rig.serial.Written().empty());
}

// Without a unit, the library's word for one it refuses comes with the
// pass; any other reply there (a library without that word) names none.
TEST(MonitorLoopTest, OverUsbAUnitTheLibraryRefusesIsNamedInThePassThatFoundNone) {
  const std::pair<std::string, std::string> cases[] = {
      {"\x15" "ATCL FOR UPS ATCL FOR UPS", "ATCL FOR UPS ATCL FOR UPS"}, {"Xpartial", ""}, {"", ""}};
  for (const auto& [input, named] : cases) {
    LoopRig rig;
    rig.usb.input = input;
    rig.mailbox.SetLinkKind(LinkKind::Usb);
    const auto passes = rig.RunUntilReported(MonitorReport::Kind::UsbPass);
    ASSERT_FALSE(passes.empty());
    EXPECT_FALSE(passes[0].usb.present);
    EXPECT_EQ(passes[0].usb.refusedUnit, named) << input;
  }
}

// A switch-off the library could send only in part is written, uncertain.
TEST(MonitorLoopTest, OverUsbASwitchOffTheLibrarySaysMayHaveBeenSentIsReportedSo) {
  for (const bool maybe : {false, true}) {
    LoopRig rig;
    rig.mailbox.SetLinkKind(LinkKind::Usb);
    rig.usb.maybeSent = maybe;
    rig.usb.present = true;
    const unsigned off = rig.mailbox.SendControl({"S01R9999\r", {0, "RS.1R9999\r"}});
    const auto written = rig.RunUntilReported(MonitorReport::Kind::ControlWritten);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].controlId, off);
    EXPECT_TRUE(written[0].ok);
    EXPECT_EQ(written[0].uncertain, maybe);
  }
}

// The monitor has taken the switch-off from the queue but not yet begun to
// write it when the count-down gives up on it: it must then never be written.
TEST(MonitorLoopTest, AControlWithdrawnBeforeItsWriteBeganIsNeverWritten) {
  LoopRig rig;
  const unsigned switchOff = rig.mailbox.SendControl({"S01R0010\r", {}});
  rig.mailbox.SendQuery("Q1\r");
  bool withdrawn = false;
  rig.serial.onOpenCheck = [&] { withdrawn = rig.mailbox.WithdrawControl(switchOff); };
  rig.mailbox.EnableSerialRead();
  rig.RunUntilWritten(1);
  EXPECT_TRUE(withdrawn);
  EXPECT_EQ(rig.serial.Written(), std::vector<std::string>{"Q1\r"});
  EXPECT_TRUE(rig.reports.Of(MonitorReport::Kind::ControlWritten).empty());
}

// Withdrawn while its write is under way: the withdrawal says it may have
// gone out, and a write that failed does not bring it back later.
TEST(MonitorLoopTest, AControlWithdrawnDuringItsWriteIsNotPutBack) {
  LoopRig rig;
  rig.serial.writeFails = true;
  const unsigned switchOff = rig.mailbox.SendControl({"S01R0010\r", {}});
  bool withdrawn = true;
  rig.serial.onWrite = [&] { withdrawn = rig.mailbox.WithdrawControl(switchOff); };
  rig.mailbox.EnableSerialRead();
  rig.RunUntilWritten(1);
  EXPECT_FALSE(withdrawn);
  EXPECT_EQ(rig.mailbox.WaitingControls(), 0u);
  EXPECT_FALSE(rig.mailbox.NextCommand());
  EXPECT_FALSE(rig.mailbox.WithdrawControl(switchOff));  // long gone
}

// A write that timed out part-way put some of the command on the line: it is
// reported not written and never sent again whole.
TEST(MonitorLoopTest, AControlCutShortOnTheLineIsNeverWrittenAgain) {
  LoopRig rig;
  rig.serial.cutNextWriteTo = 4;
  const unsigned switchOff = rig.mailbox.SendControl({"S01R0010\r", {}});
  rig.mailbox.SendQuery("Q1\r");
  rig.mailbox.EnableSerialRead();
  rig.RunUntilWritten(2);
  EXPECT_EQ(rig.serial.Written(), (std::vector<std::string>{"S01R0010\r", "Q1\r"}));
  const auto written = rig.reports.Of(MonitorReport::Kind::ControlWritten);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].controlId, switchOff);
  EXPECT_FALSE(written[0].ok);
}

// A write that never ends does not hold up a stop for longer than its limit;
// the loop left behind, once the write returns, takes nothing more from the
// mailbox (a newer monitor serves it) and closes its port.
TEST(MonitorRunnerTest, AStopHeldUpByAWriteLeavesTheLoopBehindAndItThenTakesNothing) {
  struct Worker {
    explicit Worker(MonitorMailbox& m) : mailbox(m) {}
    MonitorMailbox& mailbox;
    FakeSerial serial;
    FakeUsb usb;
    Reports reports;
    MonitorLoop loop{mailbox, serial, usb, reports, NoPauses()};
  };
  MonitorMailbox mailbox;
  mailbox.SetSerialLine({"COM1", {}});
  auto worker = std::make_shared<Worker>(mailbox);
  worker->serial.holdWrites = true;
  MonitorRunner runner(mailbox);
  runner.Start(std::shared_ptr<MonitorLoop>(worker, &worker->loop));
  mailbox.SendControl({"T\r", {}});
  mailbox.EnableSerialRead();
  ASSERT_TRUE(worker->serial.WaitForWrites(1));
  auto stopped = std::async(std::launch::async, [&runner] { return runner.Stop(milliseconds(100)); });
  const bool inTime = stopped.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
  if (!inTime) worker->serial.ReleaseWrites();
  ASSERT_TRUE(inTime);
  EXPECT_FALSE(stopped.get());
  EXPECT_TRUE(runner.LeftOneRunning());
  mailbox.Reopen();  // as for a monitor started again
  mailbox.SendControl({"CT\r", {}});
  worker->serial.ReleaseWrites();
  ASSERT_TRUE(worker->serial.WaitForClose());
  EXPECT_EQ(worker->serial.Written(), std::vector<std::string>{"T\r"});
  EXPECT_EQ(mailbox.WaitingControls(), 1u);
  EXPECT_TRUE(worker->reports.Of(MonitorReport::Kind::ControlWritten).empty());  // nothing told after it was left
}
