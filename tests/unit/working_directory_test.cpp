#include <gtest/gtest.h>

#include <string>

#include "app/working_directory.h"

using namespace voltaris;

TEST(WorkingDirectory, FolderOfTheRunValueOrTheExecutablesOwn) {
  const std::string exeDir = "C:\\Program Files\\Voltaris";
  EXPECT_EQ(WorkingDirectoryFromRunKey("D:\\UPS\\Voltaris.exe", "Voltaris.exe", exeDir), "D:\\UPS");
  EXPECT_EQ(WorkingDirectoryFromRunKey("\"D:\\UPS\\VOLTARIS.EXE\"", "Voltaris.exe", exeDir), "D:\\UPS");
  for (const char* bad : {"", "Voltaris.exe", "\\Voltaris.exe", "D:\\UPS\\Other.exe", "x.exe", "D:\\UPSVoltaris.exe"}) {
    EXPECT_EQ(WorkingDirectoryFromRunKey(bad, "Voltaris.exe", exeDir), exeDir) << bad;
  }
}
