// Whether the UPS answers, one named state per kind of link. The engine
// feeds it what the monitor saw; its transitions say what to record (the
// UPS found or lost) and everyone asks it the one question "does the UPS
// answer?": the tray tip, the drill, the schedule, the network share and
// the bar.
#pragma once

#include <array>
#include <cstddef>

#include "ups/ups_protocol.h"

namespace voltaris {

enum class LinkState {
  Closed,     // nothing recorded of this link since the start or since it was chosen
  Answering,  // found, and the UPS answers
  Silent,     // found, but its last reply was missing, short or garbled
  Lost,       // recorded as lost: the port would not open, the UPS stayed silent or the unit went away
};

// What a transition asks to be recorded.
enum class LinkNews { None, Found, Lost };

class LinkWatch {
 public:
  // A serial UPS that misses this many queries in a row counts as lost; from
  // then on the port is closed and opened again at every status query until
  // the UPS answers.
  static constexpr int kMissedRepliesForLoss = 3;

  // The link in use. Choosing another kind closes the one left, so that its
  // state says nothing about the new link and a later return to it is
  // recorded afresh.
  void Use(LinkKind kind);
  LinkKind Kind() const { return kind_; }
  LinkState State() const { return State(kind_); }
  LinkState State(LinkKind kind) const { return states_[Index(kind)]; }
  bool UpsAnswering() const { return State() == LinkState::Answering; }
  // A new run (after a refused shutdown): every link as at the start.
  void Reset();

  // ---- Serial ----
  // The port could not be opened.
  LinkNews SerialPortFailed();
  // A query brought nothing (or the write or read failed).
  LinkNews SerialReplyMissed();
  // Noise on a line recorded lost ends nothing: only the UPS's own answer does.
  bool IgnoresSerialReply(bool whole) const { return LostBySilence() && !whole; }
  // A reply of some bytes: `whole` is a complete answer of the UPS, `cut`
  // one too short to carry anything (two characters or fewer).
  LinkNews SerialReply(bool whole, bool cut);
  // The port is closed and opened afresh at each query: a line that stopped
  // answering may be an adapter pulled out and plugged back.
  bool ReopensSerialPort() const { return LostBySilence(); }
  int MissedReplies() const { return missedReplies_; }

  // ---- USB ----
  // One pass of the link library: whether the unit is there, and whether
  // its rating and status queries brought an answer.
  LinkNews UsbPass(bool present, bool ratingAnswers, bool statusAnswers);

  // ---- Network ----
  // The server gave a whole reading, or stopped answering (no connection,
  // no reply in time, stale data, a refusal): the client tells each once.
  LinkNews ServerAnswers(bool answering);

 private:
  static size_t Index(LinkKind kind) { return static_cast<size_t>(kind); }
  LinkState& Now(LinkKind kind) { return states_[Index(kind)]; }
  static bool IsSeen(LinkState state) { return state == LinkState::Answering || state == LinkState::Silent; }
  bool LostBySilence() const { return missedReplies_ >= kMissedRepliesForLoss; }
  LinkNews ChangeState(LinkKind kind, LinkState next);
  LinkNews RecordUsb(LinkNews news);

  LinkKind kind_ = LinkKind::Serial;
  std::array<LinkState, 3> states_{LinkState::Closed, LinkState::Closed, LinkState::Closed};
  int missedReplies_ = 0;  // consecutive serial queries without an answer
  LinkNews usbRecorded_ = LinkNews::None;  // what the records last said of the USB unit
};

}  // namespace voltaris
