#include "power/link_watch.h"

namespace voltaris {

void LinkWatch::Use(LinkKind kind) {
  if (kind == kind_) return;
  Now(kind_) = LinkState::Closed;
  if (kind_ == LinkKind::Serial) missedReplies_ = 0;
  kind_ = kind;
}

void LinkWatch::Reset() {
  states_.fill(LinkState::Closed);
  missedReplies_ = 0;
}

// Entering Answering or Silent from Closed or Lost is the UPS found;
// entering Lost from anything else is the UPS lost. Nothing else is news.
LinkNews LinkWatch::ChangeState(LinkKind kind, LinkState next) {
  const LinkState was = State(kind);
  Now(kind) = next;
  if (next == LinkState::Lost) return was == LinkState::Lost ? LinkNews::None : LinkNews::Lost;
  return IsSeen(next) && !IsSeen(was) ? LinkNews::Found : LinkNews::None;
}

LinkNews LinkWatch::SerialPortFailed() { return ChangeState(LinkKind::Serial, LinkState::Lost); }

// A silent UPS on an open port is a lost link too, after a few queries, like
// a port that cannot open.
LinkNews LinkWatch::SerialReplyMissed() {
  ++missedReplies_;
  if (!LostBySilence()) return LinkNews::None;
  return ChangeState(LinkKind::Serial, LinkState::Lost);
}

// A garbled reply long enough to hold something leaves an answering UPS
// answering; it is the next query's to tell.
LinkNews LinkWatch::SerialReply(bool whole, bool cut) {
  if (whole) missedReplies_ = 0;
  const LinkState was = State(LinkKind::Serial);
  LinkState next = LinkState::Silent;
  if (whole && !cut) next = LinkState::Answering;
  if (!whole && !cut && was == LinkState::Answering) next = LinkState::Answering;
  return ChangeState(LinkKind::Serial, next);
}

// The unit is found by either answer; it answers while its status does.
LinkNews LinkWatch::UsbPass(bool present, bool ratingAnswers, bool statusAnswers) {
  if (!present) return ChangeState(LinkKind::Usb, LinkState::Lost);
  if (statusAnswers) return ChangeState(LinkKind::Usb, LinkState::Answering);
  if (ratingAnswers || IsSeen(State(LinkKind::Usb))) return ChangeState(LinkKind::Usb, LinkState::Silent);
  return LinkNews::None;
}

}  // namespace voltaris
