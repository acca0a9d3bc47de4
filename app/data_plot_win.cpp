#include "app/data_plot_win.h"

#include <algorithm>

#include "gui/dialog_win.h"
#include "gui/paint_win.h"
#include "gui/window_thunk_win.h"
#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr COLORREF kPaneGreen = 0xC0FFC0;
constexpr COLORREF kLightGrey = 0xE0E0E0;
constexpr COLORREF kCurveBlue = 0xFF0000;
constexpr int kPaneWidth = 240, kPaneHeight = 150;
constexpr int kClientWidth = 560, kClientHeight = 530;

struct PaneLayout {
  const char* className;
  int x, y;
  Text title;
  int titleX, titleY;
  const char* top;
  int topX, topY;
  const char* bottom;
  int bottomX, bottomY;
  int latestX, latestY;
};
// In the order of PlotQuantity.
constexpr PaneLayout kPanes[kPlotQuantities] = {
    {"pic8", 30, 20, Text::InputVoltage, 35, 4, "280", 5, 15, "60", 5, 160, 200, 4},
    {"pic9", 300, 20, Text::OutputVoltage, 305, 4, "280", 275, 15, "60", 275, 160, 470, 4},
    {"pic10", 30, 195, Text::Load, 35, 179, "120", 5, 190, "0", 13, 335, 200, 179},
    {"pic11", 300, 195, Text::BatteryLevel, 305, 179, "100", 275, 190, "0", 285, 335, 470, 179},
    {"pic12", 30, 370, Text::Temperature, 35, 351, "100", 5, 365, "0", 13, 510, 200, 351},
    {"pic13", 300, 370, Text::Frequency, 305, 351, "70", 280, 365, "40", 280, 510, 470, 351},
};
constexpr int kFirstPaneId = 8;  // panes 8..13, as their classes

void PaintText(HDC dc, int x, int y, const std::string& text) { TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size())); }

}  // namespace

bool DataPlotWindow::RegisterPanes(HINSTANCE instance) {
  bool all = true;
  for (const PaneLayout& p : kPanes) {
    all = RegisterSkinClass(instance, p.className, WindowProcedure<Pane>, kPaneGreen) && all;
  }
  return all;
}

void DataPlotWindow::Open() { OpenFrom<DataPlotWindow>(instance_, owner_, IDD_DATA_PLOT); }

void DataPlotWindow::OnInit(HWND hwnd) {
  SetWindowTextA(hwnd, Tr(Text::CaptionDataPlot));
  samples_.Clear();  // every opening starts an empty plot
  shownCurves_ = {};
  shownLatest_ = {};
  SetClientSize(hwnd, kClientWidth, kClientHeight);
  for (int i = 0; i < kPlotQuantities; ++i) {
    Pane& pane = panes_[static_cast<size_t>(i)];
    pane = Pane{nullptr, this, static_cast<PlotQuantity>(i)};
    CreateWindowExA(WS_EX_CLIENTEDGE, kPanes[i].className, "", WS_CHILD | WS_VISIBLE, kPanes[i].x, kPanes[i].y,
                    kPaneWidth, kPaneHeight, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstPaneId + i)),
                    instance_, &pane);
  }
}

void DataPlotWindow::AddSample(LinkKind link, const PlotSample& sample, const std::string& temperatureText) {
  if (!hwnd_) return;
  temperatureText_ = temperatureText;
  samples_.Append(link, sample);
  if (link != LinkKind::Serial) Refresh();  // over serial the status query's timer redraws
}

void DataPlotWindow::Refresh() {
  if (!hwnd_ || !IsSeen(hwnd_)) return;
  const LinkKind link = CurrentLink();
  const int n = samples_.Count(link);
  for (int i = 0; i < kPlotQuantities; ++i) {
    const auto quantity = static_cast<PlotQuantity>(i);
    std::vector<int> curve = CurveOf(samples_, link, quantity);
    if (curve != shownCurves_[i]) {
      InvalidateRect(GetDlgItem(hwnd_, kFirstPaneId + i), nullptr, FALSE);
      shownCurves_[i] = std::move(curve);
    }
    std::string latest = n > 0 ? PlotLatestText(quantity, samples_.Value(n - 1, quantity), temperatureText_) : "";
    if (latest != shownLatest_[i]) {
      RECT area{kPanes[i].latestX, kPanes[i].latestY, kPanes[i].latestX + 80, kPanes[i].latestY + 16};
      InvalidateRect(hwnd_, &area, FALSE);
      shownLatest_[i] = std::move(latest);
    }
  }
}

void DataPlotWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  DrawBitmapAt(dc, instance_, IDB_PANEL_BACK, 0, 0);
  DrawBitmapAt(dc, instance_, IDB_PANEL_BACK, 0, 300);
  SetBkMode(dc, TRANSPARENT);
  for (const PaneLayout& p : kPanes) {
    PaintText(dc, p.titleX, p.titleY, Tr(p.title));
    PaintText(dc, p.topX, p.topY, p.top);
    PaintText(dc, p.bottomX, p.bottomY, p.bottom);
  }
  const int n = samples_.Count(CurrentLink());
  if (n > 0) {  // the latest value, once there is one
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, kLightGrey);
    for (int i = 0; i < kPlotQuantities; ++i) {
      const auto quantity = static_cast<PlotQuantity>(i);
      PaintText(dc, kPanes[i].latestX, kPanes[i].latestY,
           PlotLatestText(quantity, samples_.Value(n - 1, quantity), temperatureText_));
    }
  }
  EndPaint(hwnd_, &ps);
}

// Drawn off-screen and copied, so that the curve never flickers.
void DataPlotWindow::PaintPane(HWND pane, PlotQuantity quantity) {
  OffscreenPaint paint(pane);
  HDC memory = paint.Dc();
  HBRUSH background = CreateSolidBrush(kPaneGreen);
  FillRect(memory, &paint.Client(), background);
  DeleteObject(background);
  HPEN pen = CreatePen(PS_SOLID, 2, kCurveBlue);
  HGDIOBJ oldPen = SelectObject(memory, pen);
  const int bottom = paint.Client().bottom - 1;
  const std::vector<int> curve = CurveOf(samples_, CurrentLink(), quantity);
  bool joined = false;  // the previous sample was drawn: this one continues the curve
  for (size_t i = 0; i < curve.size(); ++i) {
    if (curve[i] == kNoPlotValue) {  // a gap where the UPS gave no reading
      joined = false;
      continue;
    }
    const int x = PlotX(static_cast<int>(i)), y = std::max(0, bottom - curve[i]);
    if (joined) {
      LineTo(memory, x, y);
    } else {
      MoveToEx(memory, x, y, nullptr);
    }
    joined = true;
  }
  SelectObject(memory, oldPen);
  DeleteObject(pen);
}

// A pane is drawn only while its window is open, from the window's samples.
LRESULT DataPlotWindow::Pane::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!plot->IsOpen()) return DefWindowProcA(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: plot->PaintPane(hwnd, quantity); return 0;
    case WM_ERASEBKGND: return 1;  // the paint fills it
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

LinkKind DataPlotWindow::CurrentLink() const { return link_ ? link_() : LinkKind::Serial; }

// Closing forgets the samples: the next opening starts an empty plot.
void DataPlotWindow::Close() {
  Destroy();
  samples_.Clear();
}

INT_PTR DataPlotWindow::OnMessage(UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_PAINT: Paint(); return TRUE;
    case WM_CLOSE: Close(); return TRUE;
    default: return FALSE;
  }
}

}  // namespace voltaris
