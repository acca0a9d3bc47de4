#include "app/gauge_panel_win.h"

#include <commctrl.h>

#include "gui/dialog_win.h"
#include "gui/paint_win.h"
#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr COLORREF kMagenta = 0xFF00FF;
constexpr COLORREF kLightGrey = 0xE0E0E0;

struct GaugeLayout {
  int bar, readout;
  int high;        // the bar's range is 0..high
  int x, titleY;   // the title at (x + 2, titleY); the bar below it
  Text title;
};
// The bars run along their scales: 7 pixels of tick marks under each.
constexpr GaugeLayout kGauges[] = {
    {IDC_INPUT_VOLTAGE_BAR, IDC_INPUT_VOLTAGE_TEXT, 280, 8, 35, Text::InputVoltage},
    {IDC_OUTPUT_VOLTAGE_BAR, IDC_OUTPUT_VOLTAGE_TEXT, 280, 198, 35, Text::OutputVoltage},
    {IDC_LOAD_BAR, IDC_LOAD_TEXT, 120, 8, 160, Text::Load},
    {IDC_BATTERY_BAR, IDC_BATTERY_TEXT, 100, 198, 160, Text::BatteryLevel},
    {IDC_TEMPERATURE_BAR, IDC_TEMPERATURE_TEXT, 100, 8, 275, Text::Temperature},
    {IDC_FREQUENCY_BAR, IDC_FREQUENCY_TEXT, 100, 198, 275, Text::Frequency},
};
constexpr int kTemperatureGauge = 4;  // its place in kGauges
constexpr int kBarWidth = 169, kBarHeight = 18, kTitleToBar = 20;
constexpr int kReadoutOffset = 110, kReadoutWidth = 60, kReadoutHeight = 16;
// Between the scales of the load and battery gauges and the titles below.
constexpr int kRuntimeX = 8, kRuntimeY = 238, kRuntimeWidth = 360;

struct Scale {
  int tickX0, tickStep, ticks, extraTick;  // extraTick: one more mark at that x, or 0
  int tickTop;
  int labelY;
  const char* labels[8];
  int labelX[8];
};
constexpr Scale kScales[] = {
    {8, 24, 8, 0, 75, 84, {"0", "40", "80", "120", "160", "200", "240", "280"}, {6, 27, 50, 72, 95, 119, 143, 164}},
    {198, 24, 8, 0, 75, 84, {"0", "40", "80", "120", "160", "200", "240", "280"},
     {196, 216, 240, 261, 284, 309, 334, 354}},
    {8, 28, 7, 0, 202, 211, {"0", "20", "40", "60", "80", "100", "120"}, {6, 31, 58, 87, 116, 141, 163}},
    {198, 33, 5, 365, 202, 211, {"0", "20", "40", "60", "80", "100"}, {196, 226, 258, 294, 326, 352}},
    {8, 33, 5, 175, 315, 324, {"0", "20", "40", "60", "80", "100"}, {6, 36, 68, 102, 136, 162}},
    {198, 33, 5, 365, 315, 326, {"0", "20", "40", "60", "80", "100"}, {196, 226, 258, 294, 326, 351}},
};
constexpr int kTickLength = 7;


}  // namespace

bool GaugePanel::Create(HINSTANCE instance, HWND main, DataPlotWindow& plot) {
  instance_ = instance;
  plot_ = &plot;
  if (!OpenFrom<GaugePanel>(instance, main, IDD_GAUGE_PANEL)) return false;
  MoveWindow(hwnd_, 101, 79, 641, 366, TRUE);
  return true;
}

void GaugePanel::OnInit(HWND hwnd) {
  labelFont_ = CreateLabelFont(15);
  // The scale labels sit 21 to 25 pixels apart: a small face keeps them apart.
  scaleFont_ = CreateFontA(11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");
  readoutBrush_ = CreateSolidBrush(kLightGrey);
  for (int i = 0; i < kGaugeCount; ++i) {
    const GaugeLayout& g = kGauges[i];
    const int barY = g.titleY + kTitleToBar;
    bars_[i] = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | WS_BORDER | PBS_SMOOTH, g.x, barY,
                               kBarWidth, kBarHeight, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(g.bar)),
                               instance_, nullptr);
    SendMessageA(bars_[i], PBM_SETRANGE32, 0, g.high);
    SendMessageA(bars_[i], PBM_SETSTEP, 1, 0);
    readouts_[i] = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_RIGHT, g.x + kReadoutOffset, g.titleY,
                                   kReadoutWidth, kReadoutHeight, hwnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(g.readout)), instance_, nullptr);
  }
  runtime_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, kRuntimeX, kRuntimeY, kRuntimeWidth,
                             kReadoutHeight, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_RUNTIME_TEXT)),
                             instance_, nullptr);
  // The template's first texts: the battery shows volts until a reading comes.
  const char* const initial[] = {"0 V", "0 V", "0 %", "0 V", "0 C", "0 Hz"};
  for (int i = 0; i < kGaugeCount; ++i) {
    latest_[i].readout = initial[i];
    PutUp(i, latest_[i]);
  }
}

// In the order of kGauges.
void GaugePanel::ShowAll(const GaugeReadings& r) {
  const GaugeReading* const readings[kGaugeCount] = {&r.input, &r.output, &r.load, &r.battery, &r.temperature,
                                                     &r.frequency};
  for (int i = 0; i < kGaugeCount; ++i) latest_[i] = *readings[i];
  if (IsSeen(hwnd_)) PutUpLatest();
}

void GaugePanel::PutUpLatest() {
  for (int i = 0; i < kGaugeCount; ++i) PutUp(i, latest_[i]);
  if (runtimeLatest_ != runtimeShown_ && SetWindowTextA(runtime_, runtimeLatest_.c_str())) {
    runtimeShown_ = runtimeLatest_;
  }
}

// Like the readouts: only a change, and only while the panel can be seen.
void GaugePanel::ShowRuntime(const std::string& text) {
  runtimeLatest_ = text;
  if (IsSeen(hwnd_)) PutUpLatest();
}

// shown_ starts as a new control is: no text, at position 0.
void GaugePanel::PutUp(int gauge, const GaugeReading& reading) {
  GaugeReading& shown = shown_[gauge];
  if (reading.readout != shown.readout) {
    if (SetWindowTextA(readouts_[gauge], reading.readout.c_str())) shown.readout = reading.readout;
  }
  if (reading.position != shown.position) {
    SendMessageA(bars_[gauge], PBM_SETPOS, reading.position, 0);
    shown.position = reading.position;
  }
}

void GaugePanel::ZeroGauges() { ShowAll(ZeroReadings()); }

// A USB reply of one character: the bars drop, the load bar and the
// readouts keep what they show.
void GaugePanel::ZeroUsbGauges() {
  for (int i = 0; i < kGaugeCount; ++i) {
    if (kGauges[i].bar != IDC_LOAD_BAR) latest_[i].position = 0;
  }
  if (IsSeen(hwnd_)) PutUpLatest();
}

void GaugePanel::DisableTemperatureGauge() { EnableWindow(bars_[kTemperatureGauge], FALSE); }

void GaugePanel::ShowLinkPictures(bool up) { ShowPictures(pictures_, LinkPicturesOf(up)); }

void GaugePanel::ShowReadings(LinkKind link, const UpsStatus& status, const BatteryReading& battery) {
  ShowAll(ReadingsOf(status, battery));
  ShowPictures(PicturesOf(status), linkPictures_);
  plot_->AddSample(link, SampleOf(status, battery), status.temperatureText);
}

// Redrawn only when one of them changed: a hidden window keeps its
// invalid region, so what changed while hidden is drawn when it is shown.
void GaugePanel::ShowPictures(const StatusPictures& pictures, const LinkPictures& link) {
  const bool same = pictures == pictures_ && link == linkPictures_;
  pictures_ = pictures;
  linkPictures_ = link;
  if (!same) InvalidatePictures();
}

void GaugePanel::InvalidatePictures() {
  if (!hwnd_) return;
  RECT all{skin::kMainsAt.x, skin::kMainsAt.y, skin::kTypeAt.x + skin::kStatePictureSize.width,
           skin::kTypeAt.y + skin::kStatePictureSize.height};
  InvalidateRect(hwnd_, &all, FALSE);
}

void GaugePanel::PaintPictures(HDC dc) {
  DrawBitmapAt(dc, instance_, pictures_.mains, skin::kMainsAt);
  DrawBitmapAt(dc, instance_, pictures_.battery, skin::kBatteryAt);
  DrawBitmapAt(dc, instance_, pictures_.ups, skin::kUpsAt);
  DrawBitmapAt(dc, instance_, pictures_.type, skin::kTypeAt);
  DrawBitmapAt(dc, instance_, linkPictures_.link, skin::kLinkAt);
  DrawBitmapAt(dc, instance_, linkPictures_.traffic, skin::kTrafficAt);
}

void GaugePanel::PaintScales(HDC dc) {
  for (const Scale& s : kScales) {
    for (int k = 0; k <= s.ticks; ++k) {
      const int x = k < s.ticks ? s.tickX0 + s.tickStep * k : s.extraTick;
      if (x == 0) continue;
      MoveToEx(dc, x, s.tickTop, nullptr);
      LineTo(dc, x, s.tickTop + kTickLength);
    }
    for (int i = 0; i < 8 && s.labels[i]; ++i) TextOutA(dc, s.labelX[i], s.labelY, s.labels[i], lstrlenA(s.labels[i]));
  }
}

// Drawn off-screen and copied, so that a repaint every second never flickers.
void GaugePanel::Paint() {
  PutUpLatest();  // what came while the window was hidden
  OffscreenPaint paint(hwnd_);
  HDC memory = paint.Dc();
  DrawBitmapAt(memory, instance_, IDB_PANEL_BACK, 0, 0);
  DrawBitmapAt(memory, instance_, IDB_UPS_PICTURE, skin::kUpsPictureAt);
  PaintPictures(memory);
  SetBkMode(memory, TRANSPARENT);
  HGDIOBJ oldFont = SelectObject(memory, labelFont_);
  for (const GaugeLayout& g : kGauges) {
    const char* title = Tr(g.title);
    TextOutA(memory, g.x + 2, g.titleY, title, lstrlenA(title));
  }
  SelectObject(memory, scaleFont_);
  PaintScales(memory);
  SelectObject(memory, oldFont);
}

void GaugePanel::OnDestroy() {
  DeleteObject(scaleFont_);
  DeleteObject(readoutBrush_);
  scaleFont_ = nullptr;
  readoutBrush_ = nullptr;
  SkinnedDialog::OnDestroy();
}

INT_PTR GaugePanel::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_PAINT: Paint(); return TRUE;
    case WM_ERASEBKGND: SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, 1); return TRUE;  // Paint covers it all
    case WM_CTLCOLORSTATIC:
      SetTextColor(reinterpret_cast<HDC>(wParam), kMagenta);
      SetBkColor(reinterpret_cast<HDC>(wParam), kLightGrey);
      return reinterpret_cast<INT_PTR>(readoutBrush_);
    default: return FALSE;
  }
}

}  // namespace voltaris
