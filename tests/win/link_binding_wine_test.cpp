// The program's binding to the link library.
#include <windows.h>

#include <gtest/gtest.h>

#include "ups/link_library_win.h"

using voltaris::LinkLibrary;

TEST(LinkBinding, TheRealLibraryBindsAllFourEntryPoints) {
  LinkLibrary library;
  ASSERT_TRUE(library.Load());
  EXPECT_TRUE(library.HasHidHandle() && library.HasCmdOutput() && library.HasCmdInput() && library.HasCmdtest());
  // No quillon.ini here: no transport, so no device and no reply.
  EXPECT_EQ(library.HidHandle(), 0);
  char reply[55];
  library.CmdOutput(1);
  library.CmdInput(reply);
  EXPECT_STREQ(reply, "");
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
