// menu_dump.exe: reads the menus and the accelerator table out of a built
// program's resources, for the end-to-end tests. The menus of a running
// program cannot be read from another process under Wine, but the program's
// own file can: it is loaded as data, never run.
//
//   menu_dump EXE menu ID     one line per item, depth first:
//                             POSITIONS ID TEXT  (POSITIONS "2.1"; ID "popup" for a
//                             pop-up; " [grayed]" after a grey item's TEXT), or
//                             POSITIONS separator
//   menu_dump EXE accel NAME  one line per key: "ctrl+P 40004" (shift+, alt+ likewise)
//
// Texts are printed in Windows-1252, whatever the process's code page, with
// the tab before an accelerator hint kept; exit code 1 when the file or the
// resource is missing, 2 on misuse.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr UINT kWindows1252 = 1252;

std::string Windows1252(const wchar_t* text) {
  const int size = WideCharToMultiByte(kWindows1252, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(kWindows1252, 0, text, -1, bytes.data(), size, nullptr, nullptr);
  bytes.resize(static_cast<size_t>(size - 1));
  return bytes;
}

void PrintMenu(HMENU menu, const std::string& prefix) {
  const int count = GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    wchar_t text[512] = L"";
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = sizeof text / sizeof text[0];
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item)) continue;
    const std::string where = prefix + std::to_string(position);
    if (!item.hSubMenu && (item.fType & MFT_SEPARATOR)) {
      std::printf("%s separator\n", where.c_str());
      continue;
    }
    const std::string id = item.hSubMenu ? "popup" : std::to_string(item.wID);
    std::printf("%s %s %s%s\n", where.c_str(), id.c_str(), Windows1252(text).c_str(),
                (item.fState & MFS_GRAYED) ? " [grayed]" : "");
    if (item.hSubMenu) PrintMenu(item.hSubMenu, where + ".");
  }
}

int PrintAccelerators(HMODULE module, const char* name) {
  HACCEL table = LoadAcceleratorsA(module, name);
  if (!table) return 1;
  const int count = CopyAcceleratorTableW(table, nullptr, 0);
  std::vector<ACCEL> keys(static_cast<size_t>(count));
  CopyAcceleratorTableW(table, keys.data(), count);
  for (const ACCEL& key : keys) {
    std::string combination;
    if (key.fVirt & FCONTROL) combination += "ctrl+";
    if (key.fVirt & FSHIFT) combination += "shift+";
    if (key.fVirt & FALT) combination += "alt+";
    combination += (key.fVirt & FVIRTKEY) ? std::string(1, static_cast<char>(key.key))
                                          : "char" + std::to_string(key.key);
    std::printf("%s %u\n", combination.c_str(), static_cast<unsigned>(key.cmd));
  }
  DestroyAcceleratorTable(table);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: menu_dump EXE menu ID | menu_dump EXE accel NAME\n");
    return 2;
  }
  HMODULE module = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) {
    std::fprintf(stderr, "cannot load %s (%lu)\n", argv[1], GetLastError());
    return 1;
  }
  const std::string what = argv[2];
  int result = 2;
  if (what == "menu") {
    HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(std::atoi(argv[3])));
    if (menu) {
      PrintMenu(menu, "");
      DestroyMenu(menu);
      result = 0;
    } else {
      result = 1;
    }
  } else if (what == "accel") {
    result = PrintAccelerators(module, argv[3]);
  }
  FreeLibrary(module);
  return result;
}
