// CommPort against the UPS simulator on mapped COM ports (run by
// tests/e2e/comm_port.sh): COM1 2400, COM2 4800, COM3 9600 bit/s, COM4 a UPS
// that never answers, COM5 mapped to nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ups/comm_port_win.h"
#include "ups/line_timing.h"

using voltaris::CommPort;
using voltaris::SerialSettings;

namespace {

SerialSettings Settings(DWORD rate, BYTE dataBits = 8) {
  SerialSettings s;
  s.dcb.BaudRate = rate;
  s.dcb.ByteSize = dataBits;
  s.dcb.Parity = NOPARITY;
  s.dcb.StopBits = ONESTOPBIT;
  return s;
}

bool Send(CommPort& port, const std::string& command) {
  DWORD length = static_cast<DWORD>(command.size());
  DWORD inOut = length;
  return port.Write(command.data(), &length, &inOut) == 1 && inOut == length;
}

std::string Query(CommPort& port, const std::string& command, DWORD wanted = 54, DWORD expected = 0) {
  if (!Send(port, command)) return "<write failed>";
  std::vector<char> buffer(wanted + 1, '\0');
  DWORD got = 0;
  if (port.Read(buffer.data(), &wanted, &got, expected) != 1) return "<read failed>";
  return std::string(buffer.data(), got);
}

// `expected`: the reply length the read is told to wait for (0: not told).
void HundredStatusQueries(const char* name, DWORD rate, int* whole, DWORD expected = 0) {
  CommPort port;
  ASSERT_EQ(port.Open(Settings(rate), name), 1) << name;
  for (int i = 0; i < 100; ++i) {
    const std::string reply = Query(port, "Q1\r", 54, expected);
    if (reply.size() == 47 && reply.front() == '(' && reply.back() == '\r') {
      ++*whole;
    } else {
      ADD_FAILURE() << name << " query " << i << ": " << reply.size() << " bytes \"" << reply << "\"";
    }
  }
  EXPECT_EQ(port.Close(), 1);
}

// Line time of a reply at 8N1, in whole milliseconds.
DWORD ReplyLineMs(DWORD rate, DWORD characters) {
  voltaris::LineFormat format;
  format.bitRate = rate;
  return static_cast<DWORD>(voltaris::LineTimeMicros(format, characters) / 1000);
}

// The longest of a few reads of `command`'s reply, from the end of the
// command's write to the read's return.
DWORD SlowestReadMs(CommPort& port, const std::string& command, size_t replyLength) {
  DWORD slowest = 0;
  for (int i = 0; i < 5; ++i) {
    if (!Send(port, command)) {
      ADD_FAILURE() << "write failed";
      return MAXDWORD;
    }
    const DWORD start = GetTickCount();
    char buffer[55];
    DWORD wanted = 54, got = 0;
    EXPECT_EQ(port.Read(buffer, &wanted, &got), 1);
    slowest = std::max(slowest, GetTickCount() - start);
    EXPECT_EQ(got, replyLength) << command;
  }
  return slowest;
}

}  // namespace

// A hundred status queries at each rate at once, each read `expected` (0:
// not told) the reply's length.
void HundredQueriesAtEachRate(DWORD expected) {
  int whole[3] = {0, 0, 0};
  std::thread t2400(HundredStatusQueries, "COM1", 2400, &whole[0], expected);
  std::thread t4800(HundredStatusQueries, "COM2", 4800, &whole[1], expected);
  std::thread t9600(HundredStatusQueries, "COM3", 9600, &whole[2], expected);
  t2400.join();
  t4800.join();
  t9600.join();
  EXPECT_EQ(whole[0], 100) << "2400 bit/s";
  EXPECT_EQ(whole[1], 100) << "4800 bit/s";
  EXPECT_EQ(whole[2], 100) << "9600 bit/s";
}

TEST(CommPortOnTheLine, EveryStatusQueryGetsTheWholeReplyInOneRead) { HundredQueriesAtEachRate(0); }

// Told the length to expect, the read looks once after the reply's line time.
TEST(CommPortOnTheLine, AReadToldTheLengthGetsTheWholeReplyToo) {
  HundredQueriesAtEachRate(47);
  CommPort silent;
  ASSERT_EQ(silent.Open(Settings(2400), "COM4"), 1);
  EXPECT_EQ(Query(silent, "Q1\r", 54, 47), "");  // nothing comes: empty after its bound
}

TEST(CommPortOnTheLine, RatingReplyAndTheZeroAfterTheData) {
  CommPort port;
  ASSERT_EQ(port.Open(Settings(2400), "COM1"), 1);
  EXPECT_EQ(Query(port, "F\r"), "#220.0 005 12.00 50.0\r");
  // Exactly the wanted count: the 0 goes right after it, nothing further.
  ASSERT_TRUE(Send(port, "Q1\r"));
  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  DWORD wanted = 10, got = 0;
  EXPECT_EQ(port.Read(buffer, &wanted, &got), 1);
  EXPECT_EQ(got, 10u);
  EXPECT_EQ(buffer[10], '\0');
  EXPECT_EQ(buffer[11], '#');
  // The rest of that reply is discarded before the next command.
  EXPECT_EQ(Query(port, "Q1\r").size(), 47u);
  port.Close();
}

TEST(CommPortOpenClose, OpenRules) {
  CommPort port;
  EXPECT_EQ(port.Close(), 0);  // closed: nothing to close
  ASSERT_EQ(port.Open(Settings(2400), "COM1"), 1);
  EXPECT_EQ(port.IsOpen(), 1);
  EXPECT_EQ(port.Open(Settings(9600), "COM1"), 0);  // already open: untouched
  EXPECT_EQ(Query(port, "Q1\r").size(), 47u);     // still at 2400
  EXPECT_EQ(port.Close(), 1);
  EXPECT_EQ(port.IsOpen(), 0);
  EXPECT_EQ(port.Close(), 0);
}

TEST(CommPortOpenClose, PortsThatCannotBeOpened) {
  CommPort port;
  EXPECT_EQ(port.Open(Settings(2400), "COM5"), 0);  // mapped to nothing
  EXPECT_EQ(port.Open(Settings(2400), "COM9"), 0);  // not there at all
  EXPECT_EQ(port.IsOpen(), 0);
}

TEST(CommPortOpenClose, RejectedSettingsLeaveThePortClosed) {
  CommPort port;
  EXPECT_EQ(port.Open(Settings(2400, 4), "COM1"), 0);  // 4 data bits: the line refuses
  EXPECT_EQ(port.IsOpen(), 0);
  EXPECT_EQ(port.Open(Settings(0), "COM1"), 0);  // no bit rate
  EXPECT_EQ(port.IsOpen(), 0);
  // The port was closed again each time: a proper open still works.
  ASSERT_EQ(port.Open(Settings(2400), "COM1"), 1);
  EXPECT_EQ(Query(port, "Q1\r").size(), 47u);
  port.Close();
}

TEST(CommPortReadWrite, SilentLineReadsNothingWithinTheBound) {
  CommPort port;
  ASSERT_EQ(port.Open(Settings(2400), "COM4"), 1);
  ASSERT_TRUE(Send(port, "Q1\r"));
  char buffer[55];
  std::memset(buffer, '#', sizeof buffer);
  DWORD wanted = 54, got = 99;
  const DWORD start = GetTickCount();
  EXPECT_EQ(port.Read(buffer, &wanted, &got), 1);
  const DWORD took = GetTickCount() - start;
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(buffer[0], '#');  // left as it was
  EXPECT_LE(took, port.TransferBoundMs(54) + 100);
  EXPECT_GE(took, port.TransferBoundMs(54) - 30);
  port.Close();
}

TEST(CommPortReadWrite, WriteWithZeroCountSendsNothing) {
  CommPort port;
  ASSERT_EQ(port.Open(Settings(2400), "COM1"), 1);
  DWORD length = 3, inOut = 0;
  EXPECT_EQ(port.Write("T\r", &length, &inOut), 0);
  port.Close();
  EXPECT_EQ(port.Write("T\r", &length, &length), 0);  // closed port
}

// The read ends when the CR is in, not when its bound has passed: within a
// few tens of milliseconds of the reply's line time.
TEST(CommPortReadWrite, ReadEndsSoonAfterTheCr) {
  constexpr DWORD kMarginMs = 80;
  const struct {
    const char* name;
    DWORD rate;
  } lines[] = {{"COM1", 2400}, {"COM2", 4800}, {"COM3", 9600}};
  for (const auto& line : lines) {
    CommPort port;
    ASSERT_EQ(port.Open(Settings(line.rate), line.name), 1) << line.name;
    const DWORD status = SlowestReadMs(port, "Q1\r", 47);
    EXPECT_LE(status, ReplyLineMs(line.rate, 47) + kMarginMs) << line.rate << " bit/s, status reply";
    EXPECT_GE(status + 15, ReplyLineMs(line.rate, 47)) << line.rate << " bit/s: ended before the reply could";
    const DWORD rating = SlowestReadMs(port, "F\r", 22);
    EXPECT_LE(rating, ReplyLineMs(line.rate, 22) + kMarginMs) << line.rate << " bit/s, rating reply";
    port.Close();
  }
}

// Another thread's Close ends a read in progress at once, and the object can
// be opened again afterwards.
TEST(CommPortOpenClose, CloseFromAnotherThreadEndsTheReadInProgress) {
  CommPort port;
  ASSERT_EQ(port.Open(Settings(2400), "COM4"), 1);
  ASSERT_TRUE(Send(port, "Q1\r"));
  std::atomic<DWORD> readEndedAt{0};
  int readResult = -1;
  DWORD got = 99;
  std::thread reader([&] {
    char buffer[55];
    DWORD wanted = 54;
    readResult = port.Read(buffer, &wanted, &got);
    readEndedAt = GetTickCount();
  });
  Sleep(150);  // well inside the read's bound of more than 500 ms
  ASSERT_EQ(readEndedAt.load(), 0u) << "the read on a silent line ended early";
  const DWORD closedAt = GetTickCount();
  EXPECT_EQ(port.Close(), 1);
  reader.join();
  EXPECT_LE(readEndedAt - closedAt, 100u);
  EXPECT_EQ(readResult, 0);  // ended by the close, not by its bound
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(port.IsOpen(), 0);
  EXPECT_EQ(port.Close(), 0);

  ASSERT_EQ(port.Open(Settings(2400), "COM4"), 1);  // the device was let go
  port.Close();
  ASSERT_EQ(port.Open(Settings(2400), "COM1"), 1);
  EXPECT_EQ(Query(port, "Q1\r").size(), 47u);
  port.Close();
}

// Closing while the monitor thread is between commands, or in the middle of
// one, leaves nothing behind: every call after it fails cleanly.
TEST(CommPortOpenClose, CloseDuringQueriesFromAnotherThread) {
  CommPort port;
  ASSERT_EQ(port.Open(Settings(2400), "COM1"), 1);
  std::atomic<bool> stop{false};
  int replies = 0;
  std::thread monitor([&] {
    while (!stop && port.IsOpen()) {
      if (Query(port, "Q1\r").size() == 47) ++replies;
    }
  });
  Sleep(700);
  const DWORD closedAt = GetTickCount();
  EXPECT_EQ(port.Close(), 1);
  EXPECT_LE(GetTickCount() - closedAt, 100u);  // Close waits only for the call in progress to end
  stop = true;
  monitor.join();
  EXPECT_GE(replies, 1);
  EXPECT_EQ(Query(port, "Q1\r"), "<write failed>");
  ASSERT_EQ(port.Open(Settings(2400), "COM1"), 1);
  EXPECT_EQ(Query(port, "Q1\r").size(), 47u);
  port.Close();
}
