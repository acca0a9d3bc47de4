// The floor a monitor's processor time is measured against: the least a
// Win32 program must do for the same traffic and the same visible work.
//
//   cpu_probe.exe COMn             Q1 and F each second, one blocking read
//                                  each, and a message loop with two 1 s timers
//   cpu_probe.exe nut:PORT:UPS[:USER:PASSWORD]
//                                  instead of the line, a NUT server on
//                                  127.0.0.1: one login, then LIST VAR each
//                                  second, read to its END line
//   cpu_probe.exe COMn main        the same, plus a window of the main window's
//                                  size painted from a cached background (only
//                                  what changes is drawn again): six
//                                  smooth progress bars, six readouts and a
//                                  clock text changed each second
//   cpu_probe.exe COMn main plot   the same, plus a window of six line-plot
//                                  panes redrawn each second
//
// It parses nothing: the readouts show the reply's first bytes, which change
// as often as the UPS's readings do.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kReadouts = 6;
constexpr UINT_PTR kTickTimer = 1, kSecondTimer = 2;
constexpr int kPlotPanes = 6, kPlotPoints = 60;

HANDLE g_line = INVALID_HANDLE_VALUE;
SOCKET g_server = INVALID_SOCKET;
char g_listRequest[96], g_listEnd[96];  // "LIST VAR ups\n", "END LIST VAR ups\n"
volatile LONG g_lastReply[16];  // the reply's first bytes, as the readouts show them
HWND g_main, g_plot;
HWND g_bars[kReadouts];
HBITMAP g_background;
int g_tick;

bool OpenLine(const char* port) {
  char path[32];
  std::snprintf(path, sizeof path, "\\\\.\\%s", port);
  g_line = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (g_line == INVALID_HANDLE_VALUE) return false;
  DCB dcb = {};
  dcb.DCBlength = sizeof dcb;
  GetCommState(g_line, &dcb);
  dcb.BaudRate = 2400;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  COMMTIMEOUTS timeouts = {};
  timeouts.ReadIntervalTimeout = 50;
  timeouts.ReadTotalTimeoutConstant = 600;
  timeouts.WriteTotalTimeoutConstant = 200;
  return SetCommState(g_line, &dcb) && SetCommTimeouts(g_line, &timeouts);
}

// Writes the command and reads until the carriage return.
void Ask(const char* command) {
  DWORD moved = 0;
  WriteFile(g_line, command, static_cast<DWORD>(std::strlen(command)), &moved, nullptr);
  char reply[128];
  DWORD got = 0;
  while (got < sizeof reply - 1) {
    DWORD n = 0;
    if (!ReadFile(g_line, reply + got, sizeof reply - 1 - got, &n, nullptr) || n == 0) break;
    got += n;
    if (std::memchr(reply, '\r', got)) break;
  }
  for (DWORD i = 0; i < 16 && i < got; ++i) g_lastReply[i] = reply[i];
}

// Sends the request and reads until the reply ends with `last`.
void AskServer(const char* request, const char* last) {
  send(g_server, request, static_cast<int>(std::strlen(request)), 0);
  char reply[8192];
  size_t got = 0;
  const size_t lastLength = std::strlen(last);
  while (got < sizeof reply - 1) {
    const int n = recv(g_server, reply + got, static_cast<int>(sizeof reply - 1 - got), 0);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
    if (got >= lastLength && std::memcmp(reply + got - lastLength, last, lastLength) == 0) break;
  }
  for (size_t i = 0; i < 16 && i < got; ++i) g_lastReply[i] = reply[i];
}

// target: nut:PORT:UPS[:USER:PASSWORD], on 127.0.0.1.
bool OpenServer(const char* target) {
  char port[8] = "", ups[64] = "", user[64] = "", password[64] = "";
  if (std::sscanf(target, "nut:%7[0-9]:%63[^:]:%63[^:]:%63s", port, ups, user, password) < 2) return false;
  WSADATA winsock;
  if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) return false;
  g_server = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (g_server == INVALID_SOCKET) return false;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(std::atoi(port)));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(g_server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return false;
  const DWORD replyWithinMs = 5000;
  setsockopt(g_server, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&replyWithinMs), sizeof replyWithinMs);
  if (user[0] != '\0') {
    char line[96];
    std::snprintf(line, sizeof line, "USERNAME %s\n", user);
    AskServer(line, "\n");
    std::snprintf(line, sizeof line, "PASSWORD %s\n", password);
    AskServer(line, "\n");
    std::snprintf(line, sizeof line, "LOGIN %s\n", ups);
    AskServer(line, "\n");
  }
  std::snprintf(g_listRequest, sizeof g_listRequest, "LIST VAR %s\n", ups);
  std::snprintf(g_listEnd, sizeof g_listEnd, "END LIST VAR %s\n", ups);
  return true;
}

DWORD WINAPI LineThread(void*) {
  DWORD next = GetTickCount();
  for (;;) {
    if (g_server != INVALID_SOCKET) {
      AskServer(g_listRequest, g_listEnd);
    } else {
      Ask("Q1\r");
      Ask("F\r");
    }
    next += 1000;
    const DWORD now = GetTickCount();
    if (static_cast<LONG>(next - now) > 0) Sleep(next - now);
  }
}

void PaintMain(HDC dc) {
  RECT client;
  GetClientRect(g_main, &client);
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, g_background);
  BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  SetBkMode(dc, TRANSPARENT);
  char text[32];
  for (int i = 0; i < kReadouts; ++i) {
    std::snprintf(text, sizeof text, "%c%c%c.%c V", static_cast<char>(g_lastReply[1 + i] | '0'),
                  static_cast<char>(g_lastReply[2 + i] | '0'), static_cast<char>('0' + (g_tick + i) % 10),
                  static_cast<char>('0' + i));
    TextOutA(dc, 20 + i * 115, 330, text, static_cast<int>(std::strlen(text)));
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
  TextOutA(dc, 600, 20, text, static_cast<int>(std::strlen(text)));
}

void PaintPlot(HWND hwnd, HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  for (int pane = 0; pane < kPlotPanes; ++pane) {
    const int left = 10 + (pane % 2) * 270, top = 10 + (pane / 2) * 170;
    Rectangle(memory, left, top, left + 240, top + 150);
    MoveToEx(memory, left, top + 75, nullptr);
    for (int x = 0; x < kPlotPoints; ++x) {
      LineTo(memory, left + x * 4, top + 40 + ((x + g_tick + pane) * 7) % 70);
    }
    TextOutA(memory, left + 5, top + 5, "230.0 V", 7);
  }
  BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kTickTimer) {
        ++g_tick;
        for (int i = 0; i < kReadouts && g_bars[0]; ++i) {
          SendMessageA(g_bars[i], PBM_SETPOS, (g_lastReply[2 + i] + g_tick * (i + 1)) % 100, 0);
        }
        // Only what changes is drawn again: the readouts and the clock.
        if (g_main) {
          const RECT readouts = {0, 325, 747, 350}, clock = {595, 15, 700, 40};
          InvalidateRect(g_main, &readouts, FALSE);
          InvalidateRect(g_main, &clock, FALSE);
        }
        if (g_plot) InvalidateRect(g_plot, nullptr, FALSE);
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      if (hwnd == g_main) PaintMain(dc);
      if (hwnd == g_plot) PaintPlot(hwnd, dc);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

HBITMAP MakeBackground(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 747, 498);
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  RECT all = {0, 0, 747, 498};
  FillRect(memory, &all, GetSysColorBrush(COLOR_BTNFACE));
  for (int i = 0; i < 12; ++i) Ellipse(memory, 10 + i * 60, 60, 60 + i * 60, 110);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(hwnd, dc);
  return bitmap;
}

HWND MakeWindow(const char* title, int width, int height) {
  return CreateWindowExA(0, "VoltarisProbe", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, width, height,
                         nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  const bool server = argc >= 2 && std::strncmp(argv[1], "nut:", 4) == 0;
  if (argc < 2 || !(server ? OpenServer(argv[1]) : OpenLine(argv[1]))) {
    std::fprintf(stderr, "usage: cpu_probe COMn|nut:PORT:UPS[:USER:PASSWORD] [main] [plot] (and it must open)\n");
    return 2;
  }
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = "VoltarisProbe";
  RegisterClassA(&windowClass);
  // The hidden main window owns the timers, as a tray program's does.
  HWND owner = CreateWindowExA(0, "VoltarisProbe", "probe", 0, 0, 0, 0, 0, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  SetTimer(owner, kTickTimer, 1000, nullptr);
  SetTimer(owner, kSecondTimer, 1000, nullptr);
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "main") == 0) {
      g_main = MakeWindow("probe main", 747, 498);
      g_background = MakeBackground(g_main);
      for (int b = 0; b < kReadouts; ++b) {
        g_bars[b] = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 20 + b * 115, 360,
                                    100, 18, g_main, nullptr, GetModuleHandleA(nullptr), nullptr);
      }
    } else if (std::strcmp(argv[i], "plot") == 0) {
      g_plot = MakeWindow("probe plot", 560, 560);
    }
  }
  CreateThread(nullptr, 0, LineThread, nullptr, 0, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
