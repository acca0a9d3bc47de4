// "Data Plot": the last readings of the six quantities as curves in six
// panes, collected only while the window is open.
#pragma once

#include <windows.h>

#include <array>
#include <vector>
#include <functional>
#include <string>

#include "app/data_plot.h"
#include "gui/dialog_win.h"

namespace voltaris {

class DataPlotWindow : public SkinnedDialog {
 public:
  // `link`: the link in use, whose samples are drawn.
  void Attach(HINSTANCE instance, HWND owner, std::function<LinkKind()> link) {
    instance_ = instance;
    owner_ = owner;
    link_ = std::move(link);
  }
  // Command 40008: opens the window unless it is open.
  void Open();
  // A reading from the UPS; kept only while the window is open. Over USB
  // the curves are redrawn at once, over serial by Refresh every second.
  // Refresh redraws only the curves and latest values that changed, and
  // nothing while the window cannot be seen (showing it repaints it all).
  void AddSample(LinkKind link, const PlotSample& sample, const std::string& temperatureText);
  void Refresh();
  // Registers the six pane classes "pic8" to "pic13".
  static bool RegisterPanes(HINSTANCE instance);

 private:
  // One of the six panes, drawing one quantity's curve.
  struct Pane {
    HWND hwnd = nullptr;
    DataPlotWindow* plot = nullptr;
    PlotQuantity quantity = PlotQuantity{};
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  };

  template <typename Dialog>
  friend INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
  void OnInit(HWND hwnd);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void PaintPane(HWND pane, PlotQuantity quantity);
  LinkKind CurrentLink() const;
  void Close();

  HINSTANCE instance_ = nullptr;
  HWND owner_ = nullptr;
  std::function<LinkKind()> link_;
  PlotSamples samples_;
  std::string temperatureText_;
  std::array<Pane, kPlotQuantities> panes_;
  std::array<std::vector<int>, kPlotQuantities> shownCurves_;   // as last redrawn
  std::array<std::string, kPlotQuantities> shownLatest_;
};

}  // namespace voltaris
