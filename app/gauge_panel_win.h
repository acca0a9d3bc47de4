// The gauge panel inside the main window: six bars with their readouts and
// scales, and the status and link pictures. It is the engine's GaugePort and
// passes each reading on to the data plot while that is open.
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
  // The bitmaps the link pictures are drawn with (the test inspector asks).
  LinkPictures ShownLinkPictures() const { return linkPictures_; }

 private:
  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  void OnInit(HWND hwnd);
  void OnDestroy();
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void ShowReading(int bar, int readout, const GaugeReading& reading);
  void ShowAll(const GaugeReadings& readings);
  void SetBar(int bar, int position);
  void Paint();
  void PaintPictures(HDC dc);
  void PaintScales(HDC dc);
  void InvalidatePictures();

  HINSTANCE instance_ = nullptr;
  DataPlotWindow* plot_ = nullptr;
  HFONT scaleFont_ = nullptr;  // the titles' font is the dialog's label font
  HBRUSH readoutBrush_ = nullptr;
  StatusPictures pictures_ = PicturesOf(UpsStatus{});
  // Down until the engine says otherwise: every repaint draws what it said
  // last, so a lost link stays drawn lost.
  LinkPictures linkPictures_ = LinkPicturesOf(false);
};

}  // namespace voltaris
