// The program's binding to the link library.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "ups/link_library_win.h"

using voltaris::LinkLibrary;

TEST(LinkBinding, TheRealLibraryBindsAllFourEntryPoints) {
  LinkLibrary library;
  ASSERT_TRUE(library.Load());
  EXPECT_TRUE(library.HasHidHandle() && library.HasCmdOutput() && library.HasCmdInput() && library.HasCmdtest());
  // No quillon.ini here, and no HID unit under Wine: no device, no reply,
  // and the search for one over the HID class's interfaces is quick.
  for (int call = 0; call < 2; ++call) {
    const DWORD start = GetTickCount();
    EXPECT_EQ(library.HidHandle(), 0);
    const DWORD took = GetTickCount() - start;
    EXPECT_LT(took, 1000u) << "call " << call;
    std::printf("HidHandle with no unit: %lu ms\n", static_cast<unsigned long>(took));
  }
  char reply[55];
  library.CmdInput(reply);
  EXPECT_STREQ(reply, "");  // no unit refused either
  library.CmdOutput(1);
  library.CmdInput(reply);
  EXPECT_STREQ(reply, "");
  EXPECT_EQ(library.Cmdtest("RS.1R9999\r"), 0);  // not sent, so not "may have been sent"
  library.Unload();
  EXPECT_FALSE(library.Loaded());
}

TEST(LinkBinding, AMissingEntryPointStaysNullAndIsNeverCalled) {
  LinkLibrary library;
  ASSERT_TRUE(library.Load("quillon_partial.dll"));
  EXPECT_FALSE(library.HasHidHandle());
  EXPECT_TRUE(library.HasCmdInput());
  EXPECT_EQ(library.HidHandle(), 0);  // counts as no device instead of a call through null
  char reply[55];
  library.CmdInput(reply);
  EXPECT_STREQ(reply, "Xpartial");  // the entry points that are there still work
  library.Unload();
  EXPECT_EQ(library.HidHandle(), 0);
  library.CmdOutput(1);
  library.Cmdtest("T05\r");
  library.CmdInput(reply);
  EXPECT_STREQ(reply, "");
}
