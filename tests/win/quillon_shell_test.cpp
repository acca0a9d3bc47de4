// The link library as the program sees it: loaded by name, four plain entry points.
#include <windows.h>

#include <gtest/gtest.h>

#include "quillon/quillon_api.h"

TEST(QuillonLibrary, ExportsTheFourEntryPointsByPlainName) {
  HMODULE library = LoadLibraryA(QUILLON_DLL);
  ASSERT_NE(library, nullptr);
  for (const char* name : {"HidHandle", "CmdOutput", "CmdInput", "Cmdtest"}) {
    EXPECT_NE(GetProcAddress(library, name), nullptr) << name;
  }
  auto input = reinterpret_cast<CmdInputFn>(reinterpret_cast<void*>(GetProcAddress(library, "CmdInput")));
  char reply[55] = "x";
  int scratch = 0;
  input(reply, &scratch);
  EXPECT_STREQ(reply, "");  // no device: no reply
  FreeLibrary(library);
}
