// inspect.exe: looks at Voltaris's windows from another process in the same
// Wine prefix and desktop, for the end-to-end tests. Prints plain lines; exit
// code 0 on success, 1 when the window or control is not there, 2 on misuse.
//
//   inspect windows [CLASS]              top-level windows: handle pid class visible "title"
//   inspect wait SELECTOR [visible|hidden|gone] [TIMEOUT_MS]
//   inspect children SELECTOR            child windows: id class visible enabled "text"
//   inspect text SELECTOR ID             a control's text (ID 0: the window's own)
//   inspect progress SELECTOR ID         a progress bar's position
//   inspect listview SELECTOR ID         rows of a list view, columns separated by TAB
//   inspect listcount SELECTOR ID [ROWS [TIMEOUT_MS]]  how many rows a list view has; with ROWS,
//                                        once it has that many (exit code 1 if it does not in time)
//   inspect listrow SELECTOR ID ROW      one row of a list view (from 0), columns separated by TAB
//   inspect printer                      the default printer's printable height and line pitch
//   inspect check SELECTOR ID [on|off]   a check box's state, or clicks it into that state
//   inspect time SELECTOR ID [H:M:S]     a time picker's time, or sets it
//   inspect date SELECTOR ID [Y-M-D]     a date picker's date, or sets it
//   inspect columns SELECTOR ID          a list view's column headings and widths, one a line
//   inspect combo SELECTOR ID [INDEX]    a list's "INDEX TEXT", or chooses INDEX
//   inspect pickday SELECTOR ID Y-M-D    picks a day in a date picker, as from its calendar
//   inspect settext SELECTOR ID TEXT     sets a control's text
//   inspect menustate SELECTOR ITEM [bypos]  ENABLED, GRAYED, CHECKED or MISSING
//   inspect replies SELECTOR             status replies the program has accepted
//   inspect warnings SELECTOR            whether the mains and battery warnings are still armed
//   inspect linkpictures SELECTOR        the bitmaps the gauge panel draws its link pictures with:
//                                        "LINK TRAFFIC" (138 140 up, 137 139 down)
//   inspect balloon SELECTOR             the last tray balloon shown: "COUNT<TAB>TITLE<TAB>TEXT" ("" for none)
//   inspect traytip SELECTOR             the tray tip as set now
//   inspect origin SELECTOR              client origin in screen coordinates
//   inspect rect SELECTOR                window rectangle: left top right bottom
//   inspect command SELECTOR ID          posts WM_COMMAND
//   inspect click SELECTOR X Y           posts a left click at client coordinates
//   inspect close SELECTOR               posts WM_CLOSE
//   inspect owner SELECTOR               the class of the window's owner, or "none"
//   inspect untray SELECTOR ID           takes the window's tray icon ID away, as a shell restart does
//   inspect post SELECTOR NAME           posts the registered message NAME (e.g. TaskbarCreated)
//   inspect hold FILE SECONDS            keeps FILE open for others to read only
//
// SELECTOR: CLASS, CLASS/TITLE, or 0xHANDLE; a CLASS with no top-level window
// names a child window of that class; PARENT>CHILD a child inside PARENT. A control ID is looked for among the
// window's children, then deeper.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "res/inspect_protocol.h"

namespace {

// Menu states are read in the program: Wine keeps menus per process.
using voltaris::inspect::kMenuStateMessage;
using voltaris::inspect::kStateMessage;

struct Selector {
  std::string className, title;
  HWND handle = nullptr;
  std::string within;  // "PARENT>CHILD": the child is looked for inside PARENT only
};

Selector ParseSelector(const std::string& whole) {
  Selector s;
  std::string text = whole;
  if (const size_t arrow = whole.find('>'); arrow != std::string::npos) {
    s.within = whole.substr(0, arrow);
    text = whole.substr(arrow + 1);
  }
  if (text.rfind("0x", 0) == 0) {
    s.handle = reinterpret_cast<HWND>(std::strtoull(text.c_str(), nullptr, 16));
    return s;
  }
  const auto slash = text.find('/');
  s.className = text.substr(0, slash);
  if (slash != std::string::npos) s.title = text.substr(slash + 1);
  return s;
}

struct ChildSearch {
  const Selector* selector;
  int id;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  char cls[256] = "";
  GetClassNameA(child, cls, sizeof cls);
  char title[256] = "";
  GetWindowTextA(child, title, sizeof title);
  const bool match = search->selector
                         ? search->selector->className == cls &&
                               (search->selector->title.empty() || search->selector->title == title)
                         : GetDlgCtrlID(child) == search->id;
  if (!match) return TRUE;
  search->found = child;
  return FALSE;
}

BOOL CALLBACK SearchTopLevel(HWND top, LPARAM param) {
  EnumChildWindows(top, MatchChild, param);
  return reinterpret_cast<ChildSearch*>(param)->found == nullptr;
}

// A top-level window, else a child window of that class (and title) inside
// any of them, such as a button bar of the main window.
HWND Find(const Selector& s) {
  if (s.handle) return IsWindow(s.handle) ? s.handle : nullptr;
  if (!s.within.empty()) {
    const HWND parent = Find(ParseSelector(s.within));
    if (!parent) return nullptr;
    ChildSearch search{&s, 0, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  HWND top = FindWindowA(s.className.c_str(), s.title.empty() ? nullptr : s.title.c_str());
  if (top) return top;
  ChildSearch search{&s, 0, nullptr};
  EnumWindows(SearchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A control of the window or, failing that, of a window inside it (the gauge
// panel's controls from the main window).
HWND FindControl(HWND window, int id) {
  if (HWND direct = GetDlgItem(window, id)) return direct;
  ChildSearch search{nullptr, id, nullptr};
  EnumChildWindows(window, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string WindowText(HWND hwnd) {
  char text[1024] = "";
  SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      2000, nullptr);
  return text;
}

std::string ClassOf(HWND hwnd) {
  char name[256] = "";
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

BOOL CALLBACK PrintTopLevel(HWND hwnd, LPARAM filter) {
  const char* wanted = reinterpret_cast<const char*>(filter);
  const std::string cls = ClassOf(hwnd);
  if (wanted && cls != wanted) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  std::printf("0x%llx %lu %s %s \"%s\"\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)),
              pid, cls.c_str(), IsWindowVisible(hwnd) ? "visible" : "hidden", WindowText(hwnd).c_str());
  return TRUE;
}

BOOL CALLBACK PrintChild(HWND hwnd, LPARAM) {
  std::printf("%d %s %s %s \"%s\"\n", GetDlgCtrlID(hwnd), ClassOf(hwnd).c_str(),
              IsWindowVisible(hwnd) ? "visible" : "hidden", IsWindowEnabled(hwnd) ? "enabled" : "disabled",
              WindowText(hwnd).c_str());
  return TRUE;
}

int Wait(const Selector& s, const std::string& state, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    const HWND hwnd = Find(s);
    const bool ok = state == "gone"      ? hwnd == nullptr
                    : state == "visible" ? hwnd && IsWindowVisible(hwnd)
                    : state == "hidden"  ? hwnd && !IsWindowVisible(hwnd)
                                         : hwnd != nullptr;
    if (ok) return 0;
    if (GetTickCount() - start > timeoutMs) {
      std::printf("timeout waiting for %s %s\n", s.className.c_str(), state.c_str());
      return 1;
    }
    Sleep(20);
  }
}

// Memory in the process that owns a control: a message that carries a
// pointer needs one that is valid over there.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND control, size_t bytes) {
    DWORD pid = 0;
    GetWindowThreadProcessId(control, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                           FALSE, pid);
    if (process_) address_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE));
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  bool Ok() const { return address_ != nullptr; }
  char* At(size_t offset = 0) const { return address_ + offset; }
  void Put(const void* data, size_t bytes, size_t offset = 0) const {
    WriteProcessMemory(process_, address_ + offset, data, bytes, nullptr);
  }
  void Get(void* data, size_t bytes, size_t offset = 0) const {
    ReadProcessMemory(process_, address_ + offset, data, bytes, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  char* address_ = nullptr;
};

constexpr int kListTextMax = 512;

int ListColumns(HWND list) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
}

// One row's texts, through a buffer in the list's process. A virtual list
// answers from its owner (LVN_GETDISPINFO) into that same buffer.
void PrintListRow(HWND list, const RemoteBuffer& remote, int row, int columns) {
  for (int col = 0; col < columns; ++col) {
    LVITEMA item = {};
    item.iSubItem = col;
    item.pszText = remote.At(sizeof(LVITEMA));
    item.cchTextMax = kListTextMax;
    char text[kListTextMax] = "";
    remote.Put(&item, sizeof item);
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote.At()));
    remote.Get(text, kListTextMax, sizeof(LVITEMA));
    text[kListTextMax - 1] = '\0';
    std::printf("%s%s", col ? "\t" : "", text);
  }
  std::printf("\n");
}

int PrintListView(HWND list) {
  RemoteBuffer remote(list, sizeof(LVITEMA) + kListTextMax);
  if (!remote.Ok()) return 1;
  const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  const int columns = ListColumns(list);
  for (int row = 0; row < rows; ++row) PrintListRow(list, remote, row, columns);
  return 0;
}

// A list view's row count; with `wanted` >= 0, polled here (no process
// started per look) until it is that.
int ListCount(HWND list, int wanted, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    if (wanted < 0 || rows == wanted || GetTickCount() - start > timeoutMs) {
      std::printf("%d\n", rows);
      return wanted < 0 || rows == wanted ? 0 : 1;
    }
    Sleep(20);
  }
}

// One row of a list view, by index from 0: a million-row list is read a row
// at a time.
int PrintListRowAt(HWND list, int row) {
  if (row < 0 || row >= static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0))) return 1;
  RemoteBuffer remote(list, sizeof(LVITEMA) + kListTextMax);
  if (!remote.Ok()) return 1;
  PrintListRow(list, remote, row, ListColumns(list));
  return 0;
}

// The default printer's printable height and line pitch (character height
// plus external leading of its default font), both in device units: what a
// test needs to know how many pages a table prints on.
int PrintPrinterMetrics() {
  PRINTDLGA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
  if (!PrintDlgA(&dialog) || dialog.hDC == nullptr) {
    std::printf("no printer (error %lu)\n", static_cast<unsigned long>(CommDlgExtendedError()));
    return 1;
  }
  TEXTMETRICA metrics = {};
  const BOOL measured = GetTextMetricsA(dialog.hDC, &metrics);
  std::printf("%d %ld\n", GetDeviceCaps(dialog.hDC, VERTRES), metrics.tmHeight + metrics.tmExternalLeading);
  DeleteDC(dialog.hDC);
  if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
  if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
  return measured ? 0 : 1;
}

// A check box's state, or a click on it when it is not in `wanted` yet (so
// its dialog hears of the change as from the user).
int CheckBox(HWND box, const char* wanted) {
  bool checked = SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (wanted == nullptr) {
    std::printf("%s\n", checked ? "on" : "off");
    return 0;
  }
  const bool want = std::strcmp(wanted, "on") == 0;
  // A click can be lost when the button loses the mouse capture between its
  // press and release (another window taking it under load): click again,
  // and report a box that still refuses instead of letting a test go on
  // with the wrong state.
  for (int attempt = 0; attempt < 3 && checked != want; ++attempt) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(box, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    checked = SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  if (checked != want) {
    std::fprintf(stderr, "the box stayed %s\n", checked ? "on" : "off");
    return 1;
  }
  return 0;
}

// Picks a day in a date picker as a user would: the date changes, then the
// calendar is opened and closed (the picker's dialog hears DTN_CLOSEUP).
int PickDay(HWND picker, const char* day) {
  unsigned year = 0, month = 0, date = 0;
  if (std::sscanf(day, "%u-%u-%u", &year, &month, &date) != 3) return 2;
  RemoteBuffer remote(picker, sizeof(SYSTEMTIME));
  if (!remote.Ok()) return 1;
  SYSTEMTIME at = {};
  SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(remote.At()));
  remote.Get(&at, sizeof at);
  at.wYear = static_cast<WORD>(year);
  at.wMonth = static_cast<WORD>(month);
  at.wDay = static_cast<WORD>(date);
  remote.Put(&at, sizeof at);
  if (!SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(remote.At()))) return 1;
  // Two presses on the drop-down button: the calendar opens, then closes
  // without a change, and the picker tells its dialog it closed.
  RECT client;
  GetClientRect(picker, &client);
  const LPARAM button = MAKELPARAM(client.right - 8, client.bottom / 2);
  for (int press = 0; press < 2; ++press) {
    PostMessageA(picker, WM_LBUTTONDOWN, MK_LBUTTON, button);
    PostMessageA(picker, WM_LBUTTONUP, 0, button);
    Sleep(300);
  }
  return 0;
}

// A list's selection as "INDEX TEXT" (-1 when none), or selects INDEX and
// tells the dialog, as a user's choice would.
int ComboBox(HWND combo, const char* wanted) {
  if (wanted == nullptr) {
    const int index = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
    char text[256] = "";
    // The system carries this message's text across processes by itself,
    // as wide characters.
    if (index >= 0) {
      wchar_t wide[256] = L"";
      SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(wide));
      WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    }
    std::printf("%d %s\n", index, text);
    return 0;
  }
  const int index = std::atoi(wanted);
  SendMessageA(combo, CB_SETCURSEL, index, 0);
  SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  return 0;
}

// Three fields of a picker's SYSTEMTIME as "A<sep>B<sep>C" (no leading
// zeros), or sets them, keeping the rest of what it holds.
using PickerFields = WORD SYSTEMTIME::*[3];
int Picker(HWND picker, const char* wanted, const PickerFields& fields, char separator) {
  RemoteBuffer remote(picker, sizeof(SYSTEMTIME));
  if (!remote.Ok()) return 1;
  SYSTEMTIME at = {};
  SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(remote.At()));
  remote.Get(&at, sizeof at);
  if (wanted == nullptr) {
    std::printf("%u%c%u%c%u\n", at.*fields[0], separator, at.*fields[1], separator, at.*fields[2]);
    return 0;
  }
  const std::string format = std::string("%u") + separator + "%u" + separator + "%u";
  unsigned values[3] = {};
  if (std::sscanf(wanted, format.c_str(), &values[0], &values[1], &values[2]) != 3) return 2;
  for (int i = 0; i < 3; ++i) at.*fields[i] = static_cast<WORD>(values[i]);
  remote.Put(&at, sizeof at);
  return SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(remote.At())) ? 0 : 1;
}

// A time picker's time as "H:M:S", or sets it.
int TimePicker(HWND picker, const char* wanted) {
  return Picker(picker, wanted, {&SYSTEMTIME::wHour, &SYSTEMTIME::wMinute, &SYSTEMTIME::wSecond}, ':');
}

// A date picker's date as "Y-M-D", or sets it.
int DatePicker(HWND picker, const char* wanted) {
  return Picker(picker, wanted, {&SYSTEMTIME::wYear, &SYSTEMTIME::wMonth, &SYSTEMTIME::wDay}, '-');
}

// A list view's headings as "TEXT<TAB>WIDTH" lines.
int PrintColumns(HWND list) {
  constexpr int kTextMax = 256;
  RemoteBuffer remote(list, sizeof(LVCOLUMNA) + kTextMax);
  if (!remote.Ok()) return 1;
  for (int index = 0;; ++index) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = remote.At(sizeof(LVCOLUMNA));
    column.cchTextMax = kTextMax;
    remote.Put(&column, sizeof column);
    if (!SendMessageA(list, LVM_GETCOLUMNA, index, reinterpret_cast<LPARAM>(remote.At()))) return 0;
    char text[kTextMax] = "";
    remote.Get(&column, sizeof column);
    remote.Get(text, kTextMax, sizeof(LVCOLUMNA));
    text[kTextMax - 1] = '\0';
    std::printf("%s\t%d\n", text, column.cx);
  }
}

int Usage() {
  std::fprintf(stderr, "usage: inspect windows|wait|children|text|progress|listview|check|time|combo|settext|menustate|origin|"
                       "command|click|close ... (see the source's header)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string verb = argv[1];
  if (verb == "windows") {
    EnumWindows(PrintTopLevel, reinterpret_cast<LPARAM>(argc > 2 ? argv[2] : nullptr));
    return 0;
  }
  if (verb == "printer") return PrintPrinterMetrics();
  if (verb == "hold" && argc > 3) {
    // As a spreadsheet holds a file: others may read it, nobody may change,
    // replace or delete it, until the time is up.
    HANDLE file = CreateFileA(argv[2], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::printf("holding\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::atoi(argv[3])) * 1000);
    CloseHandle(file);
    return 0;
  }
  if (argc < 3) return Usage();
  const Selector selector = ParseSelector(argv[2]);
  if (verb == "wait") {
    return Wait(selector, argc > 3 ? argv[3] : "exists", argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 10000);
  }
  const HWND hwnd = Find(selector);
  if (!hwnd) {
    std::printf("no window %s\n", argv[2]);
    return 1;
  }
  const int id = argc > 3 ? std::atoi(argv[3]) : 0;
  const HWND control = id ? FindControl(hwnd, id) : hwnd;
  if (verb == "children") {
    EnumChildWindows(hwnd, PrintChild, 0);
  } else if (verb == "origin") {
    POINT p = {0, 0};
    ClientToScreen(hwnd, &p);
    std::printf("%ld %ld\n", p.x, p.y);
  } else if (verb == "rect") {
    RECT r;
    GetWindowRect(hwnd, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
  } else if (verb == "close") {
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
  } else if (verb == "owner") {
    char name[256] = "none";
    if (HWND owner = GetWindow(hwnd, GW_OWNER)) GetClassNameA(owner, name, sizeof name);
    std::printf("%s\n", name);
  } else if (verb == "untray" && argc > 3) {
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = hwnd;
    icon.uID = static_cast<UINT>(id);
    if (!Shell_NotifyIconA(NIM_DELETE, &icon)) return 1;
  } else if (verb == "post" && argc > 3) {
    PostMessageA(hwnd, RegisterWindowMessageA(argv[3]), 0, 0);
  } else if (verb == "command" && argc > 3) {
    PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  } else if (verb == "click" && argc > 4) {
    const LPARAM at = MAKELPARAM(std::atoi(argv[3]), std::atoi(argv[4]));
    PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(hwnd, WM_LBUTTONUP, 0, at);
  } else if (verb == "menustate" && argc > 3) {
    DWORD_PTR state = 0;
    const UINT message = RegisterWindowMessageA(kMenuStateMessage);
    const LPARAM byPosition = argc > 4 && std::string(argv[4]) == "bypos";
    if (!SendMessageTimeoutA(hwnd, message, id, byPosition, SMTO_ABORTIFHUNG, 2000, &state)) return 1;
    const UINT s = static_cast<UINT>(state);
    std::printf("%s\n", s == 0xFFFFFFFFu ? "MISSING"
                        : (s & MF_GRAYED) ? "GRAYED"
                        : (s & MF_CHECKED) ? "CHECKED" : "ENABLED");
  } else if (verb == "replies" || verb == "warnings" || verb == "linkpictures") {
    namespace in = voltaris::inspect;
    const WPARAM what = verb == "replies" ? in::kAcceptedReplies : verb == "warnings" ? in::kWarningsArmed
                                                                                      : in::kLinkPictures;
    DWORD_PTR value = 0;
    if (!SendMessageTimeoutA(hwnd, RegisterWindowMessageA(kStateMessage), what, 0, SMTO_ABORTIFHUNG, 2000, &value)) {
      return 1;
    }
    if (what == in::kLinkPictures) {
      std::printf("%u %u\n", LOWORD(value), HIWORD(value));
    } else if (what == in::kWarningsArmed) {
      std::printf("mains %s battery %s\n", (value & in::kMainsWarningArmed) ? "armed" : "fired",
                  (value & in::kBatteryWarningArmed) ? "armed" : "fired");
    } else {
      std::printf("%lu\n", static_cast<unsigned long>(value));
    }
  } else if (verb == "balloon" || verb == "traytip") {
    // The program answers with a global atom holding the text; read and deleted here.
    DWORD_PTR atom = 0;
    const WPARAM what = verb == "balloon" ? voltaris::inspect::kLastBalloon : voltaris::inspect::kTrayTip;
    if (!SendMessageTimeoutA(hwnd, RegisterWindowMessageA(kStateMessage), what, 0, SMTO_ABORTIFHUNG, 2000, &atom)) {
      return 1;
    }
    char text[256] = "";
    if (atom) {
      GlobalGetAtomNameA(static_cast<ATOM>(atom), text, sizeof text);
      GlobalDeleteAtom(static_cast<ATOM>(atom));
    }
    std::printf("%s\n", text);
  } else if (!control) {
    std::printf("no control %d\n", id);
    return 1;
  } else if (verb == "text") {
    std::printf("%s\n", WindowText(control).c_str());
  } else if (verb == "progress") {
    std::printf("%d\n", static_cast<int>(SendMessageA(control, PBM_GETPOS, 0, 0)));
  } else if (verb == "listview") {
    return PrintListView(control);
  } else if (verb == "listcount") {
    return ListCount(control, argc > 4 ? std::atoi(argv[4]) : -1, argc > 5 ? std::strtoul(argv[5], nullptr, 10) : 10000);
  } else if (verb == "listrow" && argc > 4) {
    return PrintListRowAt(control, std::atoi(argv[4]));
  } else if (verb == "check") {
    return CheckBox(control, argc > 4 ? argv[4] : nullptr);
  } else if (verb == "pickday" && argc > 4) {
    return PickDay(control, argv[4]);
  } else if (verb == "combo") {
    return ComboBox(control, argc > 4 ? argv[4] : nullptr);
  } else if (verb == "settext" && argc > 4) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]), SMTO_ABORTIFHUNG, 2000,
                               &ignored)
               ? 0
               : 1;
  } else if (verb == "time") {
    return TimePicker(control, argc > 4 ? argv[4] : nullptr);
  } else if (verb == "date") {
    return DatePicker(control, argc > 4 ? argv[4] : nullptr);
  } else if (verb == "columns") {
    return PrintColumns(control);
  } else {
    return Usage();
  }
  return 0;
}
