// CommPort against the UPS simulator on mapped COM ports (run by
// tests/e2e/comm_port.sh): COM1 2400, COM2 4800, COM3 9600 bit/s, COM4 a UPS
// that never answers, COM5 mapped to nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ups/comm_port_win.h"

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

std::string Query(CommPort& port, const std::string& command, DWORD wanted = 54) {
  if (!Send(port, command)) return "<write failed>";
  std::vector<char> buffer(wanted + 1, '\0');
  DWORD got = 0;
  if (port.Read(buffer.data(), &wanted, &got) != 1) return "<read failed>";
  return std::string(buffer.data(), got);
}

void HundredStatusQueries(const char* name, DWORD rate, int* whole) {
  CommPort port;
  ASSERT_EQ(port.Open(Settings(rate), name), 1) << name;
  for (int i = 0; i < 100; ++i) {
    const std::string reply = Query(port, "Q1\r");
    if (reply.size() == 47 && reply.front() == '(' && reply.back() == '\r') {
      ++*whole;
    } else {
      ADD_FAILURE() << name << " query " << i << ": " << reply.size() << " bytes \"" << reply << "\"";
    }
  }
  EXPECT_EQ(port.Close(), 1);
}

}  // namespace

TEST(CommPortOnTheLine, EveryStatusQueryGetsTheWholeReplyInOneRead) {
  int whole[3] = {0, 0, 0};
  std::thread t2400(HundredStatusQueries, "COM1", 2400, &whole[0]);
  std::thread t4800(HundredStatusQueries, "COM2", 4800, &whole[1]);
  std::thread t9600(HundredStatusQueries, "COM3", 9600, &whole[2]);
  t2400.join();
  t4800.join();
  t9600.join();
  EXPECT_EQ(whole[0], 100) << "2400 bit/s";
  EXPECT_EQ(whole[1], 100) << "4800 bit/s";
  EXPECT_EQ(whole[2], 100) << "9600 bit/s";
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
  EXPECT_LE(took, port.ReadBoundMs(54) + 100);
  EXPECT_GE(took, port.ReadBoundMs(54) - 30);
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
