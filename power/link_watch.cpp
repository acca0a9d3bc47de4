#include "power/link_watch.h"

namespace voltaris {

void LinkWatch::Use(LinkKind kind) {
  if (kind == kind_) return;
  Now(kind_) = LinkState::Closed;
  if (kind_ == LinkKind::Serial) missedReplies_ = 0;
  if (kind_ == LinkKind::Usb) usbRecorded_ = LinkNews::None;
  kind_ = kind;
}

void LinkWatch::Reset() {
  states_.fill(LinkState::Closed);
  missedReplies_ = 0;
  usbRecorded_ = LinkNews::None;
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

// The unit answers while its status does. For the records it is found on
// its rating reply and lost when it goes away, each once per change.
LinkNews LinkWatch::UsbPass(bool present, bool ratingAnswers, bool statusAnswers) {
  LinkState& state = Now(LinkKind::Usb);
  if (!present) {
    state = LinkState::Lost;
    return RecordUsb(LinkNews::Lost);
  }
  if (statusAnswers) {
    state = LinkState::Answering;
  } else if (ratingAnswers || IsSeen(state)) {
    state = LinkState::Silent;
  }
  return ratingAnswers ? RecordUsb(LinkNews::Found) : LinkNews::None;
}

LinkNews LinkWatch::RecordUsb(LinkNews news) {
  if (usbRecorded_ == news) return LinkNews::None;
  usbRecorded_ = news;
  return news;
}

LinkNews LinkWatch::ServerAnswers(bool answering) {
  return ChangeState(LinkKind::Network, answering ? LinkState::Answering : LinkState::Lost);
}

}  // namespace voltaris
