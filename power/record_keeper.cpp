#include "power/record_keeper.h"

#include "i18n/catalogue.h"
#include "power/timer_ids.h"

namespace voltaris {

RecordKeeper::RecordKeeper(RecordStore& store, TimerPort& timers, NoticePort& notices, const PowerEvents& events)
    : store_(store), timers_(timers), notices_(notices), events_(events) {}

void RecordKeeper::OwnTimers(TimerTable& table) { table.Own(kTimerRecordRetry, *this); }

void RecordKeeper::Recover() {
  Report(store_.Recover(), true);
  SetWaiting(store_.RowsWaiting());
}

void RecordKeeper::Note(const RecordResult& result) {
  Report(result.error, result.kept);
  if (!result.written) SetWaiting(true);
}

void RecordKeeper::Report(const FileError& error, bool onDisk) {
  if (!error) return;
  const char* where = Tr(onDisk ? Text::RecordsKeptPending : Text::RecordsKeptInMemory);
  notices_.ReportRecordsWaiting(error.message + "\n\n" + Tr(Text::RecordsCannotBeWritten) + where +
                                Tr(Text::RecordsWrittenLater));
}

void RecordKeeper::OnTimer(unsigned) { Flush(); }

void RecordKeeper::Flush() {
  Report(store_.FlushPending(), true);
  SetWaiting(store_.RowsWaiting());
}

void RecordKeeper::SetWaiting(bool waiting) {
  if (waiting == waiting_) return;
  waiting_ = waiting;
  if (waiting) {
    timers_.Arm(kTimerRecordRetry, kRetryMs);
  } else {
    timers_.Kill(kTimerRecordRetry);
  }
  notices_.ShowRecordsWaiting(waiting);
  if (waiting) events_.Announce({PowerEventKind::RecordsWaiting, Tr(Text::NoticeRecordsWaiting)});
}

}  // namespace voltaris
