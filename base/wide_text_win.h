// The program's texts (single bytes of Windows-1252, as the catalogue has
// them) for the Windows "W" calls, whatever the system's code page; paths,
// which the program keeps in the system's code page (CP_ACP), likewise.
#pragma once

#include <windows.h>

#include <string>

namespace voltaris {

inline std::wstring WideFromCodePage(UINT codePage, const std::string& text) {
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

inline std::wstring WideFromWindows1252(const std::string& text) { return WideFromCodePage(1252, text); }

}  // namespace voltaris
