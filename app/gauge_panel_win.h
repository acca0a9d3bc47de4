// The gauge panel inside the main window: six bars with their readouts and
// scales, and the status and link pictures. It is the engine's GaugePort and
// passes each reading on to the data plot while that is open.
#pragma once

#include <windows.h>

#include <functional>

#include "app/data_plot_win.h"
#include "app/gauge_readings.h"
#include "events/engine_ports.h"

namespace voltaris {

class GaugePanel : public GaugePort {
 public:
  // Creates the panel (template 104) in `main` at (101,79), 641 x 366.
  // `linkUp` tells, at each repaint, which link pictures to show.
  bool Create(HINSTANCE instance, HWND main, DataPlotWindow& plot, std::function<bool()> linkUp);
  HWND Handle() const { return hwnd_; }

  void ZeroGauges() override;
  void ZeroUsbGauges() override;
  void DisableTemperatureGauge() override;
  void ShowLinkPictures(bool up) override;
  void ShowReadings(LinkKind link, const UpsStatus& status, const BatteryReading& battery) override;
  void RefreshPlot() override { plot_->Refresh(); }

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void OnInit(HWND hwnd);
  void ShowReading(int bar, int readout, const GaugeReading& reading);
  void SetBar(int bar, int position);
  void Paint();
  void PaintPictures(HDC dc);
  void PaintScales(HDC dc);
  void InvalidatePictures();

  HINSTANCE instance_ = nullptr;
  HWND hwnd_ = nullptr;
  DataPlotWindow* plot_ = nullptr;
  HFONT titleFont_ = nullptr, scaleFont_ = nullptr;
  HBRUSH readoutBrush_ = nullptr;
  StatusPictures pictures_ = PicturesOf(UpsStatus{});
  std::function<bool()> linkUp_;
};

}  // namespace voltaris
