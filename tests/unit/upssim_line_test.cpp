// The simulator as a host sees it: a real pseudo-terminal, paced bytes, the
// control socket and the command log.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "quillon/usb_framing.h"
#include "quillon/usb_tunnel.h"
#include "quillon/usb_units.h"
#include "tests/unit/test_folder.h"
#include "tools/upssim/options.h"
#include "tools/upssim/ups_model.h"
#include "tools/upssim/usb_play.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Runs upssim with arguments; reads the first line it prints; kills it on destruction.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      close(out[0]);
      std::vector<char*> argv{const_cast<char*>(UPSSIM_PATH)};
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(UPSSIM_PATH, argv.data());
      _exit(127);
    }
    close(out[1]);
    outFd_ = out[0];
    char c;
    while (read(outFd_, &c, 1) == 1 && c != '\n') firstLine_ += c;
  }
  ~SimProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (outFd_ >= 0) close(outFd_);
  }
  const std::string& FirstLine() const { return firstLine_; }
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int outFd_ = -1;
  std::string firstLine_;
};

// The host end of the line, set up the way a serial driver would.
class HostLine {
 public:
  HostLine(const std::string& path, speed_t speed, tcflag_t extraFlags = 0) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY);
    termios t = {};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    t.c_cflag &= ~(CSTOPB | PARENB | PARODD);
    t.c_cflag |= extraFlags | CLOCAL | CREAD;
    tcsetattr(fd_, TCSANOW, &t);
  }
  ~HostLine() { close(fd_); }
  bool ok() const { return fd_ >= 0; }

  void Send(const std::string& bytes) {
    ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    sentAt_ = Clock::now();
  }
  // Reads until CR or until nothing comes for `quietMs`.
  std::string ReadReply(int quietMs = 400) {
    std::string reply;
    pollfd p{fd_, POLLIN, 0};
    while (poll(&p, 1, quietMs) == 1) {
      char c;
      if (read(fd_, &c, 1) != 1) break;
      reply += c;
      if (c == '\r') {
        crAt_ = Clock::now();
        break;
      }
    }
    return reply;
  }
  double MillisToCr() const {
    return std::chrono::duration<double, std::milli>(crAt_ - sentAt_).count();
  }

 private:
  int fd_ = -1;
  Clock::time_point sentAt_, crAt_;
};

std::string Control(const std::string& socketPath, const std::string& line) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socketPath.c_str());
  for (int i = 0; i < 100 && connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0; ++i) {
    usleep(10000);  // the simulator binds right after printing its line
  }
  const std::string out = line + "\n";
  EXPECT_EQ(write(fd, out.data(), out.size()), static_cast<ssize_t>(out.size()));
  std::string reply;
  char c;
  while (read(fd, &c, 1) == 1 && c != '\n') reply += c;
  close(fd);
  return reply;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

constexpr char kHealthy[] = "(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000\r";

}  // namespace

TEST(UpssimLine, RepliesArePacedAtTheBitRate) {
  SimProcess sim({});
  ASSERT_EQ(sim.FirstLine().rfind("/dev/pts/", 0), 0u) << sim.FirstLine();
  HostLine host(sim.FirstLine(), B2400);
  ASSERT_TRUE(host.ok());
  for (int i = 0; i < 3; ++i) {
    host.Send("Q1\r");
    EXPECT_EQ(host.ReadReply(), kHealthy);
    EXPECT_GE(host.MillisToCr(), 190.0);  // 47 characters at 2400 8N1: 196 ms
    EXPECT_LT(host.MillisToCr(), 400.0);
  }
  host.Send("F\r");
  EXPECT_EQ(host.ReadReply(), "#220.0 005 12.00 50.0\r");
  EXPECT_GE(host.MillisToCr(), 90.0);  // 22 characters: 92 ms
}

TEST(UpssimLine, FasterRateGivesFasterReplies) {
  SimProcess sim({"--rate", "9600"});
  HostLine host(sim.FirstLine(), B9600);
  host.Send("Q1\r");
  EXPECT_EQ(host.ReadReply(), kHealthy);
  EXPECT_GE(host.MillisToCr(), 48.0);
  EXPECT_LT(host.MillisToCr(), 150.0);
}

TEST(UpssimLine, MismatchedSettingsGarbleTheLine) {
  const struct {
    speed_t speed;
    tcflag_t flags;
  } mismatches[] = {{B9600, 0}, {B4800, 0}, {B1200, 0}, {B2400, CSTOPB}};
  SimProcess sim({});
  for (const auto& m : mismatches) {
    HostLine host(sim.FirstLine(), m.speed, m.flags);
    host.Send("Q1\r");
    EXPECT_NE(host.ReadReply(), kHealthy);
  }
  HostLine host(sim.FirstLine(), B2400);  // settings fixed: the line works again
  host.Send("Q1\r");
  EXPECT_EQ(host.ReadReply(), kHealthy);
}

TEST(UpssimLine, SurvivesGarbageAndLogsEveryCommand) {
  voltaris::testing::TestFolder folder("upssim-test");
  const std::string& dir = folder.path();
  SimProcess sim({"--log", dir + "/commands.log"});
  HostLine host(sim.FirstLine(), B2400);
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 97 + 13) & 0xFF);
  host.Send(garbage + "\r");
  host.ReadReply(300);  // whatever the garbage provoked
  host.Send("T\rQ1\r");
  const std::string reply = host.ReadReply();
  EXPECT_EQ(reply.size(), 47u);
  EXPECT_EQ(reply[43], '1') << reply;  // b2: the 10-second test is running
  const std::string log = ReadFile(dir + "/commands.log");
  EXPECT_NE(log.find(" T\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" Q1\n"), std::string::npos) << log;
  EXPECT_NE(log.find("[noise: "), std::string::npos) << log;
}

TEST(UpssimLine, ControlChannelChangesTheStateAndRejectsBadCommands) {
  voltaris::testing::TestFolder folder("upssim-test");
  const std::string& dir = folder.path();
  const std::string control = dir + "/control";
  SimProcess sim({"--control", control});
  HostLine host(sim.FirstLine(), B2400);
  EXPECT_EQ(Control(control, "mains fail"), "OK");
  EXPECT_EQ(Control(control, "mains sideways"), "ERR expected \"mains fail|ok\"");
  EXPECT_EQ(Control(control, "\x01\x02garbage"), "ERR unknown action \"\x01\x02garbage\"");
  host.Send("Q1\r");
  EXPECT_EQ(host.ReadReply().substr(38, 1), "1");
  EXPECT_EQ(Control(control, "unplug"), "OK");
  host.Send("Q1\r");
  EXPECT_EQ(host.ReadReply(400), "");
  EXPECT_EQ(Control(control, "plug"), "OK");
  EXPECT_EQ(Control(control, "cut 20"), "OK");
  host.Send("Q1\r");
  EXPECT_EQ(host.ReadReply(400).size(), 20u);
  EXPECT_EQ(Control(control, "trail 7"), "OK");  // noise after every reply: 27 bytes, no CR
  host.Send("Q1\r");
  const std::string trailed = host.ReadReply(400);
  ASSERT_EQ(trailed.size(), 27u);
  EXPECT_EQ(static_cast<unsigned char>(trailed[20]) & 0x80, 0x80);
  EXPECT_EQ(Control(control, "status").rfind("OK (000.0 220.0 220.0", 0), 0u);
}

TEST(UpssimLine, ScenarioStepsHappenOnTime) {
  voltaris::testing::TestFolder folder("upssim-test");
  const std::string& dir = folder.path();
  std::ofstream(dir + "/s.txt") << "at 0.3 mains fail\nat 1.4 mains ok\n";
  SimProcess sim({"--scenario", dir + "/s.txt"});
  HostLine host(sim.FirstLine(), B2400);
  host.Send("Q1\r");
  EXPECT_EQ(host.ReadReply()[38], '0');
  usleep(300000);
  host.Send("Q1\r");
  EXPECT_EQ(host.ReadReply()[38], '1');
  usleep(1000000);
  host.Send("Q1\r");
  EXPECT_EQ(host.ReadReply()[38], '0');
}

TEST(UpssimLine, BadScenarioFileIsRejectedWithItsLine) {
  voltaris::testing::TestFolder folder("upssim-test");
  const std::string& dir = folder.path();
  std::ofstream(dir + "/bad.txt") << "at 1 mains fail\nat 2 flood\n";
  const std::string cmd = std::string(UPSSIM_PATH) + " --scenario " + dir + "/bad.txt 2>" + dir + "/err";
  EXPECT_EQ(WEXITSTATUS(std::system(cmd.c_str())), 2);
  EXPECT_NE(ReadFile(dir + "/err").find("bad.txt: line 2: unknown action \"flood\""), std::string::npos);
}

// ---- The string units of the id 0001:0000 it plays ----------------------------

namespace {

namespace tunnel = quillon::tunnel;
using quillon::DeviceRead;
using quillon::StringKind;
using upssim::UsbKind;

// A unit the simulator plays, reached as the link library's framings reach
// one: each request goes through the tunnel's frames to the play and a model.
class PlayedUnit : public quillon::HidDevice {
 public:
  explicit PlayedUnit(UsbKind kind) : play_(upssim::UsbFamily::String, 8, kind) {}

  upssim::UpsModel model;
  std::vector<std::string> commands;  // what reached the model

  bool Alive() override { return true; }
  size_t OutputReportSize() const override { return 8; }
  quillon::ReportWrite WriteReport(const std::string&) override { return quillon::ReportWrite::Refused; }
  DeviceRead ReadReport(std::string&, unsigned) override { return DeviceRead::Failed; }
  DeviceRead ReadString(uint8_t index, uint16_t language, size_t mostUnits, std::u16string& text) override {
    for (const auto& heard : play_.Feed(tunnel::StringRequest(index, language))) {
      std::optional<std::string> reply;
      if (!heard.command.empty()) {
        commands.push_back(heard.command);
        reply = model.HandleCommand(heard.command, 0).value_or("");
      }
      std::string frames = play_.StringReply(heard, reply);
      const auto frame = tunnel::TakeFrame(frames);
      const auto descriptor = frame ? tunnel::DescriptorText(frame->payload) : std::nullopt;
      if (!descriptor) return DeviceRead::Failed;
      text = descriptor->substr(0, mostUnits);
      return DeviceRead::Got;
    }
    return DeviceRead::Failed;
  }
  tunnel::Identity Identity() {
    std::string frames = play_.IdentityReply();
    const auto frame = tunnel::TakeFrame(frames);
    return frame ? tunnel::ParseIdentity(frame->payload).value_or(tunnel::Identity{}) : tunnel::Identity{};
  }

 private:
  upssim::UsbPlay play_;
};

// A played unit behind the string framing of `kind`.
struct PlayedLink {
  PlayedUnit* unit = nullptr;
  std::unique_ptr<quillon::Transport> framing;
  PlayedLink(UsbKind played, StringKind spokenAs) {
    auto owned = std::make_unique<PlayedUnit>(played);
    unit = owned.get();
    framing = quillon::MakeFraming(quillon::Framing::String, std::move(owned), [] { return uint64_t{0}; }, spokenAs);
  }
  std::string Ask(const std::string& command) { return framing->Send(command) ? framing->ReceiveLine() : ""; }
};

}  // namespace

// The link library tells each kind by the strings the played unit gives,
// and each answers its own framing with the model's status: a mains
// failure shows in the next one.
TEST(UpssimUsb, EachKindGivesItsStringsAndAnswersItsOwnFraming) {
  const std::pair<UsbKind, StringKind> kinds[] = {
      {UsbKind::Krauler, StringKind::Krauler}, {UsbKind::Fabula, StringKind::Fabula}, {UsbKind::Hunnox, StringKind::Hunnox}};
  for (const auto& [played, expected] : kinds) {
    PlayedLink usb(played, expected);
    const tunnel::Identity identity = usb.unit->Identity();
    EXPECT_EQ(identity.vendor, 0x0001);
    EXPECT_EQ(identity.product, 0x0000);
    EXPECT_EQ(quillon::KindOfPlayedUnit(identity.vendor, identity.product, {identity.manufacturer, identity.productName}),
              expected);
    const std::string status = usb.Ask("Q1\r");
    ASSERT_EQ(status.size(), 47u) << static_cast<int>(played);
    EXPECT_EQ(status[0], '(');
    EXPECT_EQ(status[38], '0');
    EXPECT_EQ(usb.Ask("F\r"), usb.unit->model.RatingLine());
    usb.unit->model.SetMainsFailed(true);
    EXPECT_EQ(usb.Ask("Q1\r")[38], '1') << static_cast<int>(played);
  }
  // Fabula: C at 0x0a, taken with "UPS No Ack"; no tests.
  PlayedLink fabula(UsbKind::Fabula, StringKind::Fabula);
  EXPECT_TRUE(fabula.framing->Send("C\r"));
  EXPECT_FALSE(fabula.framing->Send("T\r"));
  EXPECT_EQ(fabula.unit->commands, std::vector<std::string>{"C"});
  // Spoken to as krauler, 0x0a is nothing to a krauler unit's play and 0x0b nothing to fabula's.
  PlayedLink kraulerOnFabula(UsbKind::Fabula, StringKind::Krauler);
  kraulerOnFabula.framing->Send("CT\r");
  EXPECT_TRUE(kraulerOnFabula.unit->commands.empty());
}

// Hunnox: opened otherwise than with 0x00, 0x00, 0x01, it answers its first
// status for good, as real ones do.
TEST(UpssimUsb, AHunnoxSpokenToOutOfItsOrderKeepsItsFirstStatus) {
  PlayedLink krauler(UsbKind::Hunnox, StringKind::Krauler);
  ASSERT_EQ(krauler.Ask("Q1\r").size(), 47u);
  krauler.unit->model.SetMainsFailed(true);
  EXPECT_EQ(krauler.Ask("Q1\r")[38], '0');
  EXPECT_EQ(krauler.unit->commands.size(), 2u);  // asked, and answered the old status
}

// Fuji: refused by its strings, and it answers no string anyway: a link
// forced to speak to it gets nothing.
TEST(UpssimUsb, AFujiIsRefusedByItsStringsAndAnswersNoString) {
  PlayedLink fuji(UsbKind::Fuji, StringKind::Krauler);
  const tunnel::Identity identity = fuji.unit->Identity();
  const quillon::UnitStrings strings{identity.manufacturer, identity.productName};
  EXPECT_FALSE(quillon::KindOfPlayedUnit(identity.vendor, identity.product, strings));
  EXPECT_EQ(quillon::RefusalText(strings), "ATCL FOR UPS ATCL FOR UPS");
  EXPECT_EQ(fuji.Ask("Q1\r"), "");
  EXPECT_EQ(fuji.Ask("F\r"), "");
  EXPECT_TRUE(fuji.unit->commands.empty());
}

TEST(UpssimUsb, TheKindIsAnOptionOfTheStringFamily) {
  const auto parse = [](std::vector<std::string> args, std::string& error) {
    std::vector<char*> argv{const_cast<char*>("upssim")};
    for (auto& a : args) argv.push_back(a.data());
    return upssim::ParseOptions(static_cast<int>(argv.size()), argv.data(), error);
  };
  std::string error;
  const auto fabula = parse({"--tcp", "0", "--usb-kind", "fabula"}, error);
  ASSERT_TRUE(fabula) << error;
  EXPECT_EQ(fabula->usbFamily, upssim::UsbFamily::String);
  EXPECT_EQ(fabula->usbKind, UsbKind::Fabula);
  EXPECT_FALSE(parse({"--tcp", "0", "--usb-kind", "phoenix"}, error));
  EXPECT_FALSE(parse({"--tcp", "0", "--usb-family", "report", "--usb-kind", "fuji"}, error));
  EXPECT_FALSE(parse({"--usb-kind", "fuji"}, error));  // no TCP link to play it on
  const auto plain = parse({"--tcp", "0", "--usb-family", "string"}, error);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->usbKind, UsbKind::Krauler);
}
