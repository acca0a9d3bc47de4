// The count-down windows: borderless, always on top, painted from their
// bitmaps with the count and the configured lines; the triangle shows for
// half a second at each tick. Clicks on the OK and Cancel pictures go to the
// count-down that owns the window.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "gui/dialog_win.h"
#include "net/window_channel.h"
#include "power/countdown_ports.h"
#include "power/countdowns.h"
#include "power/power_drill.h"
#include "power/self_tests.h"
#include "schedule/schedule_countdown.h"

namespace voltaris {

class CountdownWindows : public CountdownViews {
 public:
  void Attach(HINSTANCE instance) { instance_ = instance; }
  void Connect(MainsFailCountdown& mainsFail, BatteryLowCountdown& batteryLow, ManualCountdown& manual,
               ScheduleCountdown& schedule, SelfTests& selfTests, PowerDrill& drill) {
    selfTests_ = &selfTests;
    drill_ = &drill;
    mainsFail_ = &mainsFail;
    batteryLow_ = &batteryLow;
    manual_ = &manual;
    schedule_ = &schedule;
  }

  bool IsOpen(CountdownWindow window) const override { return SlotOf(window).IsOpen(); }
  void Open(CountdownWindow window) override;
  void Close(CountdownWindow window) override;
  void Blink(CountdownWindow window, Triangle triangle) override;

  // The program ends: the windows have no owner to take them along.
  void CloseAll();
  // What a window shows, from the count-down that owns it (or, on a window
  // on the service, from the service).
  CountdownPicture PictureOf(CountdownWindow window) const;

  // A window on the service: its count-downs are shown as the service
  // draws them, each second. OK closes one here until the service closes
  // and opens it again; Cancel is the service's to carry out (`cancel`).
  void Mirror(const std::vector<ShownCountdown>& shown);
  void OnMirroredCancel(std::function<void(CountdownWindow)> cancel) { cancel_ = std::move(cancel); }

 private:
  // One count-down window and what it shows; its messages go to the
  // CountdownWindows that keeps it.
  class Slot : public KeptDialog {
   public:
    CountdownWindows* windows = nullptr;
    CountdownWindow which = CountdownWindow::MainsFail;
    bool triangleShown = false;
    Triangle triangle = Triangle::Red;
    bool overOk = false, overCancel = false;

    // Creates the window, not yet shown, without an owner.
    bool Create(HINSTANCE instance, int templateId) {
      return CreateFrom<Slot>(instance, nullptr, templateId) != nullptr;
    }
    void Close() { Destroy(); }

   private:
    template <typename Dialog>
    friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  };

  void Paint(Slot& slot);
  void OnMouseMove(Slot& slot, int x, int y);
  void OnClick(Slot& slot, int x, int y);
  void OnTriangleTimer(Slot& slot);
  void OnMirroredClick(Slot& slot);
  Slot& SlotOf(CountdownWindow window) { return slots_[static_cast<size_t>(window)]; }
  const Slot& SlotOf(CountdownWindow window) const { return slots_[static_cast<size_t>(window)]; }

  HINSTANCE instance_ = nullptr;
  MainsFailCountdown* mainsFail_ = nullptr;
  BatteryLowCountdown* batteryLow_ = nullptr;
  ManualCountdown* manual_ = nullptr;
  ScheduleCountdown* schedule_ = nullptr;
  SelfTests* selfTests_ = nullptr;
  PowerDrill* drill_ = nullptr;
  std::array<Slot, kCountdownWindowCount> slots_;
  bool mirroring_ = false;
  std::array<std::optional<CountdownPicture>, kCountdownWindowCount> mirrored_;
  std::array<bool, kCountdownWindowCount> dismissed_{};
  std::function<void(CountdownWindow)> cancel_;
};

}  // namespace voltaris
