// The monitoring without windows (Voltaris.exe /headless): the service's,
// or a copy started by hand. It writes what an administrator must know to
// the Application log and serves the users' windows: what they show, and
// the commands and settings they pass on.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/countdown_windows_win.h"
#include "app/event_log_win.h"
#include "app/program_parts.h"
#include "app/program_run.h"
#include "app/window_ports_win.h"
#include "config/config_file.h"
#include "net/window_pipe_win.h"

namespace voltaris {

class HeadlessMonitoring {
 public:
  // What it reads from and carries out on; all of it outlives it.
  struct Program {
    ProgramParts& parts;
    ProgramRun& run;
    ConfigFile& config;
    const CountdownWindows& countdowns;  // their pictures
    const HeadlessViews& views;          // which count-downs are open
    const WindowBalloons& balloons;
  };

  // `window`: the main window, whose thread carries out the users' requests
  // (WM_APP_WINDOW_REQUEST) and whose timer asks again for the pipe.
  HeadlessMonitoring(HWND window, const Program& program);
  ~HeadlessMonitoring();
  HeadlessMonitoring(const HeadlessMonitoring&) = delete;
  HeadlessMonitoring& operator=(const HeadlessMonitoring&) = delete;

  // Each shutdown asked, with why, and the rows' events go here.
  EventLogPort& Log() { return log_; }
  // The work begins at once: the line is the monitoring's from its start.
  // `folderRefused`: why the service's folder was not taken, 0 when it was.
  void Begin(DWORD folderRefused);
  // Also on the retry timer, while the pipe could not be made.
  void ServeWindows();
  void PublishToWindows();
  // The request the pipe's thread handed over under `number`; nonzero when carried out.
  LRESULT OnWindowRequest(unsigned number);
  void StopServing() { pipe_.Stop(); }

 private:
  class RequestSlot;

  LRESULT CarryOut(const WindowRequest& request);
  LRESULT SetForWindow(const WindowRequest& request);
  LRESULT StartTimedTest();

  HWND window_;
  Program p_;
  WindowsEventLog log_;
  std::unique_ptr<RequestSlot> requests_;  // before the pipe, whose thread uses it
  WindowPipeServer pipe_;
  bool pipeFailureLogged_ = false;
};

}  // namespace voltaris
