// The USB framings, against fake units: report units and string-index
// units of each kind.
#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <thread>
#include <vector>

#include "quillon/output_report.h"
#include "quillon/ups_link.h"
#include "quillon/usb_transport.h"
#include "quillon/usb_tunnel.h"
#include "quillon/usb_units.h"

using quillon::UpsLink;

namespace {

using quillon::DeviceRead;
using quillon::Framing;
using quillon::StringKind;

const std::string kStatus = "(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000\r";
const std::string kOldStatus = "(199.0 199.0 199.0 099 50.0 11.0 25.0 10001000\r";
const std::string kRating = "#220.0 005 12.00 50.0\r";

std::string ReplyTo(const std::string& command) {
  if (command == "Q1\r") return kStatus;
  if (command == "F\r") return kRating;
  return "";
}

// `text` cut into reports of `size` bytes, the last one filled with `pad`.
std::vector<std::string> Reports(const std::string& text, size_t size = 8, char pad = '\0') {
  std::vector<std::string> reports;
  for (size_t at = 0; at < text.size(); at += size) {
    std::string report = text.substr(at, size);
    report.resize(size, pad);
    reports.push_back(report);
  }
  return reports;
}

// A unit that answers the previous command's reply: the one before.
std::function<std::vector<std::string>(const std::string&)> Lagging(std::string& previous) {
  return [&previous](const std::string& command) {
    auto reports = Reports(ReplyTo(previous));
    previous = command;
    return reports;
  };
}

// The fake clock both kinds of fake unit run on, in milliseconds.
struct FakeClock {
  uint64_t now = 0;
  quillon::MillisClock Read() {
    return [this] { return now; };
  }
};

// A serial-over-HID unit: hears whole commands in its output reports and
// queues the reports `answer` gives for them. Reading when none is queued
// lets the asked time-out pass on the fake clock.
class FakeReportUnit : public quillon::HidDevice {
 public:
  explicit FakeReportUnit(FakeClock& clock) : clock_(clock) {}

  std::function<std::vector<std::string>(const std::string&)> answer = [](const std::string& c) {
    return Reports(ReplyTo(c));
  };
  std::deque<std::string> queued;    // input reports not read yet
  std::vector<std::string> written;  // output reports, as sent
  std::vector<unsigned> quietWaits;  // time-outs that ran out
  int reportsBeforeGone = -1;        // the unit goes after this many more reports
  int continuationsRefused = 0;      // reports continuing a line it refuses, each after its time-out
  int writesRefused = 0;             // writes it refuses after a continuation was
  int writesHeardLate = 0;           // reports it takes after the write's time-out: failed, yet heard
  std::vector<std::string> lines;    // whole lines it took, up to their CR
  unsigned writeTakesMs = 0;         // how long a report it takes takes to go out

  bool Alive() override { return reportsBeforeGone != 0; }
  size_t OutputReportSize() const override { return 8; }
  quillon::ReportWrite WriteReport(const std::string& report) override {
    if (!heard_.empty() && continuationsRefused > 0 && continuationsRefused--) return Refuse();
    if (writesRefused > 0 && writesRefused--) return Refuse();
    const bool late = writesHeardLate > 0 && writesHeardLate--;
    written.push_back(report);
    clock_.now += late ? 1000 : writeTakesMs;
    heard_ += report.substr(0, report.find('\0'));
    if (heard_.back() == '\r') {
      lines.push_back(heard_);
      for (const auto& r : answer(heard_)) queued.push_back(r);
      heard_.clear();
    }
    return late ? quillon::ReportWrite::Failed : quillon::ReportWrite::Sent;
  }
  DeviceRead ReadReport(std::string& report, unsigned timeoutMs) override {
    if (reportsBeforeGone == 0) return DeviceRead::Gone;
    if (queued.empty()) {
      if (timeoutMs > 0) quietWaits.push_back(timeoutMs);
      clock_.now += timeoutMs;
      return DeviceRead::Failed;
    }
    if (reportsBeforeGone > 0) --reportsBeforeGone;
    report = queued.front();
    queued.pop_front();
    clock_.now += 2;
    return DeviceRead::Got;
  }
  DeviceRead ReadString(uint8_t, uint16_t, size_t, std::u16string&) override { return DeviceRead::Failed; }

 private:
  quillon::ReportWrite Refuse() {
    clock_.now += 1000;
    return quillon::ReportWrite::Refused;
  }

  FakeClock& clock_;
  std::string heard_;
};

// A string-index unit: each index's text, with the status reply's first
// byte not "(" and no CR, as such units send them.
class FakeStringUnit : public quillon::HidDevice {
 public:
  explicit FakeStringUnit(FakeClock& clock) : clock_(clock) {}

  std::map<uint8_t, std::u16string> strings = {
      {0x03, u"#220.0 220.0 220.0 012 50.0 13.6 25.0 00001000"},
      {0x0d, u"#220.0 005 12.00 50.0"},
      {0x04, u""}, {0x05, u""}, {0x0b, u""},
  };
  std::deque<std::u16string> firstAnswers;  // given before the right string
  int refusals = 0;                         // requests refused first
  bool goesAtNextRequest = false;
  // Like a hunnox unit: not opened with 0x00, 0x00, 0x01, it keeps
  // answering the status it had then.
  bool freezesUnopened = false;
  std::vector<uint8_t> asked;
  std::vector<uint16_t> languages;
  std::vector<size_t> mostUnitsAsked;
  int reportReads = 0;

  bool Alive() override { return !gone_; }
  size_t OutputReportSize() const override { return 8; }
  quillon::ReportWrite WriteReport(const std::string&) override { return quillon::ReportWrite::Refused; }
  DeviceRead ReadReport(std::string&, unsigned timeoutMs) override {
    ++reportReads;
    clock_.now += timeoutMs;
    return DeviceRead::Failed;
  }
  DeviceRead ReadString(uint8_t index, uint16_t language, size_t mostUnits, std::u16string& text) override {
    asked.push_back(index);
    languages.push_back(language);
    mostUnitsAsked.push_back(mostUnits);
    clock_.now += 5;
    gone_ = gone_ || goesAtNextRequest;
    if (gone_) return DeviceRead::Gone;
    if (refusals > 0 && refusals--) return DeviceRead::Failed;
    if (!firstAnswers.empty()) {
      text = firstAnswers.front();
      firstAnswers.pop_front();
      return DeviceRead::Got;
    }
    const bool opened = asked.size() > 3 && asked[0] == 0x00 && asked[1] == 0x00 && asked[2] == 0x01;
    if (freezesUnopened && index == 0x03 && !opened) {
      text = u"(199.0 199.0 199.0 099 50.0 11.0 25.0 10001000";
      return DeviceRead::Got;
    }
    const auto found = strings.find(index);
    if (found == strings.end()) return DeviceRead::Failed;
    text = found->second;
    return DeviceRead::Got;
  }

 private:
  FakeClock& clock_;
  bool gone_ = false;
};

// A link over one fake unit, which the finder hands out once.
template <typename Unit>
struct UsbLinkOver {
  FakeClock clock;
  Unit* unit = nullptr;
  std::unique_ptr<UpsLink> link;
  explicit UsbLinkOver(Framing framing, StringKind kind = StringKind::Krauler) {
    auto owned = std::make_unique<Unit>(clock);
    unit = owned.get();
    auto handOut = std::make_shared<std::unique_ptr<Unit>>(std::move(owned));
    auto finder = [handOut, framing, kind]() -> std::optional<quillon::FoundUnit> {
      if (!*handOut) return std::nullopt;
      return quillon::FoundUnit{std::move(*handOut), framing, kind};
    };
    link = std::make_unique<UpsLink>(std::make_unique<quillon::UsbTransport>(finder, clock.Read()));
  }
  std::string Ask(int code) {
    link->Output(code);
    return link->Input();
  }
};

struct ReportLink : UsbLinkOver<FakeReportUnit> {
  ReportLink() : UsbLinkOver(Framing::Report) {}
};
struct StringLink : UsbLinkOver<FakeStringUnit> {
  explicit StringLink(StringKind kind = StringKind::Krauler) : UsbLinkOver(Framing::String, kind) {}
};

}  // namespace

TEST(QuillonReportFraming, CommandsGoOutInZeroPaddedReportsAndRepliesComeBackWhole) {
  ReportLink usb;
  ASSERT_TRUE(usb.link->Present());
  EXPECT_EQ(usb.Ask(1), "H" + kStatus);
  EXPECT_EQ(usb.Ask(3), "H" + kRating);
  usb.link->Test("R00100075");  // S01R0075 CR: nine bytes, two reports
  const std::string z(1, '\0');
  EXPECT_EQ(usb.unit->written, (std::vector<std::string>{"Q1\r" + z + z + z + z + z, "F\r" + z + z + z + z + z + z,
                                                         "S01R0075", "\r" + z + z + z + z + z + z + z}));
}

TEST(QuillonReportFraming, ARefusedSwitchOffNeverReachesTheUnit) {
  ReportLink usb;
  for (const char* bad : {"RS.0R9999\r", "R00000075", "RS.11R9999\r"}) usb.link->Test(bad);
  EXPECT_TRUE(usb.unit->written.empty());
}

TEST(QuillonReportFraming, AContinuationReportRefusedOnceIsSentAgain) {
  ReportLink usb;
  usb.unit->continuationsRefused = 1;
  usb.link->Test("R00100075");  // S01R0075 CR: the CR's report is refused once
  EXPECT_EQ(usb.unit->lines, std::vector<std::string>{"S01R0075\r"});
  EXPECT_EQ(usb.Ask(1), "H" + kStatus);
}

// The unit holds "S01R0075" without its CR: a status query now would make
// it "S01R0075Q1" CR. Nothing else goes out until the line is finished.
TEST(QuillonReportFraming, ACommandLeftHalfSentIsFinishedBeforeAnythingElse) {
  ReportLink usb;
  usb.unit->continuationsRefused = 1000;
  usb.unit->writeTakesMs = 1000;  // a unit slow to take reports
  const uint64_t start = usb.clock.now;
  usb.link->Test("R00100075");
  EXPECT_LE(usb.clock.now - start, 3000u);  // tried again only while the exchange's time lasts
  usb.unit->writeTakesMs = 0;
  const uint64_t again = usb.clock.now;
  EXPECT_EQ(usb.Ask(1), "");
  EXPECT_GE(usb.clock.now - again, 2000u);  // its rest tried again first
  EXPECT_EQ(usb.Ask(3), "");
  EXPECT_TRUE(usb.unit->lines.empty());
  usb.unit->continuationsRefused = 0;
  EXPECT_EQ(usb.Ask(1), "");  // this call finishes the switch-off, and only that
  EXPECT_EQ(usb.unit->lines, std::vector<std::string>{"S01R0075\r"});
  EXPECT_EQ(usb.Ask(1), "H" + kStatus);
  // The same command sent again finishes itself, never doubled.
  usb.unit->lines.clear();
  usb.unit->continuationsRefused = 1000;
  usb.link->Test("RS.2R9999\r");
  usb.unit->continuationsRefused = 0;
  usb.link->Test("RS.2R9999\r");
  EXPECT_EQ(usb.unit->lines, std::vector<std::string>{"S02R9999\r"});
  // A command whose first report is refused was never begun: nothing to finish.
  usb.unit->lines.clear();
  usb.unit->writesRefused = 1;
  usb.link->Test("R00100075");
  EXPECT_EQ(usb.Ask(1), "H" + kStatus);
  EXPECT_EQ(usb.unit->lines, std::vector<std::string>{"Q1\r"});
  // One whose first report went out too late may have been heard: its rest follows at once.
  usb.unit->lines.clear();
  usb.unit->writesHeardLate = 1;
  usb.link->Test("R00100075");
  EXPECT_EQ(usb.Ask(1), "H" + kStatus);
  EXPECT_EQ(usb.unit->lines, (std::vector<std::string>{"S01R0075\r", "Q1\r"}));
}

// The caller is told (Cmdtest's result) when a switch-off may have reached
// the unit in part: its second report never taken, or its first taken too
// late to know. Sent whole, or never begun, it is no such news.
TEST(QuillonReportFraming, ASwitchOffWhoseRestIsNeverTakenMayHaveBeenSent) {
  using quillon::CommandFate;
  ReportLink usb;
  EXPECT_EQ(usb.link->Test("R00100075"), CommandFate::Sent);
  usb.unit->continuationsRefused = 1000;
  EXPECT_EQ(usb.link->Test("RS.2R9999\r"), CommandFate::MaybeSent);
  EXPECT_EQ(usb.link->Test("RS.2R9999\r"), CommandFate::NotSent);  // only its rest tried: this one not begun
  usb.unit->continuationsRefused = 0;
  EXPECT_EQ(usb.link->Test("R00100075"), CommandFate::NotSent);  // the call that finishes the last one
  EXPECT_EQ(usb.unit->lines, (std::vector<std::string>{"S01R0075\r", "S02R9999\r"}));
  usb.unit->continuationsRefused = 1;  // refused once, taken the second time
  EXPECT_EQ(usb.link->Test("R00100075"), CommandFate::Sent);
  usb.unit->writesRefused = 1;
  EXPECT_EQ(usb.link->Test("R00100075"), CommandFate::NotSent);
  usb.unit->writesHeardLate = 1;
  EXPECT_EQ(usb.link->Test("R00100075"), CommandFate::MaybeSent);
  EXPECT_EQ(usb.link->Test("bogus"), CommandFate::NotSent);
  StringLink strings;
  EXPECT_EQ(strings.link->Test("R00100075"), CommandFate::NotSent);  // no string carries it
}

TEST(QuillonReportFraming, PaddingAfterTheCrIsNoPartOfTheReply) {
  for (const size_t size : {8u, 64u}) {
    ReportLink usb;
    // What such units leave after the CR: bytes of an earlier reply.
    usb.unit->answer = [size](const std::string& c) { return Reports(ReplyTo(c), size, '7'); };
    EXPECT_EQ(usb.Ask(1), "H" + kStatus) << size;
    EXPECT_EQ(usb.Ask(3), "H" + kRating) << size;
  }
}

TEST(QuillonReportFraming, AUnitQuietInTheMiddleOfAReplyGivesNoReplyAfterOneReportTimeOut) {
  ReportLink usb;
  usb.unit->answer = [](const std::string& c) {
    auto reports = Reports(ReplyTo(c));
    reports.resize(3);
    return reports;
  };
  const uint64_t start = usb.clock.now;
  EXPECT_EQ(usb.Ask(1), "");  // never the part that came
  ASSERT_EQ(usb.unit->quietWaits.size(), 1u);
  EXPECT_GE(usb.unit->quietWaits[0], 900u);
  EXPECT_LE(usb.unit->quietWaits[0], 1000u);
  EXPECT_LE(usb.clock.now - start, 1100u);
  // The rest arriving late is not taken for the next reply.
  for (const auto& r : Reports(kOldStatus)) usb.unit->queued.push_back(r);
  usb.unit->answer = [](const std::string& c) { return Reports(ReplyTo(c)); };
  EXPECT_EQ(usb.Ask(1), "H" + kStatus);
}

TEST(QuillonReportFraming, AReportSentTwiceIsTakenOnce) {
  ReportLink usb;
  usb.unit->answer = [](const std::string& c) {
    auto reports = Reports(ReplyTo(c));
    reports.insert(reports.begin() + 2, reports[2]);
    return reports;
  };
  EXPECT_EQ(usb.Ask(1), "H" + kStatus);
  EXPECT_EQ(usb.Ask(3), "H" + kRating);
}

TEST(QuillonReportFraming, AReplyThatRepeatsEightBytesInEarnestIsKept) {
  ReportLink usb;
  const std::string repeating = "(220.0 2(220.0 220.0 012 50.0 13.6 25.0 001000\r";  // bytes 0-7 = 8-15
  usb.unit->answer = [&repeating](const std::string&) { return Reports(repeating); };
  EXPECT_EQ(usb.Ask(1), "H" + repeating);
}

TEST(QuillonReportFraming, ReportsLeftFromAnEarlierCommandAreDroppedBeforeSending) {
  ReportLink usb;
  for (const auto& r : Reports(kOldStatus)) usb.unit->queued.push_back(r);
  EXPECT_EQ(usb.Ask(1), "H" + kStatus);
}

TEST(QuillonReportFraming, AnotherCommandsReplyIsNotTakenForThisOnes) {
  ReportLink usb;
  std::string previous;
  usb.unit->answer = Lagging(previous);
  EXPECT_EQ(usb.Ask(3), "");
  EXPECT_EQ(usb.Ask(1), "");  // the rating reply came
  EXPECT_EQ(usb.Ask(3), "");  // the status reply came
  // The earlier reply first, then this one's: this one's is the reply.
  usb.unit->answer = [&previous](const std::string& c) {
    auto reports = Reports(ReplyTo(previous));
    for (const auto& r : Reports(ReplyTo(c))) reports.push_back(r);
    previous = c;
    return reports;
  };
  EXPECT_EQ(usb.Ask(1), "H" + kStatus);
  EXPECT_EQ(usb.Ask(3), "H" + kRating);
}

TEST(QuillonReportFraming, AUnitGoneInTheMiddleOfAReplyEndsTheCallAndIsNoLongerPresent) {
  ReportLink usb;
  ASSERT_TRUE(usb.link->Present());
  usb.unit->reportsBeforeGone = 2;
  const uint64_t start = usb.clock.now;
  EXPECT_EQ(usb.Ask(1), "");
  EXPECT_LE(usb.clock.now - start, 100u);  // no time-out waited for
  EXPECT_FALSE(usb.link->Present());
}

TEST(QuillonStringFraming, CommandsAreStringIndexesAndTheStatusReplyStartsWithAParenthesis) {
  StringLink usb;
  EXPECT_EQ(usb.Ask(1), "S(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000\r");
  EXPECT_EQ(usb.Ask(3), "S" + kRating);
  for (int code : {4, 5, 7}) usb.link->Output(code);
  EXPECT_EQ(usb.unit->asked, (std::vector<uint8_t>{0x03, 0x0d, 0x04, 0x05, 0x0b}));
  EXPECT_EQ(usb.unit->languages, std::vector<uint16_t>(5, 0x0409));
}

TEST(QuillonStringFraming, CommandsWithoutAStringAreRefusedAndTheUnitStaysPresent) {
  StringLink usb;
  ASSERT_TRUE(usb.link->Present());
  for (const char* text : {"T05\r", "RS.2R9999\r", "R00100075"}) usb.link->Test(text);
  EXPECT_TRUE(usb.unit->asked.empty());
  EXPECT_TRUE(usb.link->Present());
}

TEST(QuillonStringFraming, ARefusingUnitIsAskedTenTimesAtMost) {
  StringLink usb;
  usb.unit->refusals = 9;
  EXPECT_EQ(usb.Ask(3), "S" + kRating);
  EXPECT_EQ(usb.unit->asked.size(), 10u);
  usb.unit->asked.clear();
  usb.unit->refusals = 10;
  EXPECT_EQ(usb.Ask(3), "");
  EXPECT_EQ(usb.unit->asked.size(), 10u);
}

TEST(QuillonStringFraming, ABusyUnitOrAnotherCommandsStringIsAskedAgain) {
  StringLink usb;
  for (const char16_t* busy : {u"UPS No Ack", u"UPS No Ack\r", u"UPS NO ACK"}) {
    usb.unit->firstAnswers = {busy};
    usb.link->Output(4);  // the test is started, not taken as done
    EXPECT_EQ(usb.unit->asked, (std::vector<uint8_t>{0x04, 0x04}));
    usb.unit->asked.clear();
  }
  usb.unit->firstAnswers = {u"#220.0 005 12.00 50.0"};  // the rating string for a status query
  EXPECT_EQ(usb.Ask(1), "S(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000\r");
  EXPECT_EQ(usb.unit->asked.size(), 2u);
}

TEST(QuillonStringFraming, TheTextEndsAtItsCrOrZeroAndAnythingBeyondAsciiIsMarked) {
  EXPECT_EQ(quillon::TextFromUtf16(u"ab\u00e9c"), "ab?c");
  EXPECT_EQ(quillon::TextFromUtf16(std::u16string(u"ab") + char16_t(0) + u"cd"), "ab");
  StringLink usb;
  usb.unit->strings[0x0d] = u"#220.0 005 12.00 50.0\r\u00ff\u00ff";
  EXPECT_EQ(usb.Ask(3), "S" + kRating);
}

TEST(QuillonStringFraming, AUnitGoneIsNotAskedAgainAndIsNoLongerPresent) {
  StringLink usb;
  ASSERT_TRUE(usb.link->Present());
  usb.unit->goesAtNextRequest = true;
  EXPECT_EQ(usb.Ask(1), "");
  EXPECT_EQ(usb.unit->asked.size(), 1u);
  EXPECT_FALSE(usb.link->Present());
}

// ---- The kinds of string-index unit -----------------------------------------

namespace {

// The index each command is asked at (the last request it makes), or -1
// when the kind refuses it.
std::vector<int> IndexesAsked(StringKind kind) {
  FakeClock clock;
  auto owned = std::make_unique<FakeStringUnit>(clock);
  FakeStringUnit* unit = owned.get();
  auto framing = quillon::MakeFraming(Framing::String, std::move(owned), clock.Read(), kind);
  std::vector<int> indexes;
  for (const char* command : {"Q1\r", "F\r", "I\r", "T\r", "TL\r", "Q\r", "C\r", "CT\r"}) {
    unit->asked.clear();
    framing->Send(command);
    indexes.push_back(unit->asked.empty() ? -1 : unit->asked.back());
  }
  return indexes;
}

}  // namespace

TEST(QuillonStringKinds, EachKindAsksItsOwnIndexes) {
  EXPECT_EQ(IndexesAsked(StringKind::Krauler), (std::vector<int>{0x03, 0x0d, 0x0c, 0x04, 0x05, 0x07, 0x0b, 0x0b}));
  EXPECT_EQ(IndexesAsked(StringKind::Fabula), (std::vector<int>{0x03, 0x0d, 0x0c, -1, -1, 0x07, 0x0a, -1}));
  EXPECT_EQ(IndexesAsked(StringKind::Hunnox), (std::vector<int>{0x03, 0x0d, 0x0c, -1, -1, 0x07, 0x0a, -1}));
  EXPECT_EQ(IndexesAsked(StringKind::Snr), (std::vector<int>{0x03, 0x0d, 0x0c, -1, -1, -1, -1, -1}));
}

TEST(QuillonStringKinds, FabulaTakesItsRepliesAsTheyComeAndAsksOnce) {
  StringLink usb(StringKind::Fabula);
  usb.unit->strings[0x03] = u"(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000";
  EXPECT_EQ(usb.Ask(1), "S" + kStatus);
  usb.unit->strings[0x03] = u"#220.0 220.0 220.0 012 50.0 13.6 25.0 00001000";  // no first byte put right
  EXPECT_EQ(usb.Ask(1), "");
  // "UPS No Ack" is no reply to a query, and not asked again.
  usb.unit->asked.clear();
  usb.unit->firstAnswers = {u"UPS No Ack"};
  EXPECT_EQ(usb.Ask(3), "");
  EXPECT_EQ(usb.unit->asked, std::vector<uint8_t>{0x0d});
  // Refused or unfit, it is not asked again either.
  usb.unit->asked.clear();
  usb.unit->refusals = 1;
  EXPECT_EQ(usb.Ask(3), "");
  EXPECT_EQ(usb.unit->asked, std::vector<uint8_t>{0x0d});
  // "UPS No Ack" is how it takes a command.
  FakeClock clock;
  auto owned = std::make_unique<FakeStringUnit>(clock);
  owned->firstAnswers = {u"UPS No Ack"};
  auto framing = quillon::MakeFraming(Framing::String, std::move(owned), clock.Read(), StringKind::Fabula);
  EXPECT_TRUE(framing->Send("C\r"));
}

TEST(QuillonStringKinds, HunnoxIsAskedInItsOwnOrderAndItsStatusFreezesOtherwise) {
  StringLink usb(StringKind::Hunnox);
  usb.unit->freezesUnopened = true;
  usb.unit->strings[0x03] = u"(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000";
  for (int i = 0; i < 5; ++i) EXPECT_EQ(usb.Ask(1), "S" + kStatus) << i;
  EXPECT_EQ(usb.Ask(3), "S" + kRating);
  // Opened, then before each command the next of 0x0d, 0x03, 0x0c unless it is the command's own.
  EXPECT_EQ(usb.unit->asked, (std::vector<uint8_t>{0x00, 0x00, 0x01, 0x03, 0x0d, 0x03, /* 0x03 */ 0x03, 0x0c, 0x03,
                                                   0x0d, 0x03, 0x03, 0x0d}));
  EXPECT_EQ(usb.unit->mostUnitsAsked, std::vector<size_t>(usb.unit->asked.size(), 50u));  // 102 bytes
  // Spoken to as krauler, the same unit keeps its first status.
  StringLink krauler;
  krauler.unit->freezesUnopened = true;
  krauler.unit->strings[0x03] = u"(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000";
  EXPECT_EQ(krauler.Ask(1), "S(199.0 199.0 199.0 099 50.0 11.0 25.0 10001000\r");
  EXPECT_EQ(krauler.Ask(1), "S(199.0 199.0 199.0 099 50.0 11.0 25.0 10001000\r");
}

TEST(QuillonStringKinds, SnrReadsAReportBeforeEachQueryAndKraulerDoesNot) {
  StringLink snr(StringKind::Snr);
  EXPECT_EQ(snr.Ask(1), "S(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000\r");
  EXPECT_EQ(snr.Ask(3), "S" + kRating);
  EXPECT_EQ(snr.unit->reportReads, 2);
  EXPECT_EQ(snr.unit->mostUnitsAsked, std::vector<size_t>(snr.unit->asked.size(), 50u));  // 102 bytes
  StringLink krauler;
  EXPECT_EQ(krauler.Ask(1), "S(220.0 220.0 220.0 012 50.0 13.6 25.0 00001000\r");
  EXPECT_EQ(krauler.unit->reportReads, 0);
  EXPECT_EQ(krauler.unit->mostUnitsAsked, std::vector<size_t>{126u});
}
