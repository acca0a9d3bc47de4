// A fresh folder under /tmp for one test, removed with it.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace voltaris::testing {

class TestFolder {
 public:
  explicit TestFolder(const std::string& name = "voltaris-test") {
    std::string pattern = "/tmp/" + name + "-XXXXXX";
    path_ = mkdtemp(pattern.data());
  }
  ~TestFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace voltaris::testing
