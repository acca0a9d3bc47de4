// The gauge panel inside the main window: six bars with their readouts and
// scales, and the status and link pictures. It is the engine's GaugePort and
// passes each reading on to the data plot while that is open.
//
// A reading reaches the controls only when it changes what they show, and
// only while the panel can be seen: with the window behind the tray icon or
// minimised the latest reading waits, and the next paint (when the window is shown)
// puts it up before anything is drawn. Each change costs Wine a trip to its
// server or more, every second, for as long as the program runs.
#pragma once

#include <windows.h>

#include "app/data_plot_win.h"
#include "app/gauge_readings.h"
#include "gui/dialog_win.h"
#include "power/engine_ports.h"

namespace voltaris {

class GaugePanel : public GaugePort, public SkinnedDialog {
 public:
  // Creates the panel (template 104) in `main` at (101,79), 641 x 366.
  bool Create(HINSTANCE instance, HWND main, DataPlotWindow& plot);

  void ZeroGauges() override;
  void ZeroUsbGauges() override;
  void DisableTemperatureGauge() override;
  void ShowLinkPictures(bool up) override;
  void ShowReadings(LinkKind link, const UpsStatus& status, const BatteryReading& battery) override;
  void RefreshPlot() override { plot_->Refresh(); }
  void ShowRuntime(const std::string& text) override;
  // The bitmaps the link pictures are drawn with (the test inspector asks).
  LinkPictures ShownLinkPictures() const { return linkPictures_; }

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  void OnInit(HWND hwnd);
  void OnDestroy();
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void ShowAll(const GaugeReadings& readings);
  void PutUpLatest();
  void PutUp(int gauge, const GaugeReading& reading);
  void Paint();
  void PaintPictures(HDC dc);
  void PaintScales(HDC dc);
  void InvalidatePictures();
  void ShowPictures(const StatusPictures& pictures, const LinkPictures& link);

  HINSTANCE instance_ = nullptr;
  DataPlotWindow* plot_ = nullptr;
  HFONT scaleFont_ = nullptr;  // the titles' font is the dialog's label font
  HBRUSH readoutBrush_ = nullptr;
  static constexpr int kGaugeCount = 6;
  HWND bars_[kGaugeCount] = {};
  HWND readouts_[kGaugeCount] = {};
  HWND runtime_ = nullptr;     // the battery's estimated runtime, under the load and battery gauges
  std::string runtimeShown_, runtimeLatest_;
  GaugeReading shown_[kGaugeCount];   // what the controls show
  GaugeReading latest_[kGaugeCount];  // what they are to show
  StatusPictures pictures_ = PicturesOf(UpsStatus{});
  // Down until the engine says otherwise: every repaint draws what it said
  // last, so a lost link stays drawn lost.
  LinkPictures linkPictures_ = LinkPicturesOf(false);
};

}  // namespace voltaris
