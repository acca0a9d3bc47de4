// The link the program asks the UPS through: the commands it lets out, and
// the replies each caller gets back.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "quillon/transport.h"
#include "quillon/ups_link.h"
#include "quillon/usb_transport.h"

using quillon::CommandForCode;
using quillon::CommandForText;
using quillon::UpsLink;

namespace {

// Answers Q1 and F like a UPS; records what was sent.
class FakeTransport : public quillon::Transport {
 public:
  bool connected = true;
  std::vector<std::string> sent;
  bool EnsureConnected() override { return connected; }
  bool Send(const std::string& command) override {
    sent.push_back(command);
    last_ = command;
    return true;
  }
  std::string ReceiveLine() override {
    if (last_ == "Q1\r") return "(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000\r";
    if (last_ == "F\r") return "#220.0 005 12.00 50.0\r";
    return "";
  }
  void Drop() override {}
  char LeadByte() const override { return quillon::kLineLeadByte; }

 private:
  std::string last_;
};

}  // namespace

TEST(QuillonCommands, CodesMapToTheProtocol) {
  EXPECT_EQ(CommandForCode(1), "Q1\r");
  EXPECT_EQ(CommandForCode(3), "F\r");
  EXPECT_EQ(CommandForCode(4), "T\r");
  EXPECT_EQ(CommandForCode(5), "TL\r");
  EXPECT_EQ(CommandForCode(7), "CT\r");
  EXPECT_EQ(CommandForCode(2), std::nullopt);
}

TEST(QuillonCommands, TextsBecomeUpsCommandsAndUnknownTextsAreNotSent) {
  EXPECT_EQ(CommandForText("T05\r"), "T05\r");
  EXPECT_EQ(CommandForText("RS.2R9999\r"), "S02R9999\r");
  EXPECT_EQ(CommandForText("RS.10R9999\r"), "S10R9999\r");
  EXPECT_EQ(CommandForText("R00100075"), "S01R0075\r");
  EXPECT_EQ(CommandForText("R01009999"), "S10R9999\r");
  EXPECT_EQ(CommandForText("R01009998"), "S10R9998\r");
  EXPECT_EQ(CommandForText("R00100000"), "S01R0000\r");
  for (const char* bad : {"", "Q1\r", "RS.xR9999\r", "RS.2R0001\r", "R0010007", "R001000a5", "T5\r", "S01\r"}) {
    EXPECT_EQ(CommandForText(bad), std::nullopt) << bad;
  }
}

// A delay of 0 is "the load off now" on real units: refused, as is more than
// ten minutes, and a restore time four digits cannot carry, whoever asks.
TEST(QuillonCommands, DangerousSwitchOffsAreRefusedAtTheLastGate) {
  EXPECT_EQ(CommandForText("RS.1R9999\r"), "S01R9999\r");
  EXPECT_EQ(CommandForText("RS.01R9999\r"), "S01R9999\r");
  EXPECT_EQ(CommandForText("R00109999"), "S01R9999\r");
  EXPECT_EQ(CommandForText("R01000001"), "S10R0001\r");
  for (const char* bad : {"RS.0R9999\r", "RS.00R9999\r", "RS.11R9999\r", "RS.99R9999\r", "R00000075", "R01100075",
                          "R09909999", "R00110000", "R01012345", "R00199999"}) {
    EXPECT_EQ(CommandForText(bad), std::nullopt) << bad;
  }
}

TEST(QuillonLink, QueriesGiveTheReplyWithALeadByte) {
  auto transport = std::make_unique<FakeTransport>();
  FakeTransport* fake = transport.get();
  UpsLink link(std::move(transport));
  EXPECT_TRUE(link.Present());
  link.Output(3);
  EXPECT_EQ(link.Input(), "U#220.0 005 12.00 50.0\r");
  EXPECT_EQ(link.Input().size(), 23u);
  link.Output(1);
  EXPECT_EQ(link.Input().size(), 48u);
  link.Output(4);  // no reply expected: the last reply stays
  EXPECT_EQ(link.Input().size(), 48u);
  link.Test("bogus");
  EXPECT_EQ(fake->sent, (std::vector<std::string>{"F\r", "Q1\r", "T\r"}));
  fake->connected = false;
  EXPECT_FALSE(link.Present());
  link.Output(1);
  EXPECT_EQ(link.Input(), "");  // no device: no reply
}

TEST(QuillonLink, EachThreadGetsTheReplyToItsOwnQuery) {
  UpsLink link(std::make_unique<FakeTransport>());
  std::atomic<int> mixed{0};
  auto run = [&link, &mixed](int code, size_t length) {
    for (int i = 0; i < 1000; ++i) {
      link.Output(code);
      if (link.Input().size() != length) ++mixed;
    }
  };
  std::thread status(run, 1, 48);
  std::thread rating(run, 3, 23);
  status.join();
  rating.join();
  EXPECT_EQ(mixed, 0);
}

// A unit refused: no device, and the CmdInput right after says which unit,
// after a lead byte no reply has; gone, it says nothing again.
TEST(QuillonLink, ARefusedUnitIsNoDeviceAndNamedToTheCallerAfterALeadByteOfItsOwn) {
  std::deque<std::optional<quillon::FoundUnit>> searches;
  searches.push_back(quillon::FoundUnit{nullptr, quillon::Framing::String, {}, "ATCL FOR UPS ATCL FOR UPS"});
  searches.push_back(quillon::FoundUnit{nullptr, quillon::Framing::String, {}, "ATCL FOR UPS ATCL FOR UPS"});
  searches.push_back(std::nullopt);
  UpsLink link(std::make_unique<quillon::UsbTransport>([&searches] {
    auto found = std::move(searches.front());
    searches.pop_front();
    return found;
  }));
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_FALSE(link.Present());
    EXPECT_EQ(link.Input(), "\x15" "ATCL FOR UPS ATCL FOR UPS") << pass;
  }
  std::string otherThread = "unset";
  std::thread([&] { otherThread = link.Input(); }).join();
  EXPECT_EQ(otherThread, "");  // the word is for the thread that asked
  EXPECT_FALSE(link.Present());
  EXPECT_EQ(link.Input(), "");  // unplugged
  for (const char* reply : {"H(", "S(", "U("}) EXPECT_NE(reply[0], quillon::kRefusedLeadByte);
}

TEST(QuillonLink, NoTransportMeansNoDevice) {
  UpsLink link(nullptr);
  EXPECT_FALSE(link.Present());
  link.Output(1);
  link.Test("T05\r");
  EXPECT_EQ(link.Input(), "");
}
