#include "config/settings_dialog_win.h"

#include <commctrl.h>

#include <string>

#include "gui/paint_win.h"
#include "gui/window_thunk_win.h"
#include "i18n/catalogue.h"
#include "res/resource_ids.h"

namespace voltaris {
namespace {

constexpr COLORREF kLabelGrey = RGB(224, 224, 224);
constexpr int kClientWidth = 510, kClientHeight = 235;
constexpr int kPageX = 81, kPageY = 59, kPageWidth = 420;
constexpr UINT WM_APP_PAGE_ICON = WM_APP + 20;  // from the page bar: wParam, the page

// ---- The link lists ----------------------------------------------------------

struct LinkList {
  int id, labelId;
  Text label;
  std::initializer_list<const char*> choices;
};
const LinkList kLinkLists[] = {
    // COM1..COM8, USB, then the build's words for a network UPS
    {1002, 1126, Text::LabelPort, {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "USB"}},
    {1003, 1127, Text::LabelBaudRate, {"2400", "4800", "9600"}},
    {1004, 1128, Text::LabelParity, {}},  // its choices are the build's words
    {1005, 1129, Text::LabelDataBits, {"4", "5", "6", "7", "8"}},
    {1006, 1130, Text::LabelStopBits, {"1", "1.5", "2"}},
};
constexpr int kPortList = 1002, kRateList = 1003, kParityList = 1004, kDataList = 1005, kStopList = 1006;
constexpr int kListsX = 100, kListsY = 62, kListsPitch = 18;
constexpr int kListWidth = 100, kPortListWidth = 140;  // the French network UPS in full

// ---- The network UPS's fields ------------------------------------------------
// In the place of the serial lists, which a network UPS has no use for: two
// rows of three, each label over its field, as wide as the French labels.
// Under the buttons, the note the program has for that UPS.

constexpr int kHostEdit = 1010, kNetworkPortEdit = 1011, kUpsNameEdit = 1012, kUserEdit = 1013,
              kPasswordEdit = 1014, kDeadTimeEdit = 1015, kNetworkNote = 1016;
struct NetworkField {
  int id, labelId;
  Text label;
  int x, y, labelWidth, editWidth;
  DWORD style;
  int longest;  // characters the file reads back
};
constexpr int kNetworkLabelHeight = 14, kNetworkEditHeight = 18;
constexpr int kColumn1 = kListsX, kColumn2 = 252, kColumn3 = 353, kRow1 = 84, kRow2 = 118;
const NetworkField kNetworkFields[] = {
    {kHostEdit, 1131, Text::LabelHost, kColumn1, kRow1, 146, 146, 0, 253},
    {kNetworkPortEdit, 1132, Text::LabelNetworkPort, kColumn2, kRow1, 95, 60, ES_NUMBER, 5},
    {kUpsNameEdit, 1133, Text::LabelUpsName, kColumn3, kRow1, 150, 150, 0, 64},
    {kUserEdit, 1134, Text::LabelUser, kColumn1, kRow2, 146, 146, 0, 254},
    {kPasswordEdit, 1135, Text::LabelPassword, kColumn2, kRow2, 95, 95, ES_PASSWORD, 254},
    {kDeadTimeEdit, 1136, Text::LabelDeadTime, kColumn3, kRow2, 150, 60, ES_NUMBER, 3},
};
constexpr RECT kNetworkNoteArea{kListsX, 203, 505, 221};

// ---- The pages -----------------------------------------------------------------

constexpr int kRecordingBox = 1024, kIntervalEdit = 1025;
constexpr int kFirstWarningEdit = 1026, kScheduleWarningEdit = 1027, kPeriodEdit = 1028;
constexpr int kOffDelayList = 1030, kLowLifeEdit = 1031, kLifeEdit = 1032;
constexpr int kUpDownIdOffset = 200;  // an edit's up-down control

struct NumberRow {
  int edit;
  const NumberField& field;
  bool digitsOnly;
};

HWND MakeChild(HWND parent, HINSTANCE instance, const char* cls, const char* text, DWORD style, int x, int y, int w,
               int h, int id) {
  return CreateControl(parent, instance, cls, text, style, x, y, w, h, id);
}

// A label, a number field with its up-down control at its right edge, a unit.
void AddNumberRow(HWND page, HINSTANCE instance, int y, const NumberRow& row) {
  MakeChild(page, instance, "STATIC", Tr(row.field.label), 0, 10, y + 3, 230, 18, -1);
  HWND edit = MakeChild(page, instance, "EDIT", "", WS_BORDER | WS_TABSTOP | (row.digitsOnly ? ES_NUMBER : 0), 245,
                        y, 60, 22, row.edit);
  const NumberKey& key = row.field.key;
  CreateUpDownControl(WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0,
                      0, 0, page, row.edit + kUpDownIdOffset, instance, edit, key.high, key.low, key.fallback);
  MakeChild(page, instance, "STATIC", Tr(row.field.unit), 0, 320, y + 3, 80, 18, -1);
}

// Puts the stored text in a number field (its up-down then follows it).
void ShowNumber(HWND page, int edit, const std::string& text) {
  SendDlgItemMessageA(page, edit + kUpDownIdOffset, UDM_SETPOS32, 0, std::atoi(text.c_str()));
  SetDlgItemTextA(page, edit, text.c_str());
}

std::string TextOf(HWND window, int id) {
  char text[256] = "";
  GetDlgItemTextA(window, id, text, sizeof text);
  return text;
}

int Selection(HWND window, int id) { return static_cast<int>(SendDlgItemMessageA(window, id, CB_GETCURSEL, 0, 0)); }

int PageTemplate(SettingsPage page) {
  switch (page) {
    case SettingsPage::Recording: return IDD_SETTINGS_RECORDING;
    case SettingsPage::Warning: return IDD_SETTINGS_WARNING;
    default: return IDD_SETTINGS_BATTERY;
  }
}

int PageHeight(SettingsPage page) {
  switch (page) {
    case SettingsPage::Recording: return 95;
    case SettingsPage::Warning: return 110;
    default: return 108;
  }
}

}  // namespace

bool SettingsDialog::RegisterPageBar(HINSTANCE instance) {
  return RegisterSkinClass(instance, "pic5", WindowProcedure<PageBar>, 0xFFC0C0);
}

// The page bar paints its icons and hands a click on one to the dialog.
LRESULT SettingsDialog::PageBar::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: PaintBitmaps(hwnd, InstanceOf(hwnd), {{IDB_SETUP_PAGES, 0, 0}}); return 0;
    case WM_SETCURSOR:
      return HandWhere(hwnd, wParam, lParam, [](int x, int y) { return PageIconAt(x, y).has_value(); });
    case WM_LBUTTONDOWN: return OnPress(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

LRESULT SettingsDialog::PageBar::OnPress(int x, int y) {
  if (const auto page = PageIconAt(x, y)) {
    SendMessageA(GetParent(hwnd), WM_APP_PAGE_ICON, static_cast<WPARAM>(*page), 0);
  }
  return 0;
}

void SettingsDialog::Open() {
  if (OpenFrom<SettingsDialog>(instance_, owner_, IDD_SETTINGS) && hooks_.opened) hooks_.opened(true);
}

void SettingsDialog::OnInit(HWND hwnd) {
  SetWindowTextA(hwnd, Tr(Text::CaptionSettings));
  shown_ = SettingsPage::Link;
  labelBrush_ = CreateSolidBrush(kLabelGrey);
  SetClientSize(hwnd, kClientWidth, kClientHeight);
  sidePane_.Create(hwnd, instance_, "pic4", WS_EX_CLIENTEDGE, 0, 0, 80, 223);
  CreateWindowExA(0, "pic5", "", WS_CHILD | WS_VISIBLE, 78, 0, 413, 60, hwnd, nullptr, instance_, &pageBar_);
  CreateLinkControls();
  ShowNetworkFields(ReadNetworkUpsFields(*config_));
  ShowLinkChoice(ReadLinkChoice(*config_));
}

void SettingsDialog::CreateLinkControls() {
  int y = kListsY;
  for (const LinkList& list : kLinkLists) {
    MakeChild(hwnd_, instance_, "STATIC", Tr(list.label), 0, kListsX, y + 3, 90, 16, list.labelId);
    HWND combo = MakeChild(hwnd_, instance_, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                           kListsX + 100, y, list.id == kPortList ? kPortListWidth : kListWidth, 200, list.id);
    for (const char* choice : list.choices) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    if (list.id == kParityList) {
      for (Text parity : {Text::ParityNone, Text::ParityOdd, Text::ParityEven}) {
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Tr(parity)));
      }
    }
    if (list.id == kPortList) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Tr(Text::PortNetworkUps)));
    y += kListsPitch + 2;
  }
  for (const NetworkField& f : kNetworkFields) {
    MakeChild(hwnd_, instance_, "STATIC", Tr(f.label), 0, f.x, f.y, f.labelWidth, kNetworkLabelHeight, f.labelId);
    HWND edit = MakeChild(hwnd_, instance_, "EDIT", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | f.style, f.x,
                          f.y + kNetworkLabelHeight, f.editWidth, kNetworkEditHeight, f.id);
    SendMessageA(edit, EM_LIMITTEXT, f.longest, 0);
  }
  const RECT& note = kNetworkNoteArea;
  MakeChild(hwnd_, instance_, "STATIC", networkNote_.c_str(), SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS, note.left, note.top,
            note.right - note.left, note.bottom - note.top, kNetworkNote);
}

void SettingsDialog::SetNetworkNote(const std::string& text) {
  networkNote_ = text;
  if (!IsOpen()) return;
  SetDlgItemTextA(hwnd_, kNetworkNote, text.c_str());
  ShowLinkControls();
}

void SettingsDialog::ShowNetworkFields(const NetworkUpsFields& fields) {
  SetDlgItemTextA(hwnd_, kHostEdit, fields.host.c_str());
  SetDlgItemTextA(hwnd_, kNetworkPortEdit, fields.port.c_str());
  SetDlgItemTextA(hwnd_, kUpsNameEdit, fields.upsName.c_str());
  SetDlgItemTextA(hwnd_, kUserEdit, fields.user.c_str());
  SetDlgItemTextA(hwnd_, kPasswordEdit, fields.password.c_str());
  SetDlgItemTextA(hwnd_, kDeadTimeEdit, fields.deadTime.c_str());
}

void SettingsDialog::ShowLinkChoice(const LinkChoice& choice) {
  SendDlgItemMessageA(hwnd_, kPortList, CB_SETCURSEL, choice.port, 0);
  SendDlgItemMessageA(hwnd_, kRateList, CB_SETCURSEL, choice.rate, 0);
  SendDlgItemMessageA(hwnd_, kParityList, CB_SETCURSEL, choice.parity, 0);
  SendDlgItemMessageA(hwnd_, kDataList, CB_SETCURSEL, choice.dataBits, 0);
  SendDlgItemMessageA(hwnd_, kStopList, CB_SETCURSEL, choice.stopBits, 0);
  ShowLinkControls();
}

// The link page shows the serial lists, or the network UPS's fields in their
// place while it is chosen; what the chosen link cannot use is greyed. A
// page hides them all, and the port list cannot change under it.
void SettingsDialog::ShowLinkControls() {
  const bool link = shown_ == SettingsPage::Link;
  const LinkControls can = ControlsFor(Selection(hwnd_, kPortList));
  const auto show = [this](int id, bool shown) { ShowWindow(GetDlgItem(hwnd_, id), shown ? SW_SHOW : SW_HIDE); };
  for (const LinkList& list : kLinkLists) {
    const bool serial = list.id != kPortList;
    EnableWindow(GetDlgItem(hwnd_, list.id), serial ? can.serialLists : link);
    for (int id : {list.id, list.labelId}) show(id, link && !(serial && can.networkFields));
  }
  for (const NetworkField& f : kNetworkFields) {
    EnableWindow(GetDlgItem(hwnd_, f.id), can.networkFields);
    for (int id : {f.id, f.labelId}) show(id, link && can.networkFields);
  }
  show(kNetworkNote, link && can.networkFields && !networkNote_.empty());
}

// Leaving a page drops what was typed on it: only the page on display is saved.
void SettingsDialog::ShowPage(SettingsPage page) {
  if (page == shown_) return;
  page_.Close();
  shown_ = page;
  ShowLinkControls();
  if (page != SettingsPage::Link) CreatePage(page);
  RECT defaultButton{skin::kSettingsDefault.left, skin::kSettingsDefault.top, skin::kSettingsDefault.right + 1,
                     skin::kSettingsDefault.bottom + 1};
  InvalidateRect(hwnd_, &defaultButton, FALSE);
}

void SettingsDialog::CreatePage(SettingsPage page) {
  HWND p = page_.Create(instance_, hwnd_, PageTemplate(page));
  if (!p) return;
  if (page == SettingsPage::Recording) {
    MakeChild(p, instance_, "BUTTON", Tr(Text::LabelEnableRecording), BS_AUTOCHECKBOX | WS_TABSTOP, 10, 10, 200, 20,
              kRecordingBox);
    AddNumberRow(p, instance_, 45, {kIntervalEdit, kIntervalField, true});
  } else if (page == SettingsPage::Warning) {
    AddNumberRow(p, instance_, 8, {kFirstWarningEdit, kFirstWarningField, false});
    AddNumberRow(p, instance_, 42, {kScheduleWarningEdit, kScheduleWarningField, false});
    AddNumberRow(p, instance_, 76, {kPeriodEdit, kPeriodField, false});
  } else {
    AddNumberRow(p, instance_, 8, {kLifeEdit, kLifeField, true});
    AddNumberRow(p, instance_, 42, {kLowLifeEdit, kLowLifeField, true});
    MakeChild(p, instance_, "STATIC", Tr(Text::LabelShutdownUpsAfter), 0, 10, 79, 230, 18, -1);
    HWND list = MakeChild(p, instance_, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 245, 76, 75, 200,
                          kOffDelayList);
    for (const char* choice : kOffDelayChoices) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    MakeChild(p, instance_, "STATIC", Tr(Text::UnitSeconds), 0, 330, 79, 70, 18, -1);
  }
  MoveWindow(p, kPageX, kPageY, kPageWidth, PageHeight(page), FALSE);
  ShownSettings stored;
  stored.page = page;
  stored.recording = ReadRecordingPage(*config_);
  stored.warning = ReadWarningPage(*config_);
  stored.battery = ReadBatteryPage(*config_);
  ShowPageValues(stored);
  ShowWindow(p, SW_SHOW);
}

void SettingsDialog::ShowPageValues(const ShownSettings& values) {
  const HWND page = page_.Handle();
  switch (values.page) {
    case SettingsPage::Recording:
      CheckDlgButton(page, kRecordingBox, values.recording.enabled ? BST_CHECKED : BST_UNCHECKED);
      ShowNumber(page, kIntervalEdit, values.recording.interval);
      break;
    case SettingsPage::Warning:
      ShowNumber(page, kFirstWarningEdit, values.warning.firstWarning);
      ShowNumber(page, kScheduleWarningEdit, values.warning.scheduleWarning);
      ShowNumber(page, kPeriodEdit, values.warning.period);
      break;
    case SettingsPage::Battery:
      ShowNumber(page, kLifeEdit, values.battery.life);
      ShowNumber(page, kLowLifeEdit, values.battery.lowLife);
      SendDlgItemMessageA(page, kOffDelayList, CB_SETCURSEL, values.battery.offDelay, 0);
      break;
    case SettingsPage::Link: break;
  }
}

ShownSettings SettingsDialog::ShownValues() const {
  ShownSettings shown;
  shown.link = {Selection(hwnd_, kPortList), Selection(hwnd_, kRateList), Selection(hwnd_, kParityList),
                Selection(hwnd_, kDataList), Selection(hwnd_, kStopList)};
  shown.network = {TextOf(hwnd_, kHostEdit), TextOf(hwnd_, kNetworkPortEdit), TextOf(hwnd_, kUpsNameEdit),
                   TextOf(hwnd_, kUserEdit), TextOf(hwnd_, kPasswordEdit),    TextOf(hwnd_, kDeadTimeEdit)};
  shown.page = page_.IsOpen() ? shown_ : SettingsPage::Link;
  if (!page_.IsOpen()) return shown;
  const HWND page = page_.Handle();
  shown.recording = {IsDlgButtonChecked(page, kRecordingBox) == BST_CHECKED, TextOf(page, kIntervalEdit)};
  shown.warning = {TextOf(page, kFirstWarningEdit), TextOf(page, kScheduleWarningEdit), TextOf(page, kPeriodEdit)};
  shown.battery = {TextOf(page, kLifeEdit), TextOf(page, kLowLifeEdit), Selection(page, kOffDelayList)};
  return shown;
}

void SettingsDialog::OnDefault() {
  if (!page_.IsOpen()) return;
  ShownSettings defaults;
  defaults.page = shown_;
  defaults.recording = {IsDlgButtonChecked(page_.Handle(), kRecordingBox) == BST_CHECKED, kDefaultInterval};
  defaults.warning = DefaultWarningPage();
  defaults.battery = DefaultBatteryPage();
  ShowPageValues(defaults);
}

// Saved, or the dialog stays open with what the user chose: a number out of
// its field's range is refused, naming the field and the range.
void SettingsDialog::OnOk() {
  const ShownSettings shown = ShownValues();
  if (const auto refusal = RefusalOf(shown)) {
    MessageBoxA(hwnd_, refusal->c_str(), "Voltaris", MB_OK | MB_ICONERROR);
    return;
  }
  if (SaidNotSaved(hwnd_, SaveSettings(*config_, shown),
                   std::string(Tr(Text::SettingsNotSaved)) + Tr(Text::WritableFolderHint))) {
    return;
  }
  Close();
  if (hooks_.saved) hooks_.saved();
}

void SettingsDialog::OnDestroy() {
  DeleteObject(labelBrush_);
  labelBrush_ = nullptr;
  SkinnedDialog::OnDestroy();
}

void SettingsDialog::Close() {
  Destroy();  // the page goes with it
  if (hooks_.opened) hooks_.opened(false);
}

void SettingsDialog::OnPress(int x, int y) {
  if (skin::kSettingsOk.Contains(x, y)) {
    OnOk();
  } else if (skin::kSettingsCancel.Contains(x, y)) {
    Close();
  } else if (skin::kSettingsDefault.Contains(x, y)) {
    OnDefault();
  }
}

void SettingsDialog::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  DrawBitmapAt(dc, instance_, IDB_SETUP_BACK, 0, 0);
  // The buttons' pictures are as large as their zones.
  DrawBitmapAt(dc, instance_, IDB_SETUP_OK, skin::kSettingsOk.left, skin::kSettingsOk.top);
  DrawBitmapAt(dc, instance_, IDB_SETUP_CANCEL, skin::kSettingsCancel.left, skin::kSettingsCancel.top);
  DrawBitmapAt(dc, instance_, page_.IsOpen() ? IDB_SETUP_DEFAULT_ON : IDB_SETUP_DEFAULT_OFF,
               skin::kSettingsDefault.left, skin::kSettingsDefault.top);
  EndPaint(hwnd_, &ps);
}

INT_PTR SettingsDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_PAINT: Paint(); return TRUE;
    case WM_CTLCOLORSTATIC: return OnLabelColour(reinterpret_cast<HDC>(wParam));
    case WM_COMMAND:
      if (LOWORD(wParam) == kPortList && HIWORD(wParam) == CBN_SELCHANGE) ShowLinkControls();
      return TRUE;
    case WM_APP_PAGE_ICON: ShowPage(static_cast<SettingsPage>(wParam)); return TRUE;
    case WM_SETCURSOR:
      return page_.IsOpen()
                 ? HandOverZones(hwnd_, wParam, lParam,
                                 {skin::kSettingsOk, skin::kSettingsCancel, skin::kSettingsDefault})
                 : HandOverZones(hwnd_, wParam, lParam, {skin::kSettingsOk, skin::kSettingsCancel});
    case WM_LBUTTONDOWN: OnPress(x, y); return TRUE;
    case WM_CLOSE: Close(); return TRUE;
    default: return FALSE;
  }
}

// A page's labels, like the dialog's, on the dialog's grey.
INT_PTR SettingsDialog::OnPageMessage(UINT message, WPARAM wParam, LPARAM) {
  return message == WM_CTLCOLORSTATIC ? OnLabelColour(reinterpret_cast<HDC>(wParam)) : FALSE;
}

INT_PTR SettingsDialog::OnLabelColour(HDC dc) {
  SetBkColor(dc, kLabelGrey);
  return reinterpret_cast<INT_PTR>(labelBrush_);
}

}  // namespace voltaris
